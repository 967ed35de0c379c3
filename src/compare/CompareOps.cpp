#include "CompareOps.h"

#include "HashUnit.h"
#include "LineInterner.h"

#include <algorithm>
#include <thread>

namespace CompareOps {

namespace {

// Below this many lines a second thread costs more than it saves.
constexpr size_t kParallelHashLines = 50000;

// Keeps the list of running engines right on every way out of a run.
class TEngineRegistration
{
public:
    TEngineRegistration(std::vector<TDiff *> &list, TDiff *engine) : fList(list), fEngine(engine)
    {
        fList.push_back(engine);
    }
    ~TEngineRegistration() { fList.erase(std::find(fList.begin(), fList.end(), fEngine)); }

private:
    std::vector<TDiff *> &fList;
    TDiff *fEngine;
};

} // namespace

THashLists BuildHashLists(const TLineSnapshot &left, const TLineSnapshot &right)
{
    THashLists ids;
    InternLines(left.lines(), right.lines(), ids.left, ids.right);
    return ids;
}

void HashLines(TLines &left, TLines &right)
{
    if (size_t(left.Count()) + size_t(right.Count()) >= kParallelHashLines) {
        std::thread worker([&] { left.ComputeHashes(HashUnit::HashNormalized); });
        right.ComputeHashes(HashUnit::HashNormalized);
        worker.join();
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
    for (TDiff *engine : fEngines)
        engine->Cancel();
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
    RemoveBlankLines(fLeft);
    RemoveBlankLines(fRight);
    return RunComparison();
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
    THashLists hashes = BuildHashLists(leftCopy, rightCopy);

    TDiff engine(fYield);
    engine.SetYieldInterval(fYieldInterval);
    // Ids index the lines of both copies, left first.
    engine.SetIdLimit(int32_t(std::min<qint64>(qint64(leftCopy.Count()) + rightCopy.Count(), INT32_MAX)));
    {
        TEngineRegistration registration(fEngines, &engine);
        engine.Execute(hashes.left.data(), hashes.right.data(), leftCopy.Count(), rightCopy.Count());
    }
    hashes = THashLists{};  // the engine is done with them: free them before the rebuild
    if (engine.Cancelled())
        return kScanCancelled;

    fLeft.BeginUpdate();
    fRight.BeginUpdate();
    struct TEndUpdates
    {
        TLines &a, &b;
        ~TEndUpdates() { a.EndUpdate(); b.EndUpdate(); }
    } endUpdates{fLeft, fRight};

    // Row k stands for record k: the left pane shows line oldIndex1 except
    // on an add, the right pane line oldIndex2 except on a delete, and an
    // empty filler where a side has no line.
    const std::vector<TCompareRec> &records = engine.Records();
    const int count = int(records.size());
    fLeft.SetRows(std::move(leftCopy), count, [&](int k) {
        const TCompareRec &r = records[size_t(k)];
        return r.Kind == ckAdd ? -1 : r.oldIndex1;
    });
    fRight.SetRows(std::move(rightCopy), count, [&](int k) {
        const TCompareRec &r = records[size_t(k)];
        return r.Kind == ckDelete ? -1 : r.oldIndex2;
    });
    for (int k = 0; k < count; ++k) {
        const TCompareRec &rec = records[size_t(k)];
        if (fSink)
            fSink(rec);
        if (rec.Kind == ckAdd)
            SetLineBookmark(2, k + 1);
        else if (rec.Kind != ckNone)
            SetLineBreakPoint(2, k + 1);
    }
    fLastStats = engine.DiffStats();
    const qint64 changes = qint64(fLastStats.adds) + fLastStats.deletes + fLastStats.modifies;
    return kChangesPrefix + QString::number(changes);
}

} // namespace CompareOps
