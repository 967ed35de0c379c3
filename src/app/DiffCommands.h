#pragma once
// Working through the differences after a pass: next and previous
// difference, taking the left text of a difference into the right pane,
// and the "Difference k of n" field of the status bar.

#include "compare/DiffRuns.h"

#include <QObject>

class QAction;
class QLabel;
class TMainForm;

class TDiffCommands : public QObject
{
    Q_OBJECT
public:
    static inline const QString kNoNext = QStringLiteral("No further difference");
    static inline const QString kNoPrevious = QStringLiteral("No earlier difference");
    static inline const QString kNotInDifference = QStringLiteral("The caret is not in a difference");

    explicit TDiffCommands(TMainForm &form);

    QAction *NextAction;      // Alt+Down, F8
    QAction *PreviousAction;  // Alt+Up, Shift+F8
    QAction *CopyLeftAction;  // Alt+Right
    QLabel *PositionLabel;    // "Difference k of n", permanent at the right of the status bar

    void Next();
    void Previous();
    void CopyLeftTextHere();
    // After a pass: the field shows where the caret stands among the runs.
    void PassEnded();

private:
    void goTo(const DiffRuns::TRun &run);
    void showPosition();
    void say(const QString &text);

    TMainForm &fForm;
    bool fFromTop = false;  // no move since the pass: "next" starts above row 0
};
