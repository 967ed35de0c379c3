#pragma once
// TFolderRun: one walk over two folders (folders/FolderCompare.h) on a
// thread pool, its results fed into a folder model on the window's thread.
// The workers only queue what they find; a timer takes the queue in slices
// of a few milliseconds, so that the window never waits long for the model.

#include "folders/FolderCompare.h"
#include "folderview/FolderModel.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <deque>

namespace FolderView {

class TFolderRun : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 25;   // how often the queue is looked at
    static constexpr int kSliceMs = 20;  // the longest the model is fed at once
    static constexpr int kWorkerNice = 10;

    explicit TFolderRun(TFolderModel &model, QObject *parent = nullptr);
    ~TFolderRun() override;  // stops the walk and waits for its end

    // Clears the model and starts walking; a walk still running is stopped first.
    void Start(const QByteArray &left, const QByteArray &right, const Folders::TOptions &options);
    // Asks the walk to end soon; what it found so far stays.
    void Stop();
    bool Running() const { return fRunning; }
    bool Stopped() const { return fStop.load(); }
    // Files listed so far that are compared, and how many of them are.
    qsizetype ToCompare() const { return fToCompare; }
    qsizetype Compared() const { return fCompared; }
    // The longest the model was fed at once in this run (ms): the window's
    // own share of a stall.
    qint64 LongestFeed() const { return fLongestFeed; }

signals:
    // After each slice fed into the model.
    void Progress();
    // The walk ended and everything it found is in the model.
    void Finished(bool stopped);
    // An unexpected error ended the walk early.
    void Failed(const QString &message);

private:
    struct TEvent
    {
        TFolderModel::TListed listed;  // listed: first >= 0
        qsizetype index = -1;  // settled
        Folders::TStatus status = Folders::TStatus::Same;
        QString reason;
    };
    void push(TEvent event);
    void feed();
    void wait();

    TFolderModel &fModel;
    QThreadPool fPool;  // the walk's own thread
    QFuture<void> fWalk;
    std::atomic<bool> fStop{false};
    QMutex fLock;
    std::vector<TEvent> fQueue;  // guarded by fLock
    bool fWalkDone = false;      // guarded by fLock
    std::deque<TEvent> fTaken;   // taken from the queue, not yet fed
    QTimer fTimer;
    bool fRunning = false;
    qsizetype fToCompare = 0;
    qsizetype fCompared = 0;
    qint64 fLongestFeed = 0;
};

} // namespace FolderView
