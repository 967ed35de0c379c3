#pragma once
// TRunTiming: a log of how the folder window keeps up while a walk runs,
// written to standard error when PARLUNE_FOLDER_TIMING is set (with the
// value "exit" the program also ends once the walk has ended). It tells how
// soon the first rows came (in the model, and in the view after the
// filter), when the walk ended, and the longest time the event loop did not
// turn: a timer asks for a tick every few milliseconds and the longest gap
// between two ticks, less that interval, is the longest stall.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QAbstractItemModel;

namespace FolderView {

class TRunTiming : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 2;

    // Null unless the environment asks for the log.
    static TRunTiming *FromEnvironment(QObject *parent);

    TRunTiming(bool exitAtEnd, QObject *parent);
    void Watch(QAbstractItemModel *model, QAbstractItemModel *view);
    void Started();
    void Finished(qsizetype entries, qint64 longestFeed);

private:
    void tick();

    bool fExitAtEnd = false;
    QElapsedTimer fClock;
    QElapsedTimer fSinceTick;
    QTimer fTicker;
    qint64 fFirstInModel = -1;
    qint64 fFirstInView = -1;
    qint64 fLongestStall = 0;
    qint64 fStallAt = 0;
};

} // namespace FolderView
