// A pane with 1,000,000 lines, offscreen: filling through the model, full
// repaints, TopLine writes with repaints, and typing. Prints median and
// worst times; run by hand (QT_QPA_PLATFORM=offscreen is set here).
#include "TextPane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct TStats
{
    double median;
    double worst;
};

TStats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double elapsedMs(QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kLines = 1000000;

    TTextPane pane;
    pane.resize(800, 600);
    pane.show();
    QImage canvas(pane.size(), QImage::Format_ARGB32_Premultiplied);
    auto repaint = [&] { pane.render(&canvas); };

    QElapsedTimer t;
    t.start();
    pane.Lines().BeginUpdate();
    for (int i = 0; i < kLines; ++i)
        pane.Lines().Add(QStringLiteral("line %1: the quick brown fox jumps over the lazy dog, again").arg(i));
    pane.Lines().EndUpdate();
    const double fill = elapsedMs(t);
    for (int i = 0; i < kLines; i += 37)
        pane.Lines().SetBreakPoint(i, true);

    std::vector<double> paints;
    for (int i = 0; i < 50; ++i) {
        t.restart();
        repaint();
        paints.push_back(elapsedMs(t));
    }

    std::vector<double> scrolls;
    for (int i = 0; i < 1000; ++i) {
        t.restart();
        pane.SetTopLine(int((i * 7919LL) % kLines));
        repaint();
        scrolls.push_back(elapsedMs(t));
    }

    pane.SetCaretPos({kLines / 2, 10});
    std::vector<double> keys;
    for (int i = 0; i < 100; ++i) {
        t.restart();
        QTest::keyClick(&pane, char('a' + i % 26));
        repaint();
        keys.push_back(elapsedMs(t));
    }

    const TStats p = stats(paints), s = stats(scrolls), k = stats(keys);
    std::printf("lines                      %d\n", kLines);
    std::printf("fill through the model     %.1f ms\n", fill);
    std::printf("full repaint               median %.2f ms, worst %.2f ms\n", p.median, p.worst);
    std::printf("TopLine write + repaint    median %.2f ms, worst %.2f ms (1000 writes)\n", s.median, s.worst);
    std::printf("typing a key + repaint     median %.2f ms, worst %.2f ms (100 keys)\n", k.median, k.worst);
    return 0;
}
