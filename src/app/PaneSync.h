#pragma once
// Keeps the two panes scrolled together: whenever the first visible line of
// one pane changes (scroll bar, wheel, keys, typing, find, a load), the
// other pane is set to the same first line. The follower's own change is
// not answered, so a follower that stops short (fewer lines) never pulls
// the leader back.

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

    bool fFollowing = false;
};
