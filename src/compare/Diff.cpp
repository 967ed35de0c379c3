#include "compare/Diff.h"

#include "compare/DiagonalsAvx2.h"
#include "text/Errors.h"
#include "text/TextStore.h"
#include "compare/UniqueChain.h"

#include <algorithm>
#include <type_traits>

const char *ChangeKindName(TChangeKind k)
{
    switch (k) {
    case ckNone: return "ckNone";
    case ckAdd: return "ckAdd";
    case ckDelete: return "ckDelete";
    case ckModify: return "ckModify";
    }
    return "?";
}

namespace {

constexpr int32_t kDiagLow = -INT32_MAX;  // one above the most negative value
constexpr int32_t kDiagHigh = INT32_MAX;
// Diagonal visits between two looks at the clock (a visit takes a few ns).
constexpr int kVisitsPerClockCheck = 4096;
// The search's budget of diagonal visits before a pair that may take the
// closed form is handed to it: a few visits per element, which keeps the
// work wasted on a long script to a few milliseconds.
constexpr int64_t kBudgetPerElement = 4;
constexpr int64_t kBudgetBase = int64_t(1) << 20;
// A sub-problem still without a split at this D is tested for having no
// element in common. Such a sub-problem always comes out as all its deletes
// followed by all its adds (no snake ever extends, and the backward pass
// meets first on the highest diagonal, splitting off a run of deletes), so
// it is emitted at once instead of searched in O(len * len) steps.
constexpr int kDisjointCheckAt = 64;
// The widest value range the disjoint test covers with its bitmap (4 MiB).
constexpr int64_t kMaxSeenBits = int64_t(1) << 25;

template <typename T> constexpr bool kIsInt = std::is_same_v<T, int32_t>;

template <typename T> const char *recursionError()
{
    return kIsInt<T> ? "oops - error in RecursiveDiffInt()" : "oops - error in RecursiveDiffChr()";
}

template <typename T> void setValue1(TCompareRec &r, T v)
{
    if constexpr (kIsInt<T>) {
        r.int1 = v;
    } else {
        r.int1 = 0;
        r.chr1 = v;
    }
}

template <typename T> void setValue2(TCompareRec &r, T v)
{
    if constexpr (kIsInt<T>) {
        r.int2 = v;
    } else {
        r.int2 = 0;
        r.chr2 = v;
    }
}

// Clears the executing flag and releases the diagonal buffers on every way
// out of Execute, by return or by exception.
class TExecuteGuard
{
public:
    TExecuteGuard(bool &executing, std::unique_ptr<int32_t[]> &f, std::unique_ptr<int32_t[]> &b,
                  std::vector<uint64_t> &seen)
        : fExecuting(executing), fBuf(f), bBuf(b), fSeen(seen) { fExecuting = true; }
    ~TExecuteGuard()
    {
        fBuf.reset();
        bBuf.reset();
        std::vector<uint64_t>().swap(fSeen);
        fExecuting = false;
    }

private:
    bool &fExecuting;
    std::unique_ptr<int32_t[]> &fBuf;
    std::unique_ptr<int32_t[]> &bBuf;
    std::vector<uint64_t> &fSeen;
};

} // namespace

template <> const int32_t *TDiff::seq1<int32_t>() const { return Ints1; }
template <> const int32_t *TDiff::seq2<int32_t>() const { return Ints2; }
template <> const char16_t *TDiff::seq1<char16_t>() const { return Chrs1; }
template <> const char16_t *TDiff::seq2<char16_t>() const { return Chrs2; }

void TDiff::Clear()
{
    fCompareList.clear();
    LastCompareRec = TCompareRec{};
    fDiffStats = TDiffStats{};
    Ints1 = Ints2 = nullptr;
    Chrs1 = Chrs2 = nullptr;
    fRunStart = 0;
    fUnpaired = 0;
}

TCompareRec TDiff::GetCompare(int index) const
{
    if (index < 0 || index >= Count())
        throw EParlune(QStringLiteral("List index out of bounds (%1)").arg(index));
    return fCompareList[size_t(index)];
}

void TDiff::yield()
{
    if (!fYield)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (fYieldedThisRun && now - fLastYield < fYieldInterval)
        return;
    fYield();
    fYieldedThisRun = true;
    fLastYield = std::chrono::steady_clock::now();
}

bool TDiff::Execute(const int32_t *pints1, const int32_t *pints2, int len1, int len2)
{
    return executeT<int32_t>(pints1, pints2, len1, len2);
}

bool TDiff::Execute(const char16_t *pchrs1, const char16_t *pchrs2, int len1, int len2)
{
    return executeT<char16_t>(pchrs1, pchrs2, len1, len2);
}

template <typename T>
bool TDiff::executeT(const T *s1, const T *s2, int len1, int len2)
{
    if (fExecuting)
        return false;
    if (len1 < 0 || len2 < 0)
        throw EParlune(QStringLiteral("Invalid sequence length (%1, %2)").arg(len1).arg(len2));
    if (len1 > fOptions.maxLength || len2 > fOptions.maxLength)
        throw EParlune(QStringLiteral("Sequences too long to compare (%1 and %2 elements; at most %3)")
                           .arg(len1).arg(len2).arg(fOptions.maxLength));

    TExecuteGuard guard(fExecuting, fDiagBuffer, bDiagBuffer, fSeen);
    fCancelled = false;
    fYieldedThisRun = false;
    fWrittenSinceCheck = 0;
    fUsedClosedForm = false;
    Clear();
    const int passedLen1 = len1;
    if constexpr (kIsInt<T>) {
        Ints1 = s1;
        Ints2 = s2;
    } else {
        Chrs1 = s1;
        Chrs2 = s2;
    }

    while (len1 > 0 && len2 > 0 && s1[len1 - 1] == s2[len2 - 1]) {
        --len1;
        --len2;
    }
    if (len1 != 0 || len2 != 0) {
        int offset = 0;
        while (len1 > 0 && len2 > 0 && s1[offset] == s2[offset]) {
            ++offset;
            --len1;
            --len2;
        }
        if (fOptions.keepRecords)
            fCompareList.reserve(size_t(len1) + size_t(len2));
        // A pair that may take the closed form is searched first on a budget
        // of diagonal visits: a short script is found as fast by the search,
        // and the closed form's tables would cost more than that.
        const bool mayClose = kIsInt<T> && fOptions.closedFormUse != TClosedFormUse::Never && fIdLimit > 0;
        const bool closeFirst = mayClose && fOptions.closedFormUse == TClosedFormUse::Always;
        fVisitBudget = mayClose ? kBudgetPerElement * (int64_t(len1) + len2) + kBudgetBase : INT64_MAX;
        if (!closeFirst)
            search<T>(offset, len1, len2);
        if (closeFirst || (fVisitBudget < 0 && !fCancelled)) {
            restartScript();
            if constexpr (kIsInt<T>)
                fUsedClosedForm = closedForm(offset, len1, len2);
            if (!fUsedClosedForm) {
                fVisitBudget = INT64_MAX;
                search<T>(offset, len1, len2);
            }
        }
    }

    while (LastCompareRec.oldIndex1 < passedLen1 - 1 && !fCancelled)
        appendMatch<T>();
    if (fCancelled) {
        Clear();
        return false;
    }
    return true;
}

// Forgets the records of an abandoned search, keeping the sequences.
void TDiff::restartScript()
{
    fCompareList.clear();
    LastCompareRec = TCompareRec{};
    fDiffStats = TDiffStats{};
    fRunStart = 0;
    fUnpaired = 0;
}

// The diagonal search over what is left after stripping the common tail
// and head.
template <typename T>
void TDiff::search(int offset, int len1, int len2)
{
    const int m = std::max(len1, len2);
    const size_t diagCount = 2 * size_t(m) + 3;
    fDiagBuffer.reset(new int32_t[diagCount]);
    bDiagBuffer.reset(new int32_t[diagCount]);
    if (fOptions.disjointShortcut && m > kDisjointCheckAt)
        prepareSeen<T>(seq1<T>(), seq2<T>(), offset, len1, len2);
    recursiveDiff<T>(offset, offset, len1, len2);
}

// The script of a unique-matched sub-problem from its matched pairs: each
// stretch between two matches is emitted as its deletes, then its adds, as
// the search would emit it. False when the pair is not unique-matched;
// true, with nothing emitted, when cancelled meanwhile.
bool TDiff::closedForm(int offset, int len1, int len2)
{
    std::vector<int32_t> matches1;
    std::vector<int32_t> matches2;
    const bool found = TUniqueChain().Find(Ints1 + offset, len1, Ints2 + offset, len2, fIdLimit, [this] {
        yield();
        return !fCancelled;
    }, matches1, matches2);
    if (fCancelled)
        return true;
    if (!found)
        return false;
    int last1 = offset - 1;
    int last2 = offset - 1;
    auto emitGap = [&](int next1, int next2) {
        if (next1 - last1 > 1)
            emitChange<int32_t>(last1 + 1, next1 - last1 - 1, ckDelete);
        if (next2 - last2 > 1)
            emitChange<int32_t>(next1, next2 - last2 - 1, ckAdd);
    };
    for (size_t t = 0; t < matches1.size(); ++t) {
        emitGap(offset + matches1[t], offset + matches2[t]);
        last1 = offset + matches1[t];
        last2 = offset + matches2[t];
    }
    emitGap(offset + len1, offset + len2);
    return true;
}

template <typename T>
void TDiff::prepareSeen(const T *s1, const T *s2, int offset, int len1, int len2)
{
    int64_t low = INT64_MAX;
    int64_t high = INT64_MIN;
    auto scan = [&](const T *s, int len) {
        for (int i = 0; i < len; ++i) {
            low = std::min<int64_t>(low, s[i]);
            high = std::max<int64_t>(high, s[i]);
            if ((i & (kRecordsPerYieldCheck - 1)) == kRecordsPerYieldCheck - 1)
                yield();
        }
    };
    scan(s1 + offset, len1);
    scan(s2 + offset, len2);
    if (low > high || high - low >= kMaxSeenBits)
        return;  // no bitmap: every sub-problem is searched
    fSeenBase = low;
    fSeen.assign(size_t((high - low) / 64 + 1), 0);
}

// True when every forward path of step D went without a snake (each
// reached exactly (D + k) / 2 elements of A): a cheap sign that the
// sub-problem may have no element in common, worth the full test.
bool TDiff::noSnakeYet(const int32_t *fd, int D, int len1, int len2)
{
    int k = D;
    while (k > len1)
        k -= 2;
    for (const int low = std::max(-D, -len2); k >= low; k -= 2)
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

template <typename T>
void TDiff::recursiveDiff(int offset1, int offset2, int len1, int len2)
{
    yield();
    if (stopped())
        return;
    if (len1 == 0) {
        if constexpr (kIsInt<T>)
            if (len2 <= 0)
                throw EParlune(QStringLiteral("oops!"));
        emitChange<T>(offset1, len2, ckAdd);
        return;
    }
    if (len2 == 0) {
        emitChange<T>(offset1, len1, ckDelete);
        return;
    }
    const T *A = seq1<T>() + offset1;
    const T *B = seq2<T>() + offset2;
    if (len1 == 1 && len2 == 1) {
        if constexpr (kIsInt<T>)
            if (A[0] == B[0])
                throw EParlune(QStringLiteral("oops!"));
        emitChange<T>(offset1, 1, ckDelete);
        emitChange<T>(offset1, 1, ckAdd);
        return;
    }

    const int m = std::max(len1, len2);
    TDiagWindow window;
    resetDiagonals(m, len1, len2, window);
    int32_t *const fd = fDiag;
    int32_t *const bd = bDiag;
    const int delta = len1 - len2;
    const bool oddDelta = (delta & 1) != 0;
    const bool wide = fOptions.wideLoops && DiagonalsAvx2::Available();

    int visitsToCheck = kVisitsPerClockCheck;
    for (int D = 1; D <= m; ++D) {
        visitsToCheck -= 2 * D + 2;  // at most D + 1 diagonals in each pass
        if (visitsToCheck <= 0) {
            fVisitBudget -= kVisitsPerClockCheck - visitsToCheck;
            visitsToCheck = kVisitsPerClockCheck;
            yield();
            if (stopped())
                return;
        }
        // Step D reads diagonals -D-1..D+1 and delta-D-1..delta+D+1.
        widenDiagonals(m, std::min(-D, delta - D) - 1, std::max(D, delta + D) + 1, window);
        if (D == kDisjointCheckAt && !fSeen.empty() && noSnakeYet(fd, D - 1, len1, len2)
            && disjoint(A, len1, B, len2)) {
            emitChange<T>(offset1, len1, ckDelete);
            emitChange<T>(offset1 + len1, len2, ckAdd);
            return;
        }

        int k = D;
        while (k > len1)
            k -= 2;
        const int lowForward = std::max(-D, -len2);
        bool met = false;
        if constexpr (kIsInt<T>)
            met = wide && DiagonalsAvx2::Forward(A, B, fd, bd, k, lowForward, len1, len2, oddDelta);
        for (; !met && k >= lowForward; k -= 2) {
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
            const int x = fd[k];
            const int y = x - k;
            int xs = x + 1;
            int ys = y + 1;
            while (xs > 0 && ys > 0 && A[xs - 1] == B[ys - 1]) {
                --xs;
                --ys;
            }
            recursiveDiff<T>(offset1, offset2, xs, ys);
            recursiveDiff<T>(offset1 + x + 1, offset2 + y + 1, len1 - x - 1, len2 - y - 1);
            return;
        }

        k = delta + D;
        while (k > len1)
            k -= 2;
        const int lowBackward = std::max(delta - D, -len2);
        if constexpr (kIsInt<T>)
            met = wide && DiagonalsAvx2::Backward(A, B, fd, bd, k, lowBackward, len1, len2);
        for (; !met && k >= lowBackward; k -= 2) {
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
            int xs = bd[k] + 1;
            int ys = xs - k;
            recursiveDiff<T>(offset1, offset2, xs, ys);
            while (xs < len1 && ys < len2 && A[xs] == B[ys]) {
                ++xs;
                ++ys;
            }
            recursiveDiff<T>(offset1 + xs, offset2 + ys, len1 - xs, len2 - ys);
            return;
        }
    }
    throw EParlune(QString::fromLatin1(recursionError<T>()));
}

template <typename T>
void TDiff::appendMatch()
{
    TCompareRec &last = LastCompareRec;
    last.Kind = ckNone;
    ++last.oldIndex1;
    ++last.oldIndex2;
    setValue1<T>(last, seq1<T>()[last.oldIndex1]);
    setValue2<T>(last, seq2<T>()[last.oldIndex2]);
    if (fOptions.keepRecords)
        fCompareList.push_back(last);
    ++fDiffStats.matches;
    recordWritten();
}

template <typename T>
void TDiff::emitChange(int offset1, int count, TChangeKind kind)
{
    TCompareRec &last = LastCompareRec;
    while (last.oldIndex1 < offset1 - 1 && !fCancelled)
        appendMatch<T>();

    // A run of deletes followed by adds (or the reverse) pairs up into
    // modifies, first with first; fRunStart is the first unpaired record.
    const TChangeKind opposite = kind == ckAdd ? ckDelete : ckAdd;
    const bool keep = fOptions.keepRecords;
    for (int i = 0; i < count && !fCancelled; ++i) {
        recordWritten();
        if (last.Kind == opposite) {
            ++fDiffStats.modifies;
            if (kind == ckAdd) {
                --fDiffStats.deletes;
                ++last.oldIndex2;
            } else {
                --fDiffStats.adds;
                ++last.oldIndex1;
            }
            if (keep) {
                TCompareRec &r = fCompareList[fRunStart];
                r.Kind = ckModify;
                if (kind == ckAdd) {
                    r.oldIndex2 = last.oldIndex2;
                    setValue2<T>(r, seq2<T>()[last.oldIndex2]);
                } else {
                    r.oldIndex1 = last.oldIndex1;
                    setValue1<T>(r, seq1<T>()[last.oldIndex1]);
                }
            }
            if (--fUnpaired == 0)
                last.Kind = ckModify;
            ++fRunStart;
            continue;
        }
        if (last.Kind != kind) {
            fRunStart = fCompareList.size();
            fUnpaired = 0;
        }
        last.Kind = kind;
        if (kind == ckAdd) {
            setValue1<T>(last, T(0));
            ++last.oldIndex2;
            setValue2<T>(last, seq2<T>()[last.oldIndex2]);
            ++fDiffStats.adds;
        } else {
            setValue2<T>(last, T(0));
            ++last.oldIndex1;
            setValue1<T>(last, seq1<T>()[last.oldIndex1]);
            ++fDiffStats.deletes;
        }
        ++fUnpaired;
        if (keep)
            fCompareList.push_back(last);
    }
}
