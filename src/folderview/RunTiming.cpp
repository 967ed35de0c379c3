#include "folderview/RunTiming.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <cstdio>

namespace FolderView {

TRunTiming *TRunTiming::FromEnvironment(QObject *parent)
{
    const QByteArray value = qgetenv("PARLUNE_FOLDER_TIMING");
    return value.isEmpty() ? nullptr : new TRunTiming(value == "exit", parent);
}

TRunTiming::TRunTiming(bool exitAtEnd, QObject *parent) : QObject(parent), fExitAtEnd(exitAtEnd)
{
    fTicker.setInterval(kTickMs);
    fTicker.setTimerType(Qt::PreciseTimer);
    connect(&fTicker, &QTimer::timeout, this, &TRunTiming::tick);
}

void TRunTiming::Watch(QAbstractItemModel *model, QAbstractItemModel *view)
{
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (fFirstInModel < 0)
            fFirstInModel = fClock.elapsed();
    });
    connect(view, &QAbstractItemModel::rowsInserted, this, [this] {
        if (fFirstInView < 0)
            fFirstInView = fClock.elapsed();
    });
}

void TRunTiming::Started()
{
    fClock.start();
    fSinceTick.start();
    fFirstInModel = fFirstInView = -1;
    fLongestStall = 0;
    fTicker.start();
}

void TRunTiming::tick()
{
    const qint64 gap = fSinceTick.nsecsElapsed() / 1000 - kTickMs * 1000;  // microseconds
    fSinceTick.restart();
    if (gap > fLongestStall) {
        fLongestStall = gap;
        fStallAt = fClock.elapsed();
    }
}

void TRunTiming::Finished(qsizetype entries, qint64 longestFeed)
{
    fTicker.stop();
    std::fprintf(stderr,
                 "folder timing: entries %lld, first row in model %lld ms, first row shown %lld ms, "
                 "walk done %lld ms, longest stall %.1f ms (at %lld ms), longest feed of the model %lld ms\n",
                 qlonglong(entries), qlonglong(fFirstInModel), qlonglong(fFirstInView), qlonglong(fClock.elapsed()),
                 double(fLongestStall) / 1000.0, qlonglong(fStallAt), qlonglong(longestFeed));
    std::fflush(stderr);
    if (fExitAtEnd)
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
}

} // namespace FolderView
