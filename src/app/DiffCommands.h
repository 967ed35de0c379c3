#pragma once
// Working through the differences after a pass: next and previous
// difference, taking the left text of a difference into the right pane,
// and the "Difference k of n" field of the status bar.

#include "compare/DiffRuns.h"
#include "session/Side.h"

#include <QObject>

class QAction;
class QLabel;
class QStatusBar;
class QWidget;
class TSession;
class TTextPane;

class TDiffCommands : public QObject
{
    Q_OBJECT
public:
    static inline const QString kNoNext = QStringLiteral("No further difference");
    static inline const QString kNoPrevious = QStringLiteral("No earlier difference");
    static inline const QString kNotInDifference = QStringLiteral("The caret is not in a difference");

    // The actions are added to window, the field to its status bar.
    TDiffCommands(TSession &session, const TPerSide<TTextPane *> &panes, QWidget *window, QStatusBar *statusBar);

    QAction *NextAction;      // Alt+Down, F8
    QAction *PreviousAction;  // Alt+Up, Shift+F8
    QAction *CopyLeftAction;  // Alt+Right
    QLabel *PositionLabel;    // "Difference k of n", permanent at the right of the status bar

    void Next();
    void Previous();
    void CopyLeftTextHere();
    // After a pass: the field shows where the caret stands among the runs.
    void PassEnded();

signals:
    // The right text's marks changed (a run taken across): the overview is
    // to be painted again.
    void MarksChanged();
    // The view of both panes moved to a difference.
    void Moved();

private:
    void goTo(const DiffRuns::TRun &run);
    void showPosition();
    void say(const QString &text);
    void marksChanged();
    void caretMoved();
    // The pane the commands work from: the left one while it has the focus.
    TTextPane *from() const;
    // The row a search starts from: the caret's while the caret is in view,
    // else the first row in view (next: the row above it).
    int startRow(bool forward) const;

    TSession &fSession;
    TPerSide<TTextPane *> fPanes;
    QStatusBar *fStatusBar;
    bool fFromTop = false;
    bool fRecountDue = false;
    bool fMoving = false;  // the commands themselves move the carets  // no move since the pass: "next" starts above row 0
};
