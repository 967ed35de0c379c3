#include "app/PaneSync.h"

#include "panes/TextPane.h"

#include <QScopedValueRollback>

TPaneSync::TPaneSync(TTextPane *left, TTextPane *right, QObject *parent) : QObject(parent)
{
    connect(left, &TTextPane::TopLineChanged, this, [this, left, right] { follow(left, right); });
    connect(right, &TTextPane::TopLineChanged, this, [this, left, right] { follow(right, left); });
}

void TPaneSync::follow(TTextPane *leader, TTextPane *follower)
{
    if (fFollowing)
        return;  // the follower's own change, caused by this call
    const QScopedValueRollback guard(fFollowing, true);
    // A pane without lines has nothing to align; writing its TopLine would
    // place its caret and so give it an empty line it never had.
    if (follower->Lines().Count() == 0) {
        emit Moved();
        return;
    }
    follower->SetTopLine(leader->TopLine());
    // A pane's TopLine rule turns the first line that shows the last row at
    // the bottom (n - v) into n - v + 1; the caret can leave the leader at
    // n - v. With equal texts the leader then takes the follower's line, so
    // that the rows stay side by side.
    if (follower->TopLine() != leader->TopLine() && follower->Lines().Count() == leader->Lines().Count()
        && follower->VisibleLineCount() == leader->VisibleLineCount())
        leader->SetTopLine(follower->TopLine());
    follower->UpdateMemo();
    emit Moved();
}
