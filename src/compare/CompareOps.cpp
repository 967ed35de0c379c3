#include "CompareOps.h"

#include "HashUnit.h"
#include "LineInterner.h"

#include <algorithm>
#include <thread>

namespace CompareOps {

namespace {

// Below this many lines a second thread costs more than it saves.
constexpr size_t kParallelHashLines = 50000;

std::vector<uint32_t> hashAll(const TLineSnapshot &s)
{
    std::vector<uint32_t> h(s.lines.size());
    for (size_t i = 0; i < h.size(); ++i)
        h[i] = HashUnit::HashNormalized(s.lines[i]);
    return h;
}

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
    std::vector<uint32_t> leftHashes;
    std::vector<uint32_t> rightHashes;
    if (left.lines.size() + right.lines.size() >= kParallelHashLines) {
        std::thread worker([&] { leftHashes = hashAll(left); });
        rightHashes = hashAll(right);
        worker.join();
    } else {
        leftHashes = hashAll(left);
        rightHashes = hashAll(right);
    }

    TLineInterner interner(left.lines.size() + right.lines.size());
    THashLists ids;
    ids.left.resize(left.lines.size());
    ids.right.resize(right.lines.size());
    for (size_t i = 0; i < ids.left.size(); ++i)
        ids.left[i] = interner.Intern(left.lines[i], leftHashes[i]);
    for (size_t i = 0; i < ids.right.size(); ++i)
        ids.right[i] = interner.Intern(right.lines[i], rightHashes[i]);
    return ids;
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
    // The copies share the panes' characters, so they cost one small record
    // per line; they keep the texts alive while the panes are rebuilt.
    const TLineSnapshot leftCopy = fLeft.Snapshot();
    const TLineSnapshot rightCopy = fRight.Snapshot();
    const THashLists hashes = BuildHashLists(leftCopy, rightCopy);

    TDiff engine(fYield);
    {
        TEngineRegistration registration(fEngines, &engine);
        engine.Execute(hashes.left.data(), hashes.right.data(), leftCopy.Count(), rightCopy.Count());
    }
    if (engine.Cancelled())
        return kScanCancelled;

    fLeft.BeginUpdate();
    fRight.BeginUpdate();
    struct TEndUpdates
    {
        TLines &a, &b;
        ~TEndUpdates() { a.EndUpdate(); b.EndUpdate(); }
    } endUpdates{fLeft, fRight};

    fLeft.Clear();
    fRight.Clear();
    fLeft.AdoptStorage(leftCopy);
    fRight.AdoptStorage(rightCopy);
    const int count = engine.Count();
    for (int k = 0; k < count; ++k) {
        const TCompareRec rec = engine.Compares(k);
        if (fSink)
            fSink(rec);
        const int lineNo = k + 1;
        switch (rec.Kind) {
        case ckNone:
            fLeft.AddFrom(leftCopy, rec.oldIndex1);
            fRight.AddFrom(rightCopy, rec.oldIndex2);
            break;
        case ckAdd:
            fRight.AddFrom(rightCopy, rec.oldIndex2);
            AddBlankLine(1);
            SetLineBookmark(2, lineNo);
            break;
        case ckDelete:
            fLeft.AddFrom(leftCopy, rec.oldIndex1);
            AddBlankLine(2);
            SetLineBreakPoint(2, lineNo);
            break;
        case ckModify:
            fLeft.AddFrom(leftCopy, rec.oldIndex1);
            fRight.AddFrom(rightCopy, rec.oldIndex2);
            SetLineBreakPoint(2, lineNo);
            break;
        }
    }
    fLastStats = engine.DiffStats();
    const qint64 changes = qint64(fLastStats.adds) + fLastStats.deletes + fLastStats.modifies;
    return kChangesPrefix + QString::number(changes);
}

} // namespace CompareOps
