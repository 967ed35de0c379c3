#pragma once
// Keeps the two panes scrolled together: whenever the first visible line of
// one pane changes (scroll bar, wheel, keys, typing, find, a load), the
// other pane is set to the same first line; whenever one is scrolled
// sideways, the other is scrolled as far. The follower's own change is not
// answered, so a follower that stops short (fewer lines) never pulls the
// leader back. Both panes scroll sideways as far as the farther of them
// would alone, so that their columns stay side by side.

#include <QObject>

class TTextPane;

class TPaneSync : public QObject
{
    Q_OBJECT
public:
    TPaneSync(TTextPane *left, TTextPane *right, QObject *parent = nullptr);

signals:
    // A pane moved and the other has followed.
    void Moved();

private:
    void follow(TTextPane *leader, TTextPane *follower);
    void followSideways(TTextPane *leader, TTextPane *follower);
    void shareReach();

    TTextPane *fLeft;
    TTextPane *fRight;

    bool fFollowing = false;
};
