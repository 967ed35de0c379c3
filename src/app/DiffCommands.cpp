#include "app/DiffCommands.h"

#include "compare/CompareOps.h"
#include "session/Session.h"
#include "platform/Guarded.h"
#include "panes/TextPane.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QScopedValueRollback>
#include <QTimer>
#include <climits>
#include <algorithm>

namespace {

// How long a note ("No further difference") stays in the status bar.
constexpr int kNoteMs = 2500;
// Rows shown above a difference that is brought into view, where it fits.
constexpr int kRowsAbove = 3;

} // namespace

TDiffCommands::TDiffCommands(TSession &session, const TPerSide<TTextPane *> &panes, QWidget *window,
                             QStatusBar *statusBar)
    : QObject(window), fSession(session), fPanes(panes), fStatusBar(statusBar)
{
    auto action = [&](const QString &text, const QList<QKeySequence> &keys, void (TDiffCommands::*slot)()) {
        auto *a = new QAction(text, window);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
        connect(a, &QAction::triggered, this, Guarded([this, slot] { (this->*slot)(); }));
        return a;
    };
    NextAction = action(QStringLiteral("Next Difference"), {QKeySequence(Qt::ALT | Qt::Key_Down), QKeySequence(Qt::Key_F8)},
                        &TDiffCommands::Next);
    PreviousAction = action(QStringLiteral("Previous Difference"),
                            {QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::SHIFT | Qt::Key_F8)},
                            &TDiffCommands::Previous);
    CopyLeftAction = action(QStringLiteral("Copy Left Text Here"), {QKeySequence(Qt::ALT | Qt::Key_Right)},
                            &TDiffCommands::CopyLeftTextHere);
    fPanes[TSide::Right]->AddExtraMenuActions(QStringLiteral("Difference"), {NextAction, PreviousAction, CopyLeftAction});

    for (TTextPane *pane : fPanes.values)
        connect(pane, &TTextPane::CaretMoved, this, &TDiffCommands::caretMoved);
    PositionLabel = new QLabel;
    PositionLabel->setContentsMargins(0, 0, 8, 0);
    fStatusBar->addPermanentWidget(PositionLabel);
    // A new text (a load, a pass rebuilding the panes) ends what the field said.
    connect(&fSession.Lines(TSide::Right), &TLines::Reset, PositionLabel, &QLabel::clear);
    // Marks change outside a pass only by editing steps and their undo:
    // counted once those have settled.
    connect(&fSession.Lines(TSide::Right), &TLines::MarksChanged, this, [this] {
        if (!fRecountDue) {
            fRecountDue = true;
            QTimer::singleShot(0, this, [this] {
                fRecountDue = false;
                marksChanged();
            });
        }
    });
}

void TDiffCommands::PassEnded()
{
    fFromTop = true;
    showPosition();
}

TTextPane *TDiffCommands::from() const
{
    TTextPane *left = fPanes[TSide::Left];
    return left->hasFocus() ? left : fPanes[TSide::Right];
}

int TDiffCommands::startRow(bool forward) const
{
    const TTextPane *pane = from();
    const int caret = pane->CaretPos().line;
    const int top = pane->TopLine();
    if (caret >= top && caret < top + std::max(1, pane->VisibleLineCount()))
        return fFromTop ? -1 : caret;  // right after a pass: from above the first row
    return forward ? top - 1 : top;
}

void TDiffCommands::caretMoved()
{
    if (fMoving)
        return;
    // The user moved: "next" goes from here, and a note of the last move is done.
    fFromTop = false;
    const QString note = fStatusBar->currentMessage();
    if (note == kNoNext || note == kNoPrevious || note == kNotInDifference)
        fStatusBar->clearMessage();
    if (!PositionLabel->text().isEmpty())
        showPosition();
}

void TDiffCommands::showPosition()
{
    const TLines &right = fSession.Lines(TSide::Right);
    const DiffRuns::TPosition p = DiffRuns::Position(right, fFromTop ? -1 : from()->CaretPos().line);
    const QString index = p.index > 0 ? QString::number(p.index) : QStringLiteral("\u2013");
    PositionLabel->setText(QStringLiteral("Difference %1 of %2").arg(index).arg(p.total));
}

void TDiffCommands::say(const QString &text)
{
    fStatusBar->showMessage(text, kNoteMs);
}

void TDiffCommands::goTo(const DiffRuns::TRun &run)
{
    TTextPane *right = fPanes[TSide::Right];
    TTextPane *left = fPanes[TSide::Left];
    const int visible = right->VisibleLineCount();
    const int top = std::max(0, run.first - std::clamp(visible - run.count, 0, kRowsAbove));
    // Writing TopLine where every line fits would move the caret to the start.
    if (right->Lines().Count() >= visible) {
        right->SetTopLine(top);
        if (left->Lines().Count() >= visible)
            left->SetTopLine(top);
    }
    {
        const QScopedValueRollback moving(fMoving, true);
        right->SetCaretPos({run.first, 0});
        if (left->Lines().Count() > run.first)
            left->SetCaretPos({run.first, 0});
    }
    fFromTop = false;
    right->UpdateMemo();
    left->UpdateMemo();
    emit Moved();
    showPosition();
}

void TDiffCommands::Next()
{
    const TLines &right = fSession.Lines(TSide::Right);
    if (const auto run = DiffRuns::Next(right, startRow(true)))
        goTo(*run);
    else
        say(kNoNext);
}

void TDiffCommands::Previous()
{
    const TLines &right = fSession.Lines(TSide::Right);
    if (const auto run = DiffRuns::Previous(right, startRow(false)))
        goTo(*run);
    else
        say(kNoPrevious);
}

void TDiffCommands::CopyLeftTextHere()
{
    if (fSession.Refuse(TCommand::CopyAcross))
        return;
    TTextPane *rightPane = fPanes[TSide::Right];
    TLines &right = rightPane->Lines();
    const TLines &left = fPanes[TSide::Left]->Lines();
    const auto run = DiffRuns::At(right, rightPane->CaretPos().line);
    if (!run || !rightPane->Writable()) {
        say(run ? QString() : kNotInDifference);
        return;
    }
    // The left lines the run stands against: the rows the comparison
    // paired with the run's rows, wherever edits since have moved them.
    int low = INT_MAX, high = -1;
    for (int r = run->first; r < run->first + run->count; ++r) {
        const int paired = right.Row(r).passRow;
        if (paired >= 0) {
            low = std::min(low, paired);
            high = std::max(high, paired);
        }
    }
    QStringList taken;
    for (int p = std::max(low, 0); p <= high && p < left.Count(); ++p)
        if (left.Row(p).passRow == p && !left.Row(p).filler())
            taken << left.Get(p);
    const int last = run->first + run->count - 1;
    TTextPos from{run->first, 0};
    TTextPos to{last + 1, 0};
    QString text = taken.join(u'\n');
    if (last + 1 >= right.Count()) {
        to = {last, right.Length(last)};  // the run ends the text: no line break follows it
        if (taken.isEmpty() && run->first > 0)
            from = {run->first - 1, right.Length(run->first - 1)};
    } else if (!taken.isEmpty()) {
        text += u'\n';
    }
    {
        // The text and the marks change as one undo step: undoing it brings
        // back the run and its marks.
        TTextPane::TEditGroup step(*rightPane, CopyLeftAction->text());
        rightPane->ReplaceText(from, to, text);
        // The rows now hold the left text: they are no longer a difference.
        if (!taken.isEmpty())
            rightPane->ClearMarks(run->first, std::min<int>(int(taken.size()), right.Count() - run->first));
    }
    marksChanged();
}

void TDiffCommands::marksChanged()
{
    // The count and the field describe the marks of the last pass as they
    // stand now (a run taken across, or that step undone or redone).
    if (!fSession.Status().startsWith(CompareOps::kChangesPrefix))
        return;
    fSession.SetStatus(CompareOps::kChangesPrefix + QString::number(DiffRuns::MarkedRows(fSession.Lines(TSide::Right))));
    emit MarksChanged();
    showPosition();
}
