#include "compare/CompareOps.h"

#include "compare/HashUnit.h"
#include "compare/LineInterner.h"
#include "compare/TwoThreads.h"

#include <QThreadPool>
#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <tuple>

namespace CompareOps {

namespace {

// Below this many lines a second thread costs more than it saves.
constexpr size_t kParallelHashLines = 50000;
// From this many rows on, a pass that yields hashes the lines and copies
// the row infos it may go back to on other threads: for millions of rows
// the copies alone, and the faults of their fresh pages, would keep the
// window's thread from its events for more than a frame.
constexpr size_t kAsideRows = 100000;

// Row infos of `rows` rows, written once so that their pages are there.
std::vector<TRowInfo> readyRoom(size_t rows)
{
    return std::vector<TRowInfo>(rows);
}

// Keeps the list of runs in progress right on every way out of a run.
class TRunRegistration
{
public:
    TRunRegistration(std::vector<TComparePass::TPassRun *> &list, TComparePass::TPassRun *run) : fList(list), fRun(run)
    {
        fList.push_back(run);
    }
    ~TRunRegistration() { fList.erase(std::find(fList.begin(), fList.end(), fRun)); }

private:
    std::vector<TComparePass::TPassRun *> &fList;
    TComparePass::TPassRun *fRun;
};

// Runs `work` on a second thread while this one yields at least every
// interval (1 ms at the least), so that the window stays alive while long
// texts are interned. The work reads the snapshots and the lists' row
// infos, which nothing changes while a pass runs (edits wait for it). Rethrows what the work throws. When a
// yield throws, stop is raised before the future's destructor waits for
// the work, so the work ends within a few thousand lines instead of at
// its end.
template <typename Work>
auto runAside(Work work, const TDiff::TYield &yield, std::chrono::nanoseconds interval, std::atomic<bool> &stop)
{
    if (!yield)
        return work();
    auto result = std::async(std::launch::async, std::move(work));
    const auto wait = std::max<std::chrono::nanoseconds>(interval, std::chrono::milliseconds(1));
    try {
        while (result.wait_for(wait) != std::future_status::ready)
            yield();
    } catch (...) {
        stop = true;
        throw;
    }
    return result.get();
}

// Frees what a large pass leaves behind on a pool thread: giving back
// hundreds of megabytes would hold the window's thread for tens of
// milliseconds. Only the task owns it, so it is freed there.
template <typename T>
void releaseAside(T &&leftOver)
{
    auto held = std::make_shared<std::decay_t<T>>(std::move(leftOver));
    QThreadPool::globalInstance()->start([held = std::move(held)]() mutable { held.reset(); });
}

inline bool sameLine(const TLineRec &a, const TLineRec &b, const TCompareRule &rule)
{
    if (rule.NormalizedLines())
        return HashUnit::NormalizedHashOf(a) == HashUnit::NormalizedHashOf(b) && HashUnit::NormalizedEqual(a, b);
    return CompareRule::Equal(a, b, rule);
}

// How many lines at the end, and then at the start of what is left, the
// two lists have in common: what the engine would strip first. Lines there
// need no id, so nearly equal texts skip most of the interning.
struct TCommonEnds
{
    int head = 0;
    int tail = 0;

    TCommonEnds(const std::vector<TLineRec> &a, const std::vector<TLineRec> &b, const TCompareRule &rule)
    {
        const int n1 = int(a.size());
        const int n2 = int(b.size());
        while (tail < n1 && tail < n2 && sameLine(a[size_t(n1 - 1 - tail)], b[size_t(n2 - 1 - tail)], rule))
            ++tail;
        while (head < n1 - tail && head < n2 - tail && sameLine(a[size_t(head)], b[size_t(head)], rule))
            ++head;
    }
};

// The script of the whole texts: matches for the common head, the engine's
// records for the lines between (indices moved past the head), matches for
// the common tail. The engine would have made the same records of the
// whole lists, as it strips the same ends first; head and tail records carry
// no values.
class TScript
{
public:
    TScript(const std::vector<TCompareRec> &middle, int head, int tail, int n1, int n2)
        : fMiddle(middle), fHead(head), fTail(tail), fN1(n1), fN2(n2) {}

    int Count() const { return fHead + int(fMiddle.size()) + fTail; }
    TCompareRec At(int k) const
    {
        if (k < fHead)
            return match(k, k);
        k -= fHead;
        if (k < int(fMiddle.size())) {
            TCompareRec r = fMiddle[size_t(k)];
            r.oldIndex1 += fHead;
            r.oldIndex2 += fHead;
            return r;
        }
        k -= int(fMiddle.size());
        return match(fN1 - fTail + k, fN2 - fTail + k);
    }

private:
    static TCompareRec match(int i, int j)
    {
        TCompareRec r;
        r.oldIndex1 = i;
        r.oldIndex2 = j;
        return r;
    }

    const std::vector<TCompareRec> &fMiddle;
    int fHead;
    int fTail;
    int fN1;
    int fN2;
};

// Ids for the lines between the common head and tail alone.
THashLists internBetween(const TLineSnapshot &left, const TLineSnapshot &right, const TCommonEnds &ends,
                         const std::atomic<bool> *stop, const TCompareRule &rule)
{
    const auto middle = [&](const std::vector<TLineRec> &lines) {
        return std::vector<TLineRec>(lines.begin() + ends.head, lines.end() - ends.tail);
    };
    THashLists ids;
    CompareRule::InternLines(middle(left.lines()), middle(right.lines()), rule, ids.left, ids.right, stop);
    return ids;
}

// The common ends and the ids of what lies between them: when the common
// ends hold most lines, only the lines between them are interned and handed
// to the engine (copying them costs little then); otherwise all lines are,
// and the engine strips the ends itself.
struct TInterned
{
    TCommonEnds ends;
    THashLists ids;
};

TInterned internForEngine(const TLineSnapshot &left, const TLineSnapshot &right, const std::atomic<bool> *stop,
                          const TCompareRule &rule)
{
    TInterned r{TCommonEnds(left.lines(), right.lines(), rule), {}};
    const qint64 between = qint64(left.Count()) + right.Count() - 2 * (qint64(r.ends.head) + r.ends.tail);
    if (between * 4 > qint64(left.Count()) + right.Count())
        r.ends.head = r.ends.tail = 0;
    r.ids = r.ends.head + r.ends.tail ? internBetween(left, right, r.ends, stop, rule)
                                      : BuildHashLists(left, right, stop, rule);
    return r;
}

void runEngine(TDiff &engine, THashLists &ids)
{
    const int len1 = int(ids.left.size());
    const int len2 = int(ids.right.size());
    // Ids index the lines interned, left first.
    engine.SetIdLimit(int32_t(std::min<qint64>(qint64(len1) + len2, INT32_MAX)));
    engine.Execute(ids.left.data(), ids.right.data(), len1, len2);
}

// The lines a pass compares of lines as read: a pane of no lines holds one
// empty line; when the rule ignores empty lines, a list's lines without its
// empty ones, or its first line alone when all are empty (as
// DeleteEmptyLines leaves a pane).
void keepComparedLines(std::vector<TLineRec> &lines, const TCompareRule &rule)
{
    if (!rule.ignoreEmptyLines) {
        if (lines.empty())
            lines.assign(1, TLineRec{});
        return;
    }
    if (std::all_of(lines.begin(), lines.end(), [](const TLineRec &r) { return r.length == 0; })) {
        lines.assign(1, TLineRec{});
        return;
    }
    std::erase_if(lines, [](const TLineRec &r) { return r.length == 0; });
}

} // namespace

TDiffStats CountChanges(std::vector<TLineRec> left, std::vector<TLineRec> right, const TCompareRule &rule)
{
    keepComparedLines(left, rule);
    keepComparedLines(right, rule);
    for (std::vector<TLineRec> *lines : {&left, &right})
        for (TLineRec &r : *lines)
            if (!r.hashed) {
                r.hash = HashUnit::HashNormalized(r);
                r.hashed = 1;
            }
    const TLineSnapshot l{std::make_shared<const std::vector<TLineRec>>(std::move(left)), {}};
    const TLineSnapshot r{std::make_shared<const std::vector<TLineRec>>(std::move(right)), {}};
    TInterned interned = internForEngine(l, r, nullptr, rule);
    TDiff engine;
    TDiff::TOptions counting;
    counting.keepRecords = false;  // the counts are all that is asked for
    engine.SetOptions(counting);
    runEngine(engine, interned.ids);
    TDiffStats stats = engine.DiffStats();
    stats.matches += interned.ends.head + interned.ends.tail;
    return stats;
}

THashLists BuildHashLists(const TLineSnapshot &left, const TLineSnapshot &right, const std::atomic<bool> *stop,
                          const TCompareRule &rule)
{
    THashLists ids;
    CompareRule::InternLines(left.lines(), right.lines(), rule, ids.left, ids.right, stop);
    return ids;
}

void HashLines(TLines &left, TLines &right)
{
    if (size_t(left.Count()) + size_t(right.Count()) >= kParallelHashLines) {
        RunOnTwoThreads([&] { left.ComputeHashes(HashUnit::HashNormalized); },
                        [&] { right.ComputeHashes(HashUnit::HashNormalized); });
    } else {
        left.ComputeHashes(HashUnit::HashNormalized);
        right.ComputeHashes(HashUnit::HashNormalized);
    }
}

void RemoveBlankLines(TLines &pane)
{
    pane.DeleteEmptyLines();
}

TLines *TComparePass::pane(int paneNo)
{
    if (paneNo == 1)
        return &fLeft;
    if (paneNo == 2)
        return &fRight;
    return nullptr;
}

void TComparePass::AddBlankLine(int paneNo)
{
    if (TLines *p = pane(paneNo))
        p->Add(u"");
}

void TComparePass::SetLineBreakPoint(int paneNo, int lineNo)
{
    TLines *p = pane(paneNo);
    if (p && lineNo >= 1 && lineNo <= p->Count())
        p->SetBreakPoint(lineNo - 1, true);
}

void TComparePass::SetLineBookmark(int paneNo, int lineNo)
{
    TLines *p = pane(paneNo);
    if (p && lineNo <= p->Count())
        p->SetBookmark(lineNo - 1, true);
}

void TComparePass::Cancel()
{
    for (TPassRun *run : fRuns) {
        run->cancelled = true;
        run->stop = true;
        if (run->engine)
            run->engine->Cancel();
    }
}

bool TComparePass::prepareAside(std::optional<TLines::TState> (&before)[2])
{
    TPassRun run;
    TRunRegistration registration(fRuns, &run);
    // Lines not hashed yet (a start-up load leaves that to the pass, to
    // show the texts sooner) are hashed here as well, on two threads,
    // and the hashes put in before the state is saved, while no copy
    // shares the lines. The memory for the saved row infos is made ready
    // meanwhile.
    TLines *const panes[2] = {&fLeft, &fRight};
    std::vector<uint32_t> hashes[2];
    std::vector<TRowInfo> rooms[2];
    runAside([&] {
        auto ready = [&](int side) {
            rooms[side] = readyRoom(size_t(panes[side]->Count()));
            hashes[side] = panes[side]->HashesOf(HashUnit::HashNormalized, &run.stop);
        };
        RunOnTwoThreads([&] { ready(0); }, [&] { ready(1); });
        return true;
    }, fYield, fYieldInterval, run.stop);
    if (run.cancelled)
        return false;
    // Ten million hashes take a while to put in: a piece at a time.
    constexpr size_t kHashesPerYield = size_t(1) << 20;
    for (int side = 0; side < 2; ++side) {
        for (size_t from = 0; from < hashes[side].size(); from += kHashesPerYield) {
            panes[side]->SetHashes(hashes[side], from, from + kHashesPerYield);
            fYield();
        }
    }
    if (run.cancelled)
        return false;  // the hashes stand for the same texts
    // A saved state copies every row info: hundreds of megabytes for
    // millions of rows, so that is done aside too, at this moment (a copy
    // taken earlier could miss a change made in a yield since).
    runAside([&] {
        RunOnTwoThreads([&] { before[0] = fLeft.SaveState(std::move(rooms[0])); },
                        [&] { before[1] = fRight.SaveState(std::move(rooms[1])); });
        return true;
    }, fYield, fYieldInterval, run.stop);
    if (run.cancelled) {
        releaseAside(std::pair{std::move(before[0]), std::move(before[1])});
        return false;
    }
    return true;
}

QString TComparePass::Run()
{
    const bool leftEmpty = fLeft.Count() == 0;
    const bool rightEmpty = fRight.Count() == 0;
    if (leftEmpty && rightEmpty)
        return kNoTextLoaded;
    if (leftEmpty)
        return kNoTextLeft;
    if (rightEmpty)
        return kNoTextRight;
    // A pass that can be cancelled (it yields) can end without rows: then
    // both lists go back to what they held before it, empty lines and old
    // marks included, rather than keep marks on rows they no longer describe.
    std::optional<TLines::TState> before[2];
    const bool large = size_t(fLeft.Count()) + size_t(fRight.Count()) >= kAsideRows;
    if (fYield && large) {
        if (!prepareAside(before))
            return kScanCancelled;  // nothing changed
    } else if (fYield) {
        before[0] = fLeft.SaveState();
        before[1] = fRight.SaveState();
    }
    const auto restore = [&] {
        if (before[0]) {
            fLeft.RestoreState(std::move(*before[0]));
            fRight.RestoreState(std::move(*before[1]));
        }
    };
    // Each step below walks every line once: on large texts the window runs
    // between them, and a cancel meanwhile ends the pass.
    TPassRun steps;
    TRunRegistration registration(fRuns, &steps);
    const auto cancelledBetweenSteps = [&] {
        if (fYield && large)
            fYield();
        return steps.cancelled;
    };
    QString status;
    try {
        if (cancelledBetweenSteps()) {
            restore();
            return kScanCancelled;
        }
        if (fRule.ignoreEmptyLines) {
            RemoveBlankLines(fLeft);
            RemoveBlankLines(fRight);
        } else {
            fLeft.DeleteFillers();
            fRight.DeleteFillers();
        }
        if (cancelledBetweenSteps()) {
            restore();
            return kScanCancelled;
        }
        status = RunComparison();
        // The new rows are in place and told: the window gets a turn before
        // the caller draws the outcome (the overview, the count of
        // differences), which for millions of rows takes a while of its own.
        // A cancel now comes too late to undo anything.
        if (fYield && large && status != kScanCancelled)
            fYield();
    } catch (...) {
        restore();
        throw;
    }
    if (status == kScanCancelled)
        restore();
    if (fYield)
        releaseAside(std::pair{std::move(before[0]), std::move(before[1])});
    return status;
}

QString TComparePass::RunComparison()
{
    // Lines keep their hashes, so only lines new since the last pass are
    // hashed here. The copies share the panes' records and characters, so
    // taking them costs nothing; they keep the texts alive while the panes
    // are rebuilt.
    HashLines(fLeft, fRight);
    TLineSnapshot leftCopy = fLeft.Snapshot();
    TLineSnapshot rightCopy = fRight.Snapshot();
    const int n1 = leftCopy.Count();
    const int n2 = rightCopy.Count();
    TPassRun run;
    TRunRegistration registration(fRuns, &run);

    TInterned interned = runAside([&] { return internForEngine(leftCopy, rightCopy, &run.stop, fRule); }, fYield,
                                  fYieldInterval, run.stop);
    if (run.cancelled)
        return kScanCancelled;
    const TCommonEnds ends = interned.ends;
    THashLists hashes = std::move(interned.ids);

    TDiff engine(fYield);
    engine.SetYieldInterval(fYieldInterval);
    run.engine = &engine;
    runEngine(engine, hashes);
    run.engine = nullptr;
    hashes = THashLists{};  // the engine is done with them: free them before the rebuild
    if (engine.Cancelled())
        return kScanCancelled;

    const TUpdateGuard leftUpdate(fLeft);
    const TUpdateGuard rightUpdate(fRight);

    // Row k stands for record k: the left pane shows line oldIndex1 except
    // on an add, the right pane line oldIndex2 except on a delete, and an
    // empty filler where a side has no line.
    const TScript script(engine.Records(), ends.head, ends.tail, n1, n2);
    const int count = script.Count();
    const auto leftSource = [&](int k) {
        const TCompareRec r = script.At(k);
        return r.Kind == ckAdd ? -1 : r.oldIndex1;
    };
    const auto rightSource = [&](int k) {
        const TCompareRec r = script.At(k);
        return r.Kind == ckDelete ? -1 : r.oldIndex2;
    };
    if (fYield) {
        // Rows for millions of lines take a while to make: they are made on
        // a second thread while this one yields, and put in place at once.
        // The lists are not touched until then, so a failure or a cancel
        // leaves them as they were.
        const auto noMarks = [](int) { return TLineProp{}; };
        const auto rightMarks = [&](int k) {
            const TChangeKind kind = script.At(k).Kind;
            TLineProp p;
            p.Bookmark = kind == ckAdd;
            p.BreakPoint = kind != ckAdd && kind != ckNone;
            return p;
        };
        std::atomic<bool> unused{false};
        // The lists are only read meanwhile (edits wait for the pass), so
        // their infos may be copied on the other threads too. Each side's
        // rows are made on a thread of their own.
        auto plans = runAside([&] {
            std::pair<TLines::TRowsPlan, TLines::TRowsPlan> made;
            const auto makeLeft = [&] {
                made.first = TLines::MakeRows(leftCopy, fLeft.AllRowInfos(), count, leftSource, noMarks);
            };
            const auto makeRight = [&] {
                made.second = TLines::MakeRows(rightCopy, fRight.AllRowInfos(), count, rightSource, rightMarks);
            };
            RunOnTwoThreads(makeLeft, makeRight);
            return made;
        }, fYield, fYieldInterval, unused);
        if (run.cancelled)
            return kScanCancelled;
        // What the rows replace (the lines and row infos as they were) is
        // freed on a pool thread.
        releaseAside(std::tuple{fLeft.TakeRows(std::move(plans.first)), fRight.TakeRows(std::move(plans.second)),
                                std::move(leftCopy), std::move(rightCopy)});
        if (fSink)
            for (int k = 0; k < count; ++k)
                fSink(script.At(k));
    } else {
        fLeft.SetRows(std::move(leftCopy), count, leftSource);
        fRight.SetRows(std::move(rightCopy), count, rightSource);
        for (int k = 0; k < count; ++k) {
            const TCompareRec rec = script.At(k);
            if (fSink)
                fSink(rec);
            if (rec.Kind == ckAdd)
                SetLineBookmark(2, k + 1);
            else if (rec.Kind != ckNone)
                SetLineBreakPoint(2, k + 1);
        }
    }
    fLastStats = engine.DiffStats();
    fLastStats.matches += ends.head + ends.tail;
    const qint64 changes = qint64(fLastStats.adds) + fLastStats.deletes + fLastStats.modifies;
    return kChangesPrefix + QString::number(changes);
}

} // namespace CompareOps
