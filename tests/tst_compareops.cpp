#include "compare/CompareOps.h"
#include "compare/HashUnit.h"

#include "LinesTestUtil.h"

#include <QtTest>
#include <random>

using namespace CompareOps;

namespace {

void fill(TLines &l, const QStringList &lines)
{
    l.Clear();
    for (const QString &s : lines)
        l.Add(s);
}

} // namespace

class TstCompareOps : public QObject
{
    Q_OBJECT
private slots:
    void noText_data();
    void noText();
    void pass_data();
    void pass();
    void secondPassGivesSameResult();
    void collidingLinesStayDifferent();
    void cancelLeavesBlankLinesRemoved();
    void nestedPassDuringYield();
    void recordSinkSeesEveryRecord();
    void markOperationsIgnoreOtherPanes();
    void idsWithAndWithoutCarriedHashes();
    void commonEndsKeepTheEngineScript();
    void stopWhileInterning_data();
    void stopWhileInterning();
};

void TstCompareOps::noText_data()
{
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("right");
    QTest::addColumn<QString>("status");
    QTest::newRow("both") << QStringList{} << QStringList{} << kNoTextLoaded;
    QTest::newRow("left") << QStringList{} << QStringList{"a", ""} << kNoTextLeft;
    QTest::newRow("right") << QStringList{"", "a"} << QStringList{} << kNoTextRight;
}

void TstCompareOps::noText()
{
    QFETCH(QStringList, left);
    QFETCH(QStringList, right);
    QFETCH(QString, status);
    TLines l, r;
    fill(l, left);
    fill(r, right);
    TComparePass pass(l, r);
    QCOMPARE(pass.Run(), status);
    QCOMPARE(allLines(l), left);  // untouched, empty lines included
    QCOMPARE(allLines(r), right);
}

void TstCompareOps::pass_data()
{
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("right");
    QTest::addColumn<QStringList>("leftRows");
    QTest::addColumn<QStringList>("rightRows");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("status");

    QTest::newRow("equal") << QStringList{"A", "B"} << QStringList{"A", "B"}
        << QStringList{"A", "B"} << QStringList{"A", "B"} << ".." << "Changes=0";
    QTest::newRow("case, spaces and tabs only") << QStringList{"int  x = 1;", "Foo"} << QStringList{"INT x=1;", "f o\to"}
        << QStringList{"int  x = 1;", "Foo"} << QStringList{"INT x=1;", "f o    o"} << ".." << "Changes=0";
    QTest::newRow("changed middle") << QStringList{"A", "B", "C"} << QStringList{"A", "X", "C"}
        << QStringList{"A", "B", "C"} << QStringList{"A", "X", "C"} << ".b." << "Changes=1";
    QTest::newRow("removed middle") << QStringList{"A", "B", "C"} << QStringList{"A", "C"}
        << QStringList{"A", "B", "C"} << QStringList{"A", "", "C"} << ".b." << "Changes=1";
    QTest::newRow("added middle") << QStringList{"A", "C"} << QStringList{"A", "B", "C"}
        << QStringList{"A", "", "C"} << QStringList{"A", "B", "C"} << ".k." << "Changes=1";
    QTest::newRow("modify then delete") << QStringList{"A", "B", "C", "D"} << QStringList{"A", "X", "D"}
        << QStringList{"A", "B", "C", "D"} << QStringList{"A", "X", "", "D"} << ".bb." << "Changes=2";
    QTest::newRow("modifies then add") << QStringList{"A", "B"} << QStringList{"X", "Y", "Z"}
        << QStringList{"A", "B", ""} << QStringList{"X", "Y", "Z"} << "bbk" << "Changes=3";
    QTest::newRow("empty lines removed") << QStringList{"A", "", "B"} << QStringList{"A", "B"}
        << QStringList{"A", "B"} << QStringList{"A", "B"} << ".." << "Changes=0";
    QTest::newRow("only empty lines compare as one") << QStringList{"", ""} << QStringList{"", "", ""}
        << QStringList{""} << QStringList{""} << "." << "Changes=0";
    QTest::newRow("empty against text") << QStringList{""} << QStringList{"a"}
        << QStringList{""} << QStringList{"a"} << "b" << "Changes=1";
    QTest::newRow("blank-only line equals empty") << QStringList{"A", "   "} << QStringList{"A", "\t"}
        << QStringList{"A", "   "} << QStringList{"A", "    "} << ".." << "Changes=0";
}

void TstCompareOps::pass()
{
    QFETCH(QStringList, left);
    QFETCH(QStringList, right);
    QFETCH(QStringList, leftRows);
    QFETCH(QStringList, rightRows);
    QFETCH(QString, marks);
    QFETCH(QString, status);
    TLines l, r;
    fill(l, left);
    fill(r, right);
    TComparePass pass(l, r);
    QCOMPARE(pass.Run(), status);
    QCOMPARE(allLines(l), leftRows);
    QCOMPARE(allLines(r), rightRows);
    QCOMPARE(markString(r), marks);
    QCOMPARE(markString(l), QString(l.Count(), u'.'));
}

void TstCompareOps::secondPassGivesSameResult()
{
    TLines l, r;
    fill(l, {"A", "B", "C", "D", "E"});
    fill(r, {"A", "X", "C", "", "Y", "Z", "E"});
    TComparePass pass(l, r);
    const QString first = pass.Run();
    const QStringList l1 = allLines(l), r1 = allLines(r);
    const QString m1 = markString(r);
    QCOMPARE(pass.Run(), first);
    QCOMPARE(allLines(l), l1);
    QCOMPARE(allLines(r), r1);
    QCOMPARE(markString(r), m1);
}

void TstCompareOps::collidingLinesStayDifferent()
{
    // Only the low byte of each unit is hashed, so these pairs share a hash
    // but are different lines.
    QCOMPARE(HashUnit::HashLine(u"\u0142", true, true), HashUnit::HashLine(u"\u0242", true, true));
    QCOMPARE(HashUnit::HashLine(u"\u0430\u0431", true, true), HashUnit::HashLine(u"01", true, true));
    TLines l, r;
    fill(l, {"x", "\u0142", "\u0430\u0431", "y"});
    fill(r, {"x", "\u0242", "01", "y"});
    TComparePass pass(l, r);
    QCOMPARE(pass.Run(), QStringLiteral("Changes=2"));
    QCOMPARE(markString(r), QStringLiteral(".bb."));
}

void TstCompareOps::cancelLeavesBlankLinesRemoved()
{
    TLines l, r;
    // The same lines in reverse order, each three times on each side: a
    // long search (not one for the closed form) that yields at every point.
    for (int i = 0; i < 1500; ++i) {
        l.Add(QStringLiteral("line %1").arg(i % 500));
        l.Add(u"");
        r.Add(QStringLiteral("line %1").arg((1499 - i) % 500));
    }
    TComparePass pass(l, r);
    pass.SetYieldInterval(std::chrono::nanoseconds(0));
    int yields = 0;
    pass.SetYield([&] {
        if (++yields == 2) {
            QVERIFY(pass.Running());
            pass.Cancel();
        }
    });
    QCOMPARE(pass.Run(), kScanCancelled);
    QVERIFY(!pass.Running());
    QCOMPARE(l.Count(), 1500);  // empty lines gone, nothing rebuilt
    QCOMPARE(l.Get(1), QStringLiteral("line 1"));
    QCOMPARE(markString(r), QString(1500, u'.'));

    pass.SetYield({});
    QVERIFY(pass.Run().startsWith(kChangesPrefix));
    QCOMPARE(l.Count(), r.Count());
}

void TstCompareOps::nestedPassDuringYield()
{
    // A second pass started from a yield runs completely; the outer pass
    // then overwrites the panes with its own result.
    TLines l, r;
    fill(l, {"A", "B", "C"});
    fill(r, {"A", "X", "C"});
    TComparePass pass(l, r);
    bool nested = false;
    QString inner;
    pass.SetYield([&] {
        if (!nested) {
            nested = true;
            inner = pass.Run();
            l.Clear();
            l.Add(u"changed meanwhile");
        }
    });
    QCOMPARE(pass.Run(), QStringLiteral("Changes=1"));
    QCOMPARE(inner, QStringLiteral("Changes=1"));
    QCOMPARE(allLines(l), (QStringList{"A", "B", "C"}));
    QCOMPARE(markString(r), QStringLiteral(".b."));
}

void TstCompareOps::recordSinkSeesEveryRecord()
{
    TLines l, r;
    fill(l, {"A", "", "B", "C", "D"});
    fill(r, {"A", "X", "D"});
    TComparePass pass(l, r);
    QStringList seen;
    pass.SetRecordSink([&](const TCompareRec &rec) {
        seen << QStringLiteral("%1 %2 %3").arg(QLatin1String(ChangeKindName(rec.Kind))).arg(rec.oldIndex1).arg(rec.oldIndex2);
    });
    pass.Run();
    QCOMPARE(seen, (QStringList{"ckNone 0 0", "ckModify 1 1", "ckDelete 2 0", "ckNone 3 2"}));
    QCOMPARE(pass.LastStats().modifies, 1);
}

void TstCompareOps::markOperationsIgnoreOtherPanes()
{
    TLines l, r;
    fill(l, {"a"});
    fill(r, {"b", "c"});
    TComparePass pass(l, r);
    pass.AddBlankLine(3);
    pass.SetLineBreakPoint(0, 1);
    pass.SetLineBookmark(2, 3);  // beyond Count: nothing
    pass.SetLineBreakPoint(2, 3);
    QCOMPARE(l.Count(), 1);
    QCOMPARE(markString(r), QStringLiteral(".."));
    pass.SetLineBookmark(2, 2);
    pass.AddBlankLine(1);
    QCOMPARE(markString(r), QStringLiteral(".k"));
    QCOMPARE(allLines(l), (QStringList{"a", ""}));
}

void TstCompareOps::idsWithAndWithoutCarriedHashes()
{
    // Ids from lines that carry their hash and from lines hashed on the spot agree.
    TLines l, r;
    fill(l, {"a", "B", "c c", "a"});
    fill(r, {"A", "x", "cc", "b"});
    const THashLists fresh = BuildHashLists(l.Snapshot(), r.Snapshot());
    HashLines(l, r);
    const THashLists carried = BuildHashLists(l.Snapshot(), r.Snapshot());
    QCOMPARE(fresh.left, carried.left);
    QCOMPARE(fresh.right, carried.right);
    QCOMPARE(carried.left[0], carried.right[0]);  // a = A
    QCOMPARE(carried.left[0], carried.left[3]);
    QCOMPARE(carried.left[1], carried.right[3]);  // B = b
    QCOMPARE(carried.left[2], carried.right[2]);  // "c c" = "cc"
    QVERIFY(carried.right[1] != carried.left[0]);
}

void TstCompareOps::commonEndsKeepTheEngineScript()
{
    // Texts with common ends of every length (written in other case and
    // spacing on the right, from few words, so that end lines recur in
    // between): the pass's records are those of the engine over all lines.
    std::mt19937 rng(5);
    auto word = [&] { return QStringLiteral("w%1").arg(rng() % 5); };
    for (int round = 0; round < 400; ++round) {
        QStringList a, b;
        auto common = [&](int n) {
            for (int i = 0; i < n; ++i) {
                const QString w = word();
                a << w;
                b << w.toUpper() + u' ';
            }
        };
        common(int(rng() % 40));
        for (int i = int(rng() % 8); i > 0; --i)
            a << word();
        for (int i = int(rng() % 8); i > 0; --i)
            b << word();
        common(int(rng() % 40));
        if (a.isEmpty() || b.isEmpty())
            continue;

        TLines l, r;
        fill(l, a);
        fill(r, b);
        const THashLists ids = BuildHashLists(l.Snapshot(), r.Snapshot());
        TDiff engine;
        QVERIFY(engine.Execute(ids.left.data(), ids.right.data(), int(ids.left.size()), int(ids.right.size())));
        QStringList expected;
        for (const TCompareRec &rec : engine.Records())
            expected << QStringLiteral("%1 %2 %3").arg(rec.Kind).arg(rec.oldIndex1).arg(rec.oldIndex2);

        TComparePass pass(l, r);
        QStringList seen;
        pass.SetRecordSink([&](const TCompareRec &rec) {
            seen << QStringLiteral("%1 %2 %3").arg(rec.Kind).arg(rec.oldIndex1).arg(rec.oldIndex2);
        });
        pass.Run();
        QCOMPARE(seen, expected);
        QCOMPARE(pass.LastStats().matches, engine.DiffStats().matches);
        QCOMPARE(pass.LastStats().modifies, engine.DiffStats().modifies);
    }
}

void TstCompareOps::stopWhileInterning_data()
{
    QTest::addColumn<bool>("throwing");
    QTest::newRow("cancel") << false;
    QTest::newRow("yield throws") << true;
}

void TstCompareOps::stopWhileInterning()
{
    // A million distinct lines take far longer than the bound below to
    // intern; a cancel, or a yield that throws, at the first yield reaches
    // the interning thread, which looks every few thousand lines, so the
    // pass ends at once and leaves the panes as they were.
    QFETCH(bool, throwing);
    constexpr int kLines = 1000000;
    TLines l, r;
    l.BeginUpdate();
    r.BeginUpdate();
    for (int i = 0; i < kLines; ++i) {
        l.Add(QStringLiteral("left line %1").arg(i));
        r.Add(QStringLiteral("right line %1").arg(i));
    }
    l.EndUpdate();
    r.EndUpdate();
    TComparePass pass(l, r);
    pass.SetYieldInterval(std::chrono::milliseconds(1));
    int yields = 0;
    QElapsedTimer sinceStop;
    pass.SetYield([&] {
        if (++yields > 1)
            return;  // the pass yields on while the interning ends
        sinceStop.start();
        if (throwing)
            throw std::runtime_error("stop");
        pass.Cancel();
    });
    if (throwing)
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, pass.Run());
    else
        QCOMPARE(pass.Run(), kScanCancelled);
    QVERIFY(yields >= 1);
    QCOMPARE_LT(sinceStop.elapsed(), 100);
    QVERIFY(!pass.Running());
    QCOMPARE(l.Count(), kLines);
    QCOMPARE(r.Get(1), QStringLiteral("right line 1"));
    QCOMPARE(markString(r), QString(kLines, u'.'));
}

QTEST_APPLESS_MAIN(TstCompareOps)
#include "tst_compareops.moc"
