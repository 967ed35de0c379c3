#pragma once
// The difference engine: a shortest edit script between two sequences, as
// an ordered list of compare records (one per row of a side-by-side view),
// by the linear-space divide-and-conquer form of the O(ND) algorithm.
//
// Which of several shortest scripts comes out is fixed: the common tail is
// stripped before the common head, the forward pass tests for a meeting only
// when the length difference is odd, the backward pass on every diagonal,
// and the emitter pairs a run of deletes with a following run of adds (and
// the reverse) into modifies, first with first.

#include "compare/PathBound.h"
#include "compare/StepPartner.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum TChangeKind : uint8_t { ckNone = 0, ckAdd = 1, ckDelete = 2, ckModify = 3 };

const char *ChangeKindName(TChangeKind k);

struct TCompareRec
{
    TChangeKind Kind = ckNone;
    int32_t oldIndex1 = -1;
    int32_t oldIndex2 = -1;
    // The integer variant fills int1/int2, the character variant chr1/chr2.
    union { int32_t int1 = 0; char16_t chr1; };
    union { int32_t int2 = 0; char16_t chr2; };
};

struct TDiffStats
{
    int32_t matches = 0;
    int32_t adds = 0;
    int32_t deletes = 0;
    int32_t modifies = 0;
};

class TDiff
{
public:
    using TYield = std::function<void()>;

    // Longest sequence the engine takes by default. The diagonal range grows
    // with the input (two buffers of 2m + 3 integers, m the longer stripped
    // length); beyond this, Execute refuses with an error.
    static constexpr int kMaxLength = (INT32_MAX - 3) / 2;
    // Up to this step a search costs at most a few million visits: less
    // than preparing the bound, which reads both sequences twice.
    static constexpr int kBoundFromStep = 1024;
    // A step of this many diagonals per pass takes a few microseconds, well
    // above what handing half of it to a second thread costs.
    static constexpr int kTwoThreadsFrom = 4096;

    TDiff() = default;
    explicit TDiff(TYield yield) : fYield(std::move(yield)) {}
    TDiff(const TDiff &) = delete;
    TDiff &operator=(const TDiff &) = delete;

    // Should process pending user-interface events. A run calls it at its
    // first yield point and then whenever the yield interval has passed
    // since the last call; yield points are the start of every recursive
    // step and a clock check every few thousand diagonal visits.
    void SetYield(TYield yield) { fYield = std::move(yield); }
    // 10 ms by default; zero yields at every yield point.
    void SetYieldInterval(std::chrono::nanoseconds interval) { fYieldInterval = interval; }
    // Promises that every value of the integer sequences lies in
    // [0, limit) (0: no promise). With it, a pair in which every value
    // found on both sides occurs once on each side gets its script without
    // the diagonal search, record for record the same (TUniqueChain).
    void SetIdLimit(int32_t limit) { fIdLimit = limit; }

    // When a pair that may take the closed form takes it: by default once
    // a search on a budget of a few visits per element has not finished
    // (a short script is found as fast by the search); Never and Always
    // are there to compare the two.
    enum class TClosedFormUse { Never, AfterShortSearch, Always };
    // Switches that tests and benchmarks turn to hold the engine's
    // shortcuts against its plain search; every default is the program's.
    struct TOptions
    {
        int maxLength = kMaxLength;
        // Off runs the plain search where the two sides share no value.
        bool disjointShortcut = true;
        // Off runs the scalar diagonal loops (the reference) where the
        // processor has AVX2, which otherwise takes eight diagonals at a time.
        bool wideLoops = true;
        TClosedFormUse closedFormUse = TClosedFormUse::AfterShortSearch;
        // Off keeps only DiffStats, for a caller that needs the counts
        // alone: the list stays empty and a long script costs no memory.
        bool keepRecords = true;
        // A search still without a split at this step prepares a lower
        // bound on the edits still to come and goes on bounded, which
        // narrows each step to the diagonals a shortest script may still
        // take; the records stay the plain search's. 0: never.
        int boundFromStep = kBoundFromStep;
        // A step of a search whose two passes cover at least this many
        // diagonals each runs on two threads where the machine has two
        // cores, the records staying the same. 0: every step on one.
        int twoThreadsFrom = kTwoThreadsFrom;
    };
    void SetOptions(const TOptions &options) { fOptions = options; }
    const TOptions &Options() const { return fOptions; }

    // True when the list holds the whole script; false without any change
    // when already executing, false with an empty list when cancelled.
    // Internal errors and over-long sequences raise EParlune.
    bool Execute(const int32_t *pints1, const int32_t *pints2, int len1, int len2);
    bool Execute(const char16_t *pchrs1, const char16_t *pchrs2, int len1, int len2);

    void Cancel() { fCancelled = true; }
    void Clear();

    int Count() const { return int(fCompareList.size()); }
    TCompareRec Compares(int index) const { return GetCompare(index); }
    TCompareRec GetCompare(int index) const;
    const TDiffStats &DiffStats() const { return fDiffStats; }
    // All records at once, for passes over the whole list.
    const std::vector<TCompareRec> &Records() const { return fCompareList; }
    bool Cancelled() const { return fCancelled; }
    // True when the last run took its script from the closed form.
    bool UsedClosedForm() const { return fUsedClosedForm; }
    // Diagonals the last run's searches computed: their work, in a figure
    // that does not depend on the machine.
    int64_t Visits() const { return fVisits; }
    bool Executing() const { return fExecuting; }

private:
    template <typename T> bool executeT(const T *s1, const T *s2, int len1, int len2);
    // The middle snake of a sub-problem, with the edits each side of it
    // costs at most, or why there is none.
    struct TSplit
    {
        enum TKind { GaveUp, Met, Disjoint, Stopped } kind = GaveUp;
        int leftLen1 = 0;  // the part before the snake
        int leftLen2 = 0;
        int rightFrom1 = 0;  // where the part after it starts
        int rightFrom2 = 0;
        int leftCost = 0;
        int rightCost = 0;
    };
    static constexpr int kNoBound = INT32_MAX;
    // A sub-problem still without a split at this D is tested for having no
    // element in common. Such a sub-problem always comes out as all its
    // deletes followed by all its adds (no snake ever extends, and the
    // backward pass meets first on the highest diagonal, splitting off a run
    // of deletes), so it is emitted at once instead of searched in
    // O(len * len) steps.
    static constexpr int kDisjointCheckAt = 64;
    template <typename T> void recursiveDiff(int offset1, int offset2, int len1, int len2, int bound);
    template <typename T> TSplit chooseSplit(int offset1, int offset2, int len1, int len2, int bound);
    // Gives up (GaveUp) past stepLimit, when the allowance of visits runs
    // out, and when bounded: when no path within the bound remains.
    template <typename T>
    TSplit split(int offset1, int offset2, int len1, int len2, int bound, int stepLimit, int64_t *allowance);
    template <typename T> bool prepareBound();
    template <typename T> void emitChange(int offset1, int count, TChangeKind kind);
    template <typename T> void appendMatch();
    template <typename T> const T *seq1() const;
    template <typename T> const T *seq2() const;
    struct TDiagWindow
    {
        int lo;
        int hi;
    };
    void resetDiagonals(int m, int len1, int len2, TDiagWindow &w);
    void widenDiagonals(int m, int lo, int hi, TDiagWindow &w);
    template <typename T> void prepareSeen(const T *s1, const T *s2, int offset, int len1, int len2);
    template <typename T> bool disjoint(const T *A, int len1, const T *B, int len2);
    static bool noSnakeYet(const int32_t *fd, int D, int lo, int hi);
    template <typename T> void search(int offset, int len1, int len2);
    bool closedForm(int offset, int len1, int len2);
    void restartScript();
    // A run stops early when cancelled or when a budgeted search ran out.
    bool stopped() const { return fCancelled || fVisitBudget < 0; }
    void yield();
    // Counts a record written; every kRecordsPerYieldCheck records, yields,
    // since a script of millions of records takes a while to write.
    void recordWritten()
    {
        if (++fWrittenSinceCheck >= kRecordsPerYieldCheck) {
            fWrittenSinceCheck = 0;
            yield();
        }
    }
    static constexpr int kRecordsPerYieldCheck = 1 << 15;
    int fWrittenSinceCheck = 0;

    std::vector<TCompareRec> fCompareList;
    bool fCancelled = false;
    bool fExecuting = false;
    std::unique_ptr<int32_t[]> fDiagBuffer;
    std::unique_ptr<int32_t[]> bDiagBuffer;
    const char16_t *Chrs1 = nullptr;
    const char16_t *Chrs2 = nullptr;
    const int32_t *Ints1 = nullptr;
    const int32_t *Ints2 = nullptr;
    TCompareRec LastCompareRec;
    int32_t *fDiag = nullptr;  // fDiag[k] is entry k + m + 1 of fDiagBuffer
    int32_t *bDiag = nullptr;
    TDiffStats fDiffStats;
    size_t fRunStart = 0;  // first unpaired record of the trailing add/delete run
    size_t fUnpaired = 0;  // how many records of that run are unpaired
    TYield fYield;
    std::chrono::nanoseconds fYieldInterval = std::chrono::milliseconds(10);
    std::chrono::steady_clock::time_point fLastYield;
    bool fYieldedThisRun = false;
    int32_t fIdLimit = 0;
    TOptions fOptions;
    bool fUsedClosedForm = false;
    int64_t fVisitBudget = INT64_MAX;
    int64_t fVisits = 0;
    std::vector<uint64_t> fSeen;  // one bit per value in [fSeenBase, ...), for disjoint()
    int64_t fSeenBase = 0;
    // Over the sequences left after stripping, which start at fBoundBase.
    TPathBound fBound;
    int fBoundBase = 0;
    int fStrippedLen1 = 0;
    int fStrippedLen2 = 0;
    bool fBoundTried = false;
    // The slack of a long search's next bounded attempt; it only grows
    // within a run, so that a search done again (after the closed form
    // declined) does not repeat the attempts that gave up.
    static constexpr int kFirstSlack = 32;
    int fSlack = kFirstSlack;
    // Made at a run's first wide step, ended with the run.
    std::unique_ptr<TStepPartner> fPartner;
    // After a timed step that shows the machine busy (see the split
    // search), this many wide steps run on one thread: there, waiting for
    // the second thread would cost more than it saves.
    static constexpr int kOneThreadAfterSlowStep = 4096;
    int fOneThreadSteps = 0;
    uint32_t fStepsTogether = 0;
    // The partner thread, made when missing; false on a one-core machine
    // and once a run could not start one.
    bool partner();
    bool fNoPartner = false;
};
