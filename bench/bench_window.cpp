// The comparison pass in the window, offscreen.
//
// bench_window LEFT RIGHT [GAP_LEFT GAP_RIGHT]
// Loads LEFT and RIGHT into the panes and times "Scan Difference" (median
// of 3). With the second pair, runs one pass while a 10 ms timer ticks and
// reports the longest gap between two ticks (the window's responsiveness).
// Then, on the first pair, presses Escape at several moments of a pass and
// reports the longest time from the key to the pass's end.
//
// bench_window --startup LEFT RIGHT
// Starts as "parlune LEFT RIGHT" does and prints one line: seconds from
// the process's start to the first paint of the left pane and to the end
// of start-up's pass, the peak resident memory, and the longest gap of a
// 10 ms timer between the first paint and the pass's end.
#include "app/MainForm.h"
#include "session/Session.h"
#include "app/ParluneApp.h"

#include "panes/TextPane.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// Seconds since this process started (boot-time clock against the start
// time the kernel keeps in clock ticks, so a tick's resolution).
double sinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Field 22 (starttime) counts from the field after the command's ")".
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9 - fields[19].toDouble() / double(sysconf(_SC_CLK_TCK));
}

// Notes the first paint event of a widget.
class TFirstPaint : public QObject
{
public:
    double at = -1;
    qint64 atNs = -1;
    const QElapsedTimer *clock = nullptr;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at < 0) {
            at = sinceProcessStart();
            atNs = clock->nsecsElapsed();
        }
        return false;
    }
};

int startUp(const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    TMainForm form(nullptr, {QStringLiteral("parlune"), args[0], args[1]});
    TFirstPaint paint;
    paint.clock = &clock;
    form.LeftMemo()->installEventFilter(&paint);
    qint64 last = -1;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (paint.atNs >= 0) {
            if (last >= 0)
                longest = std::max(longest, now - last);
            last = now;
        }
    });
    double done = -1;
    QObject::connect(&form, &TMainForm::StartUpDone, [&] {
        done = sinceProcessStart();
        if (last >= 0)
            longest = std::max(longest, clock.nsecsElapsed() - last);
        QCoreApplication::quit();
    });
    tick.start();
    form.show();
    QCoreApplication::exec();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("first paint %.3f s  pass done %.3f s  peak %.1f MiB  longest gap %.1f ms  (%s)\n", paint.at, done,
                double(usage.ru_maxrss) / 1024.0, double(longest) / 1e6,
                form.StatusLabel()->text().toUtf8().constData());
    return 0;
}

double passSeconds(TMainForm &form, const QString &left, const QString &right)
{
    form.LoadFile(TSide::Left, left);
    form.LoadFile(TSide::Right, right);
    QElapsedTimer t;
    t.start();
    form.CompareButtonClick();
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TParluneApp app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QStringLiteral("--startup"))
        return startUp(args.mid(1));
    if (args.size() != 2 && args.size() != 4) {
        std::fprintf(stderr, "usage: bench_window LEFT RIGHT [GAP_LEFT GAP_RIGHT] | --startup LEFT RIGHT\n");
        return 2;
    }
    TMainForm form;
    form.show();

    std::vector<double> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(passSeconds(form, args[0], args[1]));
    std::sort(runs.begin(), runs.end());
    std::printf("scan difference            %.3f s (median of 3; %s)\n", runs[1],
                form.StatusLabel()->text().toUtf8().constData());

    if (args.size() == 4) {
        form.LoadFile(TSide::Left, args[2]);
        form.LoadFile(TSide::Right, args[3]);
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(10);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        clock.start();
        tick.start();
        form.CompareButtonClick();
        const qint64 passNs = clock.nsecsElapsed();
        tick.stop();
        longest = std::max(longest, passNs - last);
        std::printf("pass with a 10 ms timer    %.3f s; longest gap between ticks %.1f ms (%s)\n",
                    double(passNs) / 1e9, double(longest) / 1e6,
                    form.StatusLabel()->text().toUtf8().constData());
    }

    // Escape at 5, 20, 40 ... ms into a pass: how long until the pass ends.
    double slowest = 0;
    int cancelled = 0;
    for (int at : {5, 20, 40, 60, 90, 120}) {
        form.LoadFile(TSide::Left, args[0]);
        form.LoadFile(TSide::Right, args[1]);
        QElapsedTimer sinceKey;
        QTimer::singleShot(at, [&] {
            sinceKey.start();
            form.Session().Cancel();
        });
        form.CompareButtonClick();
        if (sinceKey.isValid() && form.StatusLabel()->text() == QStringLiteral("Scan Cancelled")) {
            slowest = std::max(slowest, double(sinceKey.nsecsElapsed()) / 1e6);
            ++cancelled;
        }
        QCoreApplication::processEvents();
    }
    std::printf("Escape to the end of a pass longest %.1f ms (%d of 6 passes cancelled)\n", slowest, cancelled);
    return 0;
}
