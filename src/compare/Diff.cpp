#include "compare/Diff.h"

#include "compare/DiagonalsAvx2.h"
#include "text/Errors.h"
#include "text/TextStore.h"
#include "compare/UniqueChain.h"

#include <algorithm>
#include <system_error>
#include <thread>
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

// The search's budget of diagonal visits before a pair that may take the
// closed form is handed to it: a few visits per element, which keeps the
// work wasted on a long script to a few milliseconds.
constexpr int64_t kBudgetPerElement = 4;
constexpr int64_t kBudgetBase = int64_t(1) << 20;
// The widest value range the disjoint test covers with its bitmap (4 MiB).
constexpr int64_t kMaxSeenBits = int64_t(1) << 25;

template <typename T> constexpr bool kIsInt = std::is_same_v<T, int32_t>;

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
                  std::vector<uint64_t> &seen, TPathBound &bound, std::unique_ptr<TStepPartner> &partner)
        : fExecuting(executing), fBuf(f), bBuf(b), fSeen(seen), fBound(bound), fPartner(partner)
    {
        fExecuting = true;
    }
    ~TExecuteGuard()
    {
        fPartner.reset();
        fBuf.reset();
        bBuf.reset();
        std::vector<uint64_t>().swap(fSeen);
        fBound.Clear();
        fExecuting = false;
    }

private:
    bool &fExecuting;
    std::unique_ptr<int32_t[]> &fBuf;
    std::unique_ptr<int32_t[]> &bBuf;
    std::vector<uint64_t> &fSeen;
    TPathBound &fBound;
    std::unique_ptr<TStepPartner> &fPartner;
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

bool TDiff::partner()
{
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    if (!fPartner && twoCores && !fNoPartner) {
        try {
            fPartner = std::make_unique<TStepPartner>();
        } catch (const std::system_error &) {
            fNoPartner = true;  // no thread to be had: the run goes on with one
        }
    }
    return fPartner != nullptr;
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

    TExecuteGuard guard(fExecuting, fDiagBuffer, bDiagBuffer, fSeen, fBound, fPartner);
    fCancelled = false;
    fVisits = 0;
    fSlack = kFirstSlack;
    fOneThreadSteps = 0;
    fNoPartner = false;
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
    fBoundTried = false;
    fBoundBase = offset;
    fStrippedLen1 = len1;
    fStrippedLen2 = len2;
    recursiveDiff<T>(offset, offset, len1, len2, kNoBound);
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

template <typename T>
void TDiff::recursiveDiff(int offset1, int offset2, int len1, int len2, int bound)
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
    if (len1 == 1 && len2 == 1) {
        if constexpr (kIsInt<T>)
            if (seq1<T>()[offset1] == seq2<T>()[offset2])
                throw EParlune(QStringLiteral("oops!"));
        emitChange<T>(offset1, 1, ckDelete);
        emitChange<T>(offset1, 1, ckAdd);
        return;
    }

    const TSplit s = chooseSplit<T>(offset1, offset2, len1, len2, bound);
    switch (s.kind) {
    case TSplit::Met:
        recursiveDiff<T>(offset1, offset2, s.leftLen1, s.leftLen2, s.leftCost);
        recursiveDiff<T>(offset1 + s.rightFrom1, offset2 + s.rightFrom2, len1 - s.rightFrom1,
                         len2 - s.rightFrom2, s.rightCost);
        return;
    case TSplit::Disjoint:
        emitChange<T>(offset1, len1, ckDelete);
        emitChange<T>(offset1 + len1, len2, ckAdd);
        return;
    case TSplit::Stopped:
    case TSplit::GaveUp:
        return;
    }
}

// Bounded where a bound is known; otherwise plain, turning bounded when a
// search runs long, with a bound of the lower bound plus a slack that grows
// while the attempts give up. Each attempt has an allowance of visits near
// what a bounded search within that slack takes, so that a pair whose lower
// bound is far too low (blocks moved about) loses little before it is
// searched plainly.
template <typename T>
TDiff::TSplit TDiff::chooseSplit(int offset1, int offset2, int len1, int len2, int bound)
{
    constexpr int kLastSlack = 2048;
    constexpr int kSlackGrowth = 4;
    constexpr int64_t kAttemptVisitsBase = int64_t(1) << 20;

    if (fBound.Prepared() && bound != kNoBound) {
        const TSplit s = split<T>(offset1, offset2, len1, len2, bound, INT32_MAX, nullptr);
        if (s.kind != TSplit::GaveUp)
            return s;
        // Not for a true bound; the plain search below is the answer anyway.
    } else if (!fBoundTried && fOptions.boundFromStep > 0) {
        const TSplit s = split<T>(offset1, offset2, len1, len2, kNoBound, fOptions.boundFromStep, nullptr);
        if (s.kind != TSplit::GaveUp)
            return s;
        fBoundTried = true;
        if (fBound.Prepared() || prepareBound<T>()) {
            const int lower = fBound.Edits(offset1 - fBoundBase, offset1 - fBoundBase + len1,
                                           offset2 - fBoundBase, offset2 - fBoundBase + len2);
            for (; fSlack <= kLastSlack; fSlack *= kSlackGrowth) {
                const int64_t attemptBound = int64_t(lower) + fSlack;
                if (attemptBound >= int64_t(len1) + len2)
                    break;  // no narrower than the plain search
                int64_t allowance = 2 * attemptBound * fSlack + kAttemptVisitsBase;
                const TSplit t = split<T>(offset1, offset2, len1, len2, int(attemptBound), INT32_MAX, &allowance);
                if (t.kind != TSplit::GaveUp)
                    return t;
            }
        }
    }
    return split<T>(offset1, offset2, len1, len2, kNoBound, INT32_MAX, nullptr);
}

template <typename T>
bool TDiff::prepareBound()
{
    const T *s1 = seq1<T>() + fBoundBase;
    const T *s2 = seq2<T>() + fBoundBase;
    const bool prepared = fBound.Prepare(s1, fStrippedLen1, s2, fStrippedLen2, [this] {
        yield();
        return !stopped();
    });
    return prepared && !stopped();
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
