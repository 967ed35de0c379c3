#include "folderview/FolderRun.h"

#include "folderview/FolderModel.h"

#include <QMutexLocker>
#include <algorithm>
#include <QtConcurrent/QtConcurrentRun>
#include <sys/resource.h>
#include <unistd.h>

namespace FolderView {

TFolderRun::TFolderRun(TFolderModel &model, QObject *parent) : QObject(parent), fModel(model)
{
    fPool.setMaxThreadCount(1);
    fTimer.setInterval(kTickMs);
    connect(&fTimer, &QTimer::timeout, this, &TFolderRun::feed);
}

TFolderRun::~TFolderRun()
{
    Stop();
    wait();
}

void TFolderRun::wait()
{
    fWalk.waitForFinished();
}

void TFolderRun::Start(const QByteArray &left, const QByteArray &right, const Folders::TOptions &options)
{
    Stop();
    wait();
    fStop = false;
    fQueue.clear();
    fTaken.clear();
    fWalkDone = false;
    fToCompare = fCompared = 0;
    fLongestFeed = 0;
    fModel.Clear();
    fRunning = true;

    Folders::TOptions walkOptions = options;
    walkOptions.stop = &fStop;
    fWalk = QtConcurrent::run(&fPool, [this, left, right, walkOptions] {
        // The window's thread comes first: the walk and the threads it
        // starts for comparing (which inherit this) yield to it. This
        // thread is the run's own, so the change stays with the run.
        ::setpriority(PRIO_PROCESS, ::gettid(), kWorkerNice);
        Folders::TProgress progress;
        progress.listed = [this](qsizetype first, std::vector<Folders::TEntry> entries) {
            push({TFolderModel::Prepare(first, std::move(entries)), -1, {}, {}});
        };
        progress.settled = [this](qsizetype index, Folders::TStatus status, const QString &reason) {
            push({{}, index, status, reason});
        };
        try {
            Folders::CompareTrees(left, right, walkOptions, &progress);
        } catch (const std::exception &e) {
            // Ends this walk only; the model keeps what came before.
            push({{}, -1, Folders::TStatus::Unreadable, QString::fromUtf8(e.what())});
        }
        QMutexLocker lock(&fLock);
        fWalkDone = true;
    });
    fTimer.start();
}

void TFolderRun::Stop()
{
    fStop = true;
}

void TFolderRun::push(TEvent event)
{
    QMutexLocker lock(&fLock);
    fQueue.push_back(std::move(event));
}

// Feeds the model for at most kSliceMs; what is left waits for the next tick.
void TFolderRun::feed()
{
    bool walkDone;
    {
        QMutexLocker lock(&fLock);
        for (TEvent &e : fQueue)
            fTaken.push_back(std::move(e));
        fQueue.clear();
        walkDone = fWalkDone;
    }
    QElapsedTimer slice;
    slice.start();
    while (!fTaken.empty() && slice.elapsed() < kSliceMs) {
        TEvent e = std::move(fTaken.front());
        fTaken.pop_front();
        if (e.listed.first >= 0) {
            for (const Folders::TEntry &entry : e.listed.entries)
                fToCompare += entry.pending ? 1 : 0;
            fModel.Add(std::move(e.listed));
        } else if (e.index >= 0) {
            const Folders::TEntry *entry = fModel.Entry(fModel.IndexOf(e.index));
            fCompared += entry && entry->pending ? 1 : 0;
            fModel.Settle(e.index, e.status, e.reason);
        } else {
            emit Failed(e.reason);
        }
    }
    fLongestFeed = std::max(fLongestFeed, slice.elapsed());
    emit Progress();
    if (walkDone && fTaken.empty()) {
        fTimer.stop();
        fRunning = false;
        emit Finished(fStop.load());
    }
}

} // namespace FolderView
