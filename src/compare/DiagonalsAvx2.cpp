#include "compare/DiagonalsAvx2.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace DiagonalsAvx2 {

#if defined(__x86_64__)

bool Available()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

namespace {

// Diagonal offsets of the eight lanes: k, k - 2, ..., k - 14.
__attribute__((target("avx2"))) inline __m256i laneDiagonals(int k)
{
    return _mm256_add_epi32(_mm256_set1_epi32(k), _mm256_setr_epi32(0, -2, -4, -6, -8, -10, -12, -14));
}

__attribute__((target("avx2"))) inline int laneMask(__m256i v)
{
    return _mm256_movemask_ps(_mm256_castsi256_ps(v));
}

// d[k + 1 - 2 * lane] for the eight lanes, from two contiguous loads
// (d[k - 14 .. k + 1]) instead of a gather.
__attribute__((target("avx2"))) inline __m256i oddAbove(const int32_t *d, int k)
{
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + k - 14));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + k - 6));
    const __m256i pick = _mm256_setr_epi32(7, 5, 3, 1, 7, 5, 3, 1);
    return _mm256_blend_epi32(_mm256_permutevar8x32_epi32(hi, pick), _mm256_permutevar8x32_epi32(lo, pick), 0xF0);
}

// d[k - 1 - 2 * lane] for the eight lanes (d[k - 15 .. k]).
__attribute__((target("avx2"))) inline __m256i oddBelow(const int32_t *d, int k)
{
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + k - 15));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + k - 7));
    const __m256i pick = _mm256_setr_epi32(6, 4, 2, 0, 6, 4, 2, 0);
    return _mm256_blend_epi32(_mm256_permutevar8x32_epi32(hi, pick), _mm256_permutevar8x32_epi32(lo, pick), 0xF0);
}

// s[index] for the eight lanes, by eight loads: faster than a gather on
// many processors. Indices are clamped into [0, last], so lanes outside
// the sequence read a valid element (and are masked off by the caller).
__attribute__((target("avx2"))) inline __m256i loadLanes(const int32_t *s, __m256i index, int last)
{
    alignas(32) int32_t at[8];
    index = _mm256_min_epi32(_mm256_max_epi32(index, _mm256_setzero_si256()), _mm256_set1_epi32(last));
    _mm256_store_si256(reinterpret_cast<__m256i *>(at), index);
    return _mm256_setr_epi32(s[at[0]], s[at[1]], s[at[2]], s[at[3]], s[at[4]], s[at[5]], s[at[6]], s[at[7]]);
}

// Lanes whose points lie one element of A apart, lane l at x0 - l (and
// so at y0 + l): the usual case away from snakes, where each point took
// one more step than its neighbour's. Their elements are two contiguous
// loads instead of sixteen.
__attribute__((target("avx2"))) inline bool isRamp(__m256i x, int x0)
{
    const __m256i ramp = _mm256_sub_epi32(_mm256_set1_epi32(x0), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return laneMask(_mm256_cmpeq_epi32(ramp, x)) == 0xFF;
}

// s[top - lane] for the eight lanes, s[top - 7 .. top] being readable.
__attribute__((target("avx2"))) inline __m256i loadDescending(const int32_t *s, int top)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + top - 7));
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
}

// s[bottom + lane] for the eight lanes.
__attribute__((target("avx2"))) inline __m256i loadAscending(const int32_t *s, int bottom)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + bottom));
}

} // namespace

__attribute__((target("avx2"))) bool Forward(const int32_t *A, const int32_t *B, int32_t *fd, const int32_t *bd,
                                             int &k, int low, int len1, int len2, bool testMeeting)
{
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i lastX = _mm256_set1_epi32(len1 - 1);
    const __m256i lastY = _mm256_set1_epi32(len2 - 1);
    alignas(32) int32_t xs[8];
    for (; k - 14 >= low; k -= 16) {
        const __m256i kv = laneDiagonals(k);
        const __m256i above = oddAbove(fd, k);
        const __m256i below = oddBelow(fd, k);
        const __m256i x = _mm256_max_epi32(above, _mm256_add_epi32(below, one));
        const __m256i y = _mm256_sub_epi32(x, kv);
        // Lanes with a next pair inside both sequences, and those whose pair is equal.
        const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(lastX, x), _mm256_cmpgt_epi32(lastY, y));
        const int x0 = _mm256_extract_epi32(x, 0);
        const int y0 = x0 - k;
        __m256i a;
        __m256i b;
        if (x0 - 6 >= 0 && x0 + 1 < len1 && y0 + 1 >= 0 && y0 + 8 < len2 && isRamp(x, x0)) {
            a = loadDescending(A, x0 + 1);
            b = loadAscending(B, y0 + 1);
        } else {
            a = loadLanes(A, _mm256_add_epi32(x, one), len1 - 1);
            b = loadLanes(B, _mm256_add_epi32(y, one), len2 - 1);
        }
        int snakes = laneMask(_mm256_and_si256(inside, _mm256_cmpeq_epi32(a, b)));
        _mm256_store_si256(reinterpret_cast<__m256i *>(xs), x);
        while (snakes) {
            const int lane = __builtin_ctz(unsigned(snakes));
            snakes &= snakes - 1;
            int xl = xs[lane] + 1;
            int yl = xl - (k - 2 * lane);
            while (xl < len1 - 1 && yl < len2 - 1 && A[xl + 1] == B[yl + 1]) {
                ++xl;
                ++yl;
            }
            xs[lane] = xl;
        }
        for (int lane = 0; lane < 8; ++lane)
            fd[k - 2 * lane] = xs[lane];
        if (testMeeting) {
            for (int lane = 0; lane < 8; ++lane) {
                if (xs[lane] >= bd[k - 2 * lane]) {
                    k -= 2 * lane;
                    return true;
                }
            }
        }
    }
    return false;
}

__attribute__((target("avx2"))) bool Backward(const int32_t *A, const int32_t *B, const int32_t *fd, int32_t *bd,
                                              int &k, int low, int len1, int len2, bool testMeeting)
{
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i none = _mm256_set1_epi32(-1);
    alignas(32) int32_t xs[8];
    for (; k - 14 >= low; k -= 16) {
        const __m256i kv = laneDiagonals(k);
        const __m256i below = oddBelow(bd, k);
        const __m256i above = oddAbove(bd, k);
        const __m256i x = _mm256_min_epi32(below, _mm256_sub_epi32(above, one));
        const __m256i y = _mm256_sub_epi32(x, kv);
        const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(x, none), _mm256_cmpgt_epi32(y, none));
        const int x0 = _mm256_extract_epi32(x, 0);
        const int y0 = x0 - k;
        __m256i a;
        __m256i b;
        if (x0 - 7 >= 0 && x0 < len1 && y0 >= 0 && y0 + 7 < len2 && isRamp(x, x0)) {
            a = loadDescending(A, x0);
            b = loadAscending(B, y0);
        } else {
            a = loadLanes(A, x, len1 - 1);
            b = loadLanes(B, y, len2 - 1);
        }
        int snakes = laneMask(_mm256_and_si256(inside, _mm256_cmpeq_epi32(a, b)));
        _mm256_store_si256(reinterpret_cast<__m256i *>(xs), x);
        while (snakes) {
            const int lane = __builtin_ctz(unsigned(snakes));
            snakes &= snakes - 1;
            int xl = xs[lane] - 1;
            int yl = xl - (k - 2 * lane);
            while (xl >= 0 && yl >= 0 && A[xl] == B[yl]) {
                --xl;
                --yl;
            }
            xs[lane] = xl;
        }
        for (int lane = 0; lane < 8; ++lane)
            bd[k - 2 * lane] = xs[lane];
        if (testMeeting) {
            for (int lane = 0; lane < 8; ++lane) {
                if (xs[lane] <= fd[k - 2 * lane]) {
                    k -= 2 * lane;
                    return true;
                }
            }
        }
    }
    return false;
}

#else

bool Available()
{
    return false;
}

bool Forward(const int32_t *, const int32_t *, int32_t *, const int32_t *, int &, int, int, int, bool)
{
    return false;
}

bool Backward(const int32_t *, const int32_t *, const int32_t *, int32_t *, int &, int, int, int, bool)
{
    return false;
}

#endif

} // namespace DiagonalsAvx2
