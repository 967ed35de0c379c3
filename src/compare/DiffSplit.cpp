// The engine's split search: the middle snake of one sub-problem, by the
// forward and backward passes of the O(ND) algorithm, optionally bounded.
//
// A bounded search knows an upper bound on the sub-problem's edits and
// drops, from either end of each pass's range of diagonals, a furthest
// point that cannot lie on a path within the bound (the edits spent to
// reach it plus TPathBound's lower bound on those still to come exceed
// it). What it drops never changes the result: every value on a path
// within the bound is computed exactly as the plain search computes it, a
// dropped or smaller value can only hide a meeting, never make one, and
// the meeting the plain search finds first lies on a path of its own cost.
// So a bounded search whose meeting costs at most the bound has found the
// plain search's meeting; one that finds none, or a dearer one, gives up.

#include "compare/Diff.h"

#include "compare/DiagonalsAvx2.h"
#include "text/Errors.h"

#include <algorithm>
#include <type_traits>

namespace {

constexpr int32_t kDiagLow = -INT32_MAX;  // one above the most negative value
constexpr int32_t kDiagHigh = INT32_MAX;
// Diagonal visits between two looks at the clock (a visit takes a few ns).
constexpr int kVisitsPerClockCheck = 4096;

template <typename T> const char *recursionError()
{
    return std::is_same_v<T, int32_t> ? "oops - error in RecursiveDiffInt()" : "oops - error in RecursiveDiffChr()";
}

// The diagonals one pass computed in its last step, lo..hi by twos.
struct TRange
{
    int lo;
    int hi;
};

// The diagonals of the parity of step D within [floor, ceiling] that the
// step reaches from `last`, the range of the step before.
TRange nextRange(TRange last, int floor, int ceiling, int D)
{
    TRange r{std::max(last.lo - 1, floor), std::min(last.hi + 1, ceiling)};
    r.lo += (r.lo - D) & 1;
    r.hi -= (r.hi - D) & 1;
    return r;
}

// Sets the diagonals of `shrunk`'s parity that `before` or `wide` covered
// and `shrunk` does not back to `none`, so that a later step reads them as
// not reached.
void clearOutside(int32_t *d, TRange shrunk, TRange before, TRange wide, int32_t none)
{
    const int parity = shrunk.lo & 1;
    auto align = [parity](int k) { return k + ((k - parity) & 1); };
    const bool hadBefore = before.lo <= before.hi;
    const int low = hadBefore ? std::min(before.lo, wide.lo) : wide.lo;
    const int high = hadBefore ? std::max(before.hi, wide.hi) : wide.hi;
    for (int k = align(low); k < shrunk.lo && k <= high; k += 2)
        d[k] = none;
    for (int k = align(std::max(shrunk.hi + 2, low)); k <= high; k += 2)
        d[k] = none;
}

} // namespace

void TDiff::resetDiagonals(int m, int len1, int len2, TDiagWindow &w)
{
    // The views put diagonal k at entry k + m + 1; diagonals -(m+1)..m+1 may
    // be used. Only the window of diagonals the search can read so far is
    // given its starting value here; widenDiagonals grows it step by step,
    // so a long sequence with few differences touches little of the buffers.
    fDiag = fDiagBuffer.get() + m + 1;
    bDiag = bDiagBuffer.get() + m + 1;
    const int delta = len1 - len2;
    w = TDiagWindow{std::max(-(m + 1), std::min(0, delta) - 2), std::min(m + 1, std::max(0, delta) + 2)};
    std::fill(fDiag + w.lo, fDiag + w.hi + 1, kDiagLow);
    std::fill(bDiag + w.lo, bDiag + w.hi + 1, kDiagHigh);
    fDiag[0] = -1;
    bDiag[delta] = len1 - 1;
}

void TDiff::widenDiagonals(int m, int lo, int hi, TDiagWindow &w)
{
    lo = std::max(lo, -(m + 1));
    hi = std::min(hi, m + 1);
    if (lo < w.lo) {
        std::fill(fDiag + lo, fDiag + w.lo, kDiagLow);
        std::fill(bDiag + lo, bDiag + w.lo, kDiagHigh);
        w.lo = lo;
    }
    if (hi > w.hi) {
        std::fill(fDiag + w.hi + 1, fDiag + hi + 1, kDiagLow);
        std::fill(bDiag + w.hi + 1, bDiag + hi + 1, kDiagHigh);
        w.hi = hi;
    }
}

// True when every forward path of step D on diagonals lo..hi went without
// a snake (each reached exactly (D + k) / 2 elements of A): a cheap sign
// that the sub-problem may have no element in common, worth the full test.
bool TDiff::noSnakeYet(const int32_t *fd, int D, int lo, int hi)
{
    for (int k = lo; k <= hi; k += 2)
        if (fd[k] != (D + k) / 2 - 1)
            return false;
    return true;
}

template <typename T>
bool TDiff::disjoint(const T *A, int len1, const T *B, int len2)
{
    uint64_t *seen = fSeen.data();
    for (int i = 0; i < len1; ++i) {
        const uint64_t v = uint64_t(int64_t(A[i]) - fSeenBase);
        seen[v / 64] |= uint64_t(1) << (v % 64);
    }
    bool common = false;
    for (int i = 0; i < len2 && !common; ++i) {
        const uint64_t v = uint64_t(int64_t(B[i]) - fSeenBase);
        common = (seen[v / 64] >> (v % 64)) & 1;
    }
    for (int i = 0; i < len1; ++i) {
        const uint64_t v = uint64_t(int64_t(A[i]) - fSeenBase);
        seen[v / 64] = 0;
    }
    return !common;
}

template <typename T>
TDiff::TSplit TDiff::split(int offset1, int offset2, int len1, int len2, int bound, int stepLimit,
                           int64_t *allowance)
{
    constexpr bool isInt = std::is_same_v<T, int32_t>;
    const T *A = seq1<T>() + offset1;
    const T *B = seq2<T>() + offset2;
    const int m = std::max(len1, len2);
    TDiagWindow window;
    resetDiagonals(m, len1, len2, window);
    int32_t *const fd = fDiag;
    int32_t *const bd = bDiag;
    const int delta = len1 - len2;
    const bool oddDelta = (delta & 1) != 0;
    const bool wide = fOptions.wideLoops && DiagonalsAvx2::Available();
    const bool bounded = bound != kNoBound;
    // The bound's positions of this sub-problem's first elements.
    const int a0 = offset1 - fBoundBase;
    const int b0 = offset2 - fBoundBase;
    // A pass may step past the edge of the grid (a forward point beyond the
    // last element, a backward one before the first); such a point lies on
    // no path and only ever leads to more of its kind, so it is kept as the
    // plain search keeps it.
    auto forwardFits = [&](int D, int k) {
        const int x = fd[k];
        const int y = x - k;
        if (x >= len1 || y >= len2)
            return true;
        return D + fBound.Edits(a0 + x + 1, a0 + len1, b0 + y + 1, b0 + len2) <= bound;
    };
    auto backwardFits = [&](int D, int k) {
        const int x = bd[k];
        const int y = x - k;
        if (x < -1 || y < -1)
            return true;
        return D + fBound.Edits(a0, a0 + x + 1, b0, b0 + y + 1) <= bound;
    };
    // Narrows a bounded pass's new range from both ends to the points that
    // fit, and clears what the range no longer covers. False when none fits.
    auto narrow = [&](int32_t *d, int32_t none, TRange &range, TRange &sameParity, TRange before, auto fits, int D) {
        TRange r = range;
        while (r.lo <= r.hi && !fits(D, r.hi))
            r.hi -= 2;
        while (r.lo <= r.hi && !fits(D, r.lo))
            r.lo += 2;
        if (r.lo > r.hi) {
            clearOutside(d, TRange{range.hi + 2, range.hi}, sameParity, range, none);
            return false;
        }
        clearOutside(d, r, sameParity, range, none);
        sameParity = before;
        range = r;
        return true;
    };

    TSplit result;
    TRange f{0, 0};          // the forward pass's last range
    TRange b{delta, delta};  // the backward pass's
    // The ranges two steps back, of each new range's parity.
    TRange fEarlier{1, 0};
    TRange bEarlier{1, 0};
    int visitsToCheck = kVisitsPerClockCheck;
    for (int D = 1; D <= m; ++D) {
        if (D > stepLimit)
            return result;
        const TRange fNew = nextRange(f, -len2, len1, D);
        const TRange bNew = nextRange(b, -len2, len1, D + delta);
        const int visits = (fNew.hi - fNew.lo) / 2 + (bNew.hi - bNew.lo) / 2 + 2;
        if (allowance && (*allowance -= visits) < 0)
            return result;
        fVisits += visits;
        visitsToCheck -= visits;
        if (visitsToCheck <= 0) {
            fVisitBudget -= kVisitsPerClockCheck - visitsToCheck;
            visitsToCheck = kVisitsPerClockCheck;
            yield();
            if (stopped()) {
                result.kind = TSplit::Stopped;
                return result;
            }
        }
        // Step D reads diagonals -D-1..D+1 and delta-D-1..delta+D+1.
        widenDiagonals(m, std::min(-D, delta - D) - 1, std::max(D, delta + D) + 1, window);
        if (D == kDisjointCheckAt && !fSeen.empty() && noSnakeYet(fd, D - 1, f.lo, f.hi)
            && disjoint(A, len1, B, len2)) {
            result.kind = TSplit::Disjoint;
            return result;
        }

        int k = fNew.hi;
        bool met = false;
        if constexpr (isInt)
            met = wide && DiagonalsAvx2::Forward(A, B, fd, bd, k, fNew.lo, len1, len2, oddDelta);
        for (; !met && k >= fNew.lo; k -= 2) {
            int x = std::max(fd[k + 1], fd[k - 1] + 1);
            int y = x - k;
            while (x < len1 - 1 && y < len2 - 1 && A[x + 1] == B[y + 1]) {
                ++x;
                ++y;
            }
            fd[k] = x;
            met = oddDelta && x >= bd[k];
            if (met)
                break;
        }
        if (met) {
            if (bounded && 2 * D - 1 > bound)
                return result;
            const int x = fd[k];
            const int y = x - k;
            int xs = x + 1;
            int ys = y + 1;
            while (xs > 0 && ys > 0 && A[xs - 1] == B[ys - 1]) {
                --xs;
                --ys;
            }
            result = TSplit{TSplit::Met, xs, ys, x + 1, y + 1, D, D - 1};
            return result;
        }
        const TRange fBefore = f;
        f = fNew;
        if (bounded && !narrow(fd, kDiagLow, f, fEarlier, fBefore, forwardFits, D))
            return result;

        k = bNew.hi;
        if constexpr (isInt)
            met = wide && DiagonalsAvx2::Backward(A, B, fd, bd, k, bNew.lo, len1, len2);
        for (; !met && k >= bNew.lo; k -= 2) {
            int x = std::min(bd[k - 1], bd[k + 1] - 1);
            int y = x - k;
            while (x >= 0 && y >= 0 && A[x] == B[y]) {
                --x;
                --y;
            }
            bd[k] = x;
            met = x <= fd[k];
            if (met)
                break;
        }
        if (met) {
            // fd[k] is from this step when delta is even, from the last one when odd.
            const int forwardCost = D - (oddDelta ? 1 : 0);
            if (bounded && forwardCost + D > bound)
                return result;
            int xs = bd[k] + 1;
            int ys = xs - k;
            int xe = xs;
            int ye = ys;
            while (xe < len1 && ye < len2 && A[xe] == B[ye]) {
                ++xe;
                ++ye;
            }
            result = TSplit{TSplit::Met, xs, ys, xe, ye, forwardCost, D};
            return result;
        }
        const TRange bBefore = b;
        b = bNew;
        if (bounded && !narrow(bd, kDiagHigh, b, bEarlier, bBefore, backwardFits, D))
            return result;
    }
    if (bounded)
        return result;
    throw EParlune(QString::fromLatin1(recursionError<T>()));
}

template TDiff::TSplit TDiff::split<int32_t>(int, int, int, int, int, int, int64_t *);
template TDiff::TSplit TDiff::split<char16_t>(int, int, int, int, int, int, int64_t *);
