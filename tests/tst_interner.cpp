#include "text/Errors.h"
#include "compare/HashUnit.h"
#include "compare/LineInterner.h"
#include "compare/TwoThreads.h"

#include <QRandomGenerator>
#include <QtTest>
#include <stdexcept>

class TstInterner : public QObject
{
    Q_OBJECT
private slots:
    void twoThreadsGiveTheOneThreadIds();
    void stopEndsInterning_data();
    void stopEndsInterning();
    void exceptionsReachTheCaller_data();
    void exceptionsReachTheCaller();
};

void TstInterner::twoThreadsGiveTheOneThreadIds()
{
    // 120,000 lines, above the two-thread threshold, from a small
    // vocabulary so that most lines repeat within and across the sides;
    // some lines carry no hash yet, some differ only in case or blanks.
    QRandomGenerator rng(7);
    TKeepAlive keep;
    TTextArena arena;
    std::vector<TLineRec> sides[2];
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 60000; ++i) {
            const quint32 word = rng.bounded(5000);
            QString text = QStringLiteral("line %1 of the vocabulary").arg(word);
            if (rng.bounded(4) == 0)
                text = text.toUpper().replace(u' ', QStringLiteral(" \t "));
            TLineRec r = arena.store(text, keep);
            if (rng.bounded(3) != 0) {
                r.hash = HashUnit::HashNormalized(r);
                r.hashed = 1;
            }
            sides[side].push_back(r);
        }
    }
    std::vector<int32_t> oneLeft, oneRight, twoLeft, twoRight;
    InternLines(sides[0], sides[1], oneLeft, oneRight, SIZE_MAX);
    InternLines(sides[0], sides[1], twoLeft, twoRight, 0);
    QVERIFY(oneLeft == twoLeft);
    QVERIFY(oneRight == twoRight);
    // And the ids mean what they should: equal exactly for equal texts.
    for (int i = 0; i < 2000; ++i) {
        const size_t a = rng.bounded(60000), b = rng.bounded(60000);
        QCOMPARE(twoLeft[a] == twoRight[b], HashUnit::NormalizedEqual(sides[0][a], sides[1][b]));
    }
}

void TstInterner::stopEndsInterning_data()
{
    QTest::addColumn<size_t>("parallelFrom");
    QTest::newRow("one thread") << size_t(SIZE_MAX);
    QTest::newRow("two threads") << size_t(0);
}

void TstInterner::stopEndsInterning()
{
    // A cancelled pass stops interning at once; unstopped, all ids come.
    QFETCH(size_t, parallelFrom);
    TKeepAlive keep;
    TTextArena arena;
    std::vector<TLineRec> lines;
    for (int i = 0; i < 100000; ++i)
        lines.push_back(arena.store(QStringLiteral("line %1").arg(i), keep));
    std::vector<int32_t> a, b;
    std::atomic<bool> stop{true};
    QVERIFY(!InternLines(lines, lines, a, b, parallelFrom, &stop));
    stop = false;
    QVERIFY(InternLines(lines, lines, a, b, parallelFrom, &stop));
    QCOMPARE(a, b);
    QCOMPARE(a[99999], 99999);
}

void TstInterner::exceptionsReachTheCaller_data()
{
    QTest::addColumn<bool>("workerThrows");
    QTest::addColumn<bool>("callerThrows");
    QTest::addColumn<QString>("expected");
    QTest::newRow("worker") << true << false << "worker";
    QTest::newRow("caller") << false << true << "caller";
    QTest::newRow("both: the caller's first") << true << true << "caller";
    QTest::newRow("neither") << false << false << "";
}

void TstInterner::exceptionsReachTheCaller()
{
    QFETCH(bool, workerThrows);
    QFETCH(bool, callerThrows);
    QFETCH(QString, expected);
    bool workerDone = false;
    QString caught;
    try {
        RunOnTwoThreads(
            [&] {
                QThread::msleep(20);  // still running when the caller fails
                workerDone = true;
                if (workerThrows)
                    throw EParlune(QStringLiteral("worker"));
            },
            [&] {
                if (callerThrows)
                    throw std::runtime_error("caller");
            });
    } catch (const std::exception &e) {
        caught = QString::fromUtf8(e.what());
    }
    QCOMPARE(caught, expected);
    QVERIFY(workerDone);  // joined before anything reached the caller
}

QTEST_APPLESS_MAIN(TstInterner)
#include "tst_interner.moc"
