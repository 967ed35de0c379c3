// A pane with 1,000,000 lines, offscreen: filling through the model, full
// repaints, TopLine writes with repaints, typing, pasting 100,000 lines and
// Save As with trailing blanks on every line; then the memory taken by
// typing 100,000 characters into one 10,000-character line. Prints median
// and worst times; run by hand (QT_QPA_PLATFORM=offscreen is set here).
#include "app/InlineEmphasis.h"
#include "panes/TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
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

// Resident memory of this process, in MiB.
double residentMiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? double(fields[1].toLongLong()) * 4096 / (1 << 20) : 0;
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

    // What changed inside rows: every row of the pane is a changed row
    // against a left text that differs in a word; scrolled anywhere, each
    // repaint works out the rows it shows.
    TLines leftText;
    leftText.BeginUpdate();
    for (int i = 0; i < kLines; ++i)
        leftText.Add(QStringLiteral("line %1: the quick brown cat jumps over the lazy dog, again").arg(i));
    leftText.EndUpdate();
    for (int i = 0; i < kLines; ++i)
        pane.Lines().SetBreakPoint(i, true);
    TInlineEmphasis inline_(leftText, pane.Lines());
    pane.SetRowEmphasis(&inline_.RightSide(), QColor::fromRgba(TInlineEmphasis::kRightFill), Qt::white);
    std::vector<double> emphasised;
    for (int i = 0; i < 500; ++i) {
        t.restart();
        pane.SetTopLine(int((i * 7919LL + 13) % kLines));
        repaint();
        emphasised.push_back(elapsedMs(t));
    }
    pane.SetRowEmphasis(nullptr, {}, {});

    pane.SetCaretPos({kLines / 2, 10});
    std::vector<double> keys;
    for (int i = 0; i < 100; ++i) {
        t.restart();
        QTest::keyClick(&pane, char('a' + i % 26));
        repaint();
        keys.push_back(elapsedMs(t));
    }

    // 100,000 lines from the clipboard into the middle, as one edit.
    QString clip;
    for (int i = 0; i < 100000; ++i)
        clip += QStringLiteral("pasted line %1 with some words on it\n").arg(i);
    QApplication::clipboard()->setText(clip);
    pane.SetCaretPos({kLines / 3, 0});
    t.restart();
    pane.Paste();
    const double paste = elapsedMs(t);

    // Save As with trailing blanks on every line: trimmed in the pane, then written.
    TTextPane blanks;
    blanks.Lines().BeginUpdate();
    for (int i = 0; i < kLines; ++i)
        blanks.Lines().Add(QStringLiteral("line %1 ends in blanks   \t ").arg(i));
    blanks.Lines().EndUpdate();
    QTemporaryDir dir;
    t.restart();
    blanks.Lines().SaveToFile(dir.filePath(QStringLiteral("saved.txt")));
    const double save = elapsedMs(t);

    // Typing into one long line: each key stores the line anew.
    TTextPane typed;
    typed.Lines().SetText(QString(10000, u'x'));
    typed.SetCaretPos({0, 5000});
    const double before = residentMiB();
    t.restart();
    for (int i = 0; i < 100000; ++i)
        typed.InsertTyped(QString(QChar(u'a' + i % 26)));
    const double typing = elapsedMs(t);
    const double after = residentMiB();

    const TStats p = stats(paints), s = stats(scrolls), k = stats(keys), e = stats(emphasised);
    std::printf("lines                      %d\n", kLines);
    std::printf("fill through the model     %.1f ms\n", fill);
    std::printf("full repaint               median %.2f ms, worst %.2f ms\n", p.median, p.worst);
    std::printf("TopLine write + repaint    median %.2f ms, worst %.2f ms (1000 writes)\n", s.median, s.worst);
    std::printf("in-line changes + repaint  median %.2f ms, worst %.2f ms (500 writes, every row changed)\n", e.median,
                e.worst);
    std::printf("typing a key + repaint     median %.2f ms, worst %.2f ms (100 keys)\n", k.median, k.worst);
    std::printf("paste 100,000 lines        %.1f ms (into %d lines)\n", paste, kLines);
    std::printf("Save As, blanks everywhere %.1f ms (%d lines)\n", save, kLines);
    std::printf("typing 100,000 characters  %.0f ms; resident %.1f MiB before, %.1f MiB after (%.2fx)\n", typing,
                before, after, after / before);
    return 0;
}
