#pragma once
// The comparison pass over the two panes' line lists: check that both hold
// text, drop empty lines, give every line an id (equal ids exactly for lines
// equal but for letter case, spaces and tabs), run the engine, and rebuild
// both lists row by row with empty fillers and marks on the right list.
// A rule (SetRule) may make case, blanks or empty lines count.

#include "compare/CompareRule.h"
#include "compare/Diff.h"
#include "text/Lines.h"

#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace CompareOps {

inline const QString kNoTextLoaded = QStringLiteral("No Text Loaded");
inline const QString kNoTextLeft = QStringLiteral("No Text in Left Window");
inline const QString kNoTextRight = QStringLiteral("No Text in Right Editor");
inline const QString kChangesPrefix = QStringLiteral("Changes=");
inline const QString kScanCancelled = QStringLiteral("Scan Cancelled");

struct THashLists
{
    std::vector<int32_t> left;
    std::vector<int32_t> right;
};

// Gives every line of both lists its normalised hash (those that have none).
void HashLines(TLines &left, TLines &right);
// One id per line of each list; the two lists share one
// id space, and two lines get the same id exactly when they count as equal.
// Interning ends early, the ids unfinished, once stop turns true.
THashLists BuildHashLists(const TLineSnapshot &left, const TLineSnapshot &right,
                          const std::atomic<bool> *stop = nullptr, const TCompareRule &rule = {});

// The statistics a pass over lists of these lines would end with (changes
// and matches), without the rows: for a caller that wants only the count.
// The lines need not carry their hashes.
TDiffStats CountChanges(std::vector<TLineRec> left, std::vector<TLineRec> right, const TCompareRule &rule = {});

// Deletes every line that is the empty string (a pane keeps its only line).
void RemoveBlankLines(TLines &pane);

class TComparePass
{
public:
    TComparePass(TLines &left, TLines &right) : fLeft(left), fRight(right) {}

    void SetYield(TDiff::TYield yield) { fYield = std::move(yield); }
    // What counts as a difference; without ignoring empty lines, the pass
    // keeps them in the lists and compares them.
    void SetRule(const TCompareRule &rule) { fRule = rule; }
    const TCompareRule &Rule() const { return fRule; }
    // The least time between two yields of the engine (TDiff::SetYieldInterval).
    void SetYieldInterval(std::chrono::nanoseconds interval) { fYieldInterval = interval; }
    // Sees every compare record of the script, in order, during rebuild.
    // Kinds and indices are the engine's for the whole texts; the values
    // are ids, and 0 in the common head and tail, where no id is made.
    void SetRecordSink(std::function<void(const TCompareRec &)> sink) { fSink = std::move(sink); }

    // The whole pass; returns the status text. Engine errors propagate after
    // the blank lines were removed and before the lists are cleared.
    QString Run();
    // Hashing, engine and rebuild; returns "Changes=N" or "Scan Cancelled".
    QString RunComparison();

    // Stops every run of this pass at its next yield.
    void Cancel();
    bool Running() const { return !fRuns.empty(); }
    const TDiffStats &LastStats() const { return fLastStats; }

    // One run in progress: whether it was cancelled, and its engine while
    // the engine runs.
    struct TPassRun
    {
        bool cancelled = false;
        std::atomic<bool> stop{false};  // the same, for interning on the second thread
        TDiff *engine = nullptr;
    };

    // Pane 1 is the left list, 2 the right; other numbers do nothing.
    // Line numbers are 1-based; one beyond Count does nothing.
    void AddBlankLine(int paneNo);
    void SetLineBreakPoint(int paneNo, int lineNo);
    void SetLineBookmark(int paneNo, int lineNo);

private:
    TLines *pane(int paneNo);
    // For a large pass that yields: hashes the lines not hashed yet and
    // saves both lists' states (into before) on other threads while the
    // window runs. False when the pass was cancelled meanwhile; the lists
    // are then as they were.
    bool prepareAside(std::optional<TLines::TState> (&before)[2]);

    TLines &fLeft;
    TLines &fRight;
    TDiff::TYield fYield;
    std::chrono::nanoseconds fYieldInterval = std::chrono::milliseconds(10);
    std::function<void(const TCompareRec &)> fSink;
    std::vector<TPassRun *> fRuns;  // runs in progress, innermost last
    TDiffStats fLastStats;
    TCompareRule fRule;
};

} // namespace CompareOps
