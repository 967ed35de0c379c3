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
#include <ctime>
#include <type_traits>
#include <utility>

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

constexpr int kNoMeeting = INT32_MIN;

// Step D of the forward pass over diagonals r.hi down to r.lo by twos.
// With `test`, stops at the first diagonal whose point meets the backward
// pass's point there and returns it; otherwise, and when none meets,
// returns kNoMeeting.
template <typename T>
int forwardStep(const T *A, const T *B, int32_t *fd, const int32_t *bd, TRange r, int len1, int len2, bool test,
                bool wide)
{
    int k = r.hi;
    if constexpr (std::is_same_v<T, int32_t>)
        if (wide && DiagonalsAvx2::Forward(A, B, fd, bd, k, r.lo, len1, len2, test))
            return k;
    for (; k >= r.lo; k -= 2) {
        int x = std::max(fd[k + 1], fd[k - 1] + 1);
        int y = x - k;
        while (x < len1 - 1 && y < len2 - 1 && A[x + 1] == B[y + 1]) {
            ++x;
            ++y;
        }
        fd[k] = x;
        if (test && x >= bd[k])
            return k;
    }
    return kNoMeeting;
}

// Step D of the backward pass, as forwardStep.
template <typename T>
int backwardStep(const T *A, const T *B, const int32_t *fd, int32_t *bd, TRange r, int len1, int len2, bool test,
                 bool wide)
{
    int k = r.hi;
    if constexpr (std::is_same_v<T, int32_t>)
        if (wide && DiagonalsAvx2::Backward(A, B, fd, bd, k, r.lo, len1, len2, test))
            return k;
    for (; k >= r.lo; k -= 2) {
        int x = std::min(bd[k - 1], bd[k + 1] - 1);
        int y = x - k;
        while (x >= 0 && y >= 0 && A[x] == B[y]) {
            --x;
            --y;
        }
        bd[k] = x;
        if (test && x <= fd[k])
            return k;
    }
    return kNoMeeting;
}

// The diagonals of a pass's range that fit within a bound, as far as a
// narrowing can see: the highest and the lowest that fit (lo > hi: none).
// Whether a point fits depends on its diagonal alone, so the ends found in
// two parts of a range give the ends of the whole.
template <typename Fits> TRange fittingEnds(TRange r, Fits fits)
{
    TRange out = r;
    while (out.lo <= out.hi && !fits(out.hi))
        out.hi -= 2;
    while (out.lo <= out.hi && !fits(out.lo))
        out.lo += 2;
    return out;
}

TRange joinEnds(TRange lower, TRange upper)
{
    if (lower.lo > lower.hi)
        return upper;
    if (upper.lo > upper.hi)
        return lower;
    return TRange{lower.lo, upper.hi};
}

// The part of r (diagonals of r.lo's parity) at or above `from`, and the part below.
TRange partFrom(TRange r, int from)
{
    return TRange{std::max(r.lo, from + ((from - r.lo) & 1)), r.hi};
}
TRange partBelow(TRange r, int from)
{
    return TRange{r.lo, std::min(r.hi, from + ((from - r.lo) & 1) - 2)};
}

// Wall and thread CPU time, to tell whether a thread had its core to itself.
struct TStepClock
{
    timespec wall{};
    timespec cpu{};

    static TStepClock Now()
    {
        TStepClock c;
        clock_gettime(CLOCK_MONOTONIC, &c.wall);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c.cpu);
        return c;
    }
    // This thread's CPU time since `start` over the wall time since then.
    double ThreadShare(const TStepClock &start) const
    {
        auto ns = [](const timespec &a, const timespec &b) {
            return double(a.tv_sec - b.tv_sec) * 1e9 + double(a.tv_nsec - b.tv_nsec);
        };
        const double wallNs = ns(wall, start.wall);
        return wallNs > 0 ? ns(cpu, start.cpu) / wallNs : 1.0;
    }
};
// One step in this many on two threads is timed (two clock reads that
// are system calls on some machines).
constexpr uint32_t kTimeEveryStep = 64;
// Below this share of its wall time on the CPU, the thread lost its core.
constexpr double kBusyThreadShare = 0.75;

// What one thread found in its part of a pass's step.
struct TPartResult
{
    int meeting = kNoMeeting;  // the first in the step's order
    TRange fitting{1, 0};
};

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
    // Narrows a bounded pass's new range to the points that fit (found by
    // fittingEnds), and clears what the range no longer covers. False when
    // none fits.
    auto narrow = [&](int32_t *d, int32_t none, TRange &range, TRange &sameParity, TRange before, TRange fitting) {
        if (fitting.lo > fitting.hi) {
            clearOutside(d, TRange{range.hi + 2, range.hi}, sameParity, range, none);
            return false;
        }
        clearOutside(d, fitting, sameParity, range, none);
        sameParity = before;
        range = fitting;
        return true;
    };
    // One pass's step over part of its range: the step itself, its test for
    // a meeting and, bounded, the ends of what fits.
    auto forwardPart = [&](int D, TRange r, TPartResult &out) {
        out.meeting = forwardStep(A, B, fd, bd, r, len1, len2, oddDelta, wide);
        if (bounded && out.meeting == kNoMeeting)
            out.fitting = fittingEnds(r, [&](int k) { return forwardFits(D, k); });
    };
    auto backwardPart = [&](int D, TRange r, TPartResult &out) {
        out.meeting = backwardStep(A, B, fd, bd, r, len1, len2, true, wide);
        if (bounded && out.meeting == kNoMeeting)
            out.fitting = fittingEnds(r, [&](int k) { return backwardFits(D, k); });
    };
    // A wide step of a pass runs on two threads: the partner takes the
    // diagonals below `from`, this thread the rest. Diagonals within a step
    // never read one another, so this computes what the one-thread step
    // computes; the meeting is the upper part's first, else the lower's.
    auto runPass = [&](auto &part, int D, TRange r, bool together, int from) {
        if (!together) {
            TPartResult whole;
            part(D, r, whole);
            return whole;
        }
        TPartResult upper;
        TPartResult lower;
        auto lowerPart = [&] { part(D, partBelow(r, from), lower); };
        // Now and then the step is timed: when this thread got much less
        // CPU time than the step took (it slept waiting for the partner,
        // or lost its core), the machine has other work to do.
        const bool timed = (++fStepsTogether & (kTimeEveryStep - 1)) == 0;
        const TStepClock start = timed ? TStepClock::Now() : TStepClock{};
        {
            const TStepPartner::TScopedJob job(
                *fPartner, [](void *context) { (*static_cast<decltype(lowerPart) *>(context))(); }, &lowerPart);
            part(D, partFrom(r, from), upper);
        }
        if (timed && TStepClock::Now().ThreadShare(start) < kBusyThreadShare)
            fOneThreadSteps = kOneThreadAfterSlowStep;
        TPartResult whole;
        whole.meeting = upper.meeting != kNoMeeting ? upper.meeting : lower.meeting;
        whole.fitting = joinEnds(lower.fitting, upper.fitting);
        return whole;
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

        // Both passes split at one diagonal, which halves the step's work,
        // so that a thread's test for a meeting reads what it wrote itself
        // (values written by the other core would have to travel).
        bool together = fOptions.twoThreadsFrom > 0 && visits >= 2 * fOptions.twoThreadsFrom;
        if (together && fOneThreadSteps > 0) {
            --fOneThreadSteps;
            together = false;
        }
        together = together && partner();
        const int from = (fNew.lo + fNew.hi + bNew.lo + bNew.hi) / 4;

        const TPartResult forward = runPass(forwardPart, D, fNew, together, from);
        if (forward.meeting != kNoMeeting) {
            if (bounded && 2 * D - 1 > bound)
                return result;
            const int x = fd[forward.meeting];
            const int y = x - forward.meeting;
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
        if (bounded && !narrow(fd, kDiagLow, f, fEarlier, fBefore, forward.fitting))
            return result;

        const TPartResult backward = runPass(backwardPart, D, bNew, together, from);
        if (backward.meeting != kNoMeeting) {
            // fd[k] is from this step when delta is even, from the last one when odd.
            const int forwardCost = D - (oddDelta ? 1 : 0);
            if (bounded && forwardCost + D > bound)
                return result;
            int xs = bd[backward.meeting] + 1;
            int ys = xs - backward.meeting;
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
        if (bounded && !narrow(bd, kDiagHigh, b, bEarlier, bBefore, backward.fitting))
            return result;
    }
    if (bounded)
        return result;
    throw EParlune(QString::fromLatin1(recursionError<T>()));
}

template TDiff::TSplit TDiff::split<int32_t>(int, int, int, int, int, int, int64_t *);
template TDiff::TSplit TDiff::split<char16_t>(int, int, int, int, int, int, int64_t *);
