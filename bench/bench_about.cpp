// The about box's cost while it is open: the share of one core the process
// uses over ten seconds with the box shown and animating.
//
//   QT_QPA_PLATFORM=offscreen ./bench_about [seconds]

#include "dialogs/AboutBox.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <ctime>

static double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

static double wallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    TAboutBox about;
    about.show();
    // The first seconds render every blur step once; they are measured too.
    const double cpu0 = cpuSeconds();
    const double wall0 = wallSeconds();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpu0;
    const double wall = wallSeconds() - wall0;
    std::printf("about box open %.1f s: %.2f s of CPU, %.1f %% of one core\n", wall, cpu, 100.0 * cpu / wall);
    return 0;
}
