#include "app/PaneSync.h"

#include "panes/TextPane.h"

#include <QScopedValueRollback>

TPaneSync::TPaneSync(TTextPane *left, TTextPane *right, QObject *parent)
    : QObject(parent), fLeft(left), fRight(right)
{
    connect(left, &TTextPane::TopLineChanged, this, [this, left, right] { follow(left, right); });
    connect(right, &TTextPane::TopLineChanged, this, [this, left, right] { follow(right, left); });
    connect(left, &TTextPane::HorizontalScrolled, this, [this, left, right] { followSideways(left, right); });
    connect(right, &TTextPane::HorizontalScrolled, this, [this, left, right] { followSideways(right, left); });
    for (TTextPane *pane : {left, right})
        connect(pane, &TTextPane::OwnScrollReachChanged, this, &TPaneSync::shareReach);
    shareReach();
}

void TPaneSync::followSideways(TTextPane *leader, TTextPane *follower)
{
    if (fFollowing)
        return;
    const QScopedValueRollback guard(fFollowing, true);
    follower->SetHorizontalOffset(leader->HorizontalOffset());
}

void TPaneSync::shareReach()
{
    const qreal reach = std::max(fLeft->OwnScrollReach(), fRight->OwnScrollReach());
    fLeft->SetMinimumScrollReach(reach);
    fRight->SetMinimumScrollReach(reach);
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
