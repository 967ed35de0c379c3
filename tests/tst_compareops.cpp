#include "compare/CompareOps.h"
#include "compare/HashUnit.h"

#include "LinesTestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <random>
#include <stdexcept>

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
    void rules_data();
    void rules();
    void emptyLinesComeBackWhenTheyCount();
    void secondPassGivesSameResult();
    void collidingLinesStayDifferent();
    void cancelRestoresBothLists();
    void nestedPassDuringYield();
    void largePassYieldingOrNot_data();
    void largePassYieldingOrNot();
    void recordSinkSeesEveryRecord();
    void markOperationsIgnoreOtherPanes();
    void idsWithAndWithoutCarriedHashes();
    void commonEndsKeepTheEngineScript();
    void stopWhileInterning_data();
    void stopWhileInterning();
    void savedAfterAPass_data();
    void savedAfterAPass();
    void lineNumbersAfterAPass();
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
    // A pass that yields makes its rows on a second thread: the rows, the
    // marks and what each row stands for must be those of a pass that
    // does not.
    QStringList infos[2];
    for (const bool yielding : {false, true}) {
        TLines l, r;
        fill(l, left);
        fill(r, right);
        r.SetBookmark(0, true);  // marks of before a pass do not stay
        TComparePass pass(l, r);
        if (yielding) {
            pass.SetYieldInterval(std::chrono::nanoseconds(0));
            pass.SetYield([] {});
        }
        QCOMPARE(pass.Run(), status);
        QCOMPARE(allLines(l), leftRows);
        QCOMPARE(allLines(r), rightRows);
        QCOMPARE(markString(r), marks);
        QCOMPARE(markString(l), QString(l.Count(), u'.'));
        for (const TLines *list : {&l, &r})
            for (int k = 0; k < list->Count(); ++k) {
                const TRowInfo &row = list->Row(k);
                infos[yielding] << QStringLiteral("%1 %2 %3 %4 %5").arg(row.origin).arg(row.hidden).arg(row.passRow)
                                       .arg(list->LineNumber(k)).arg(row.marks);
            }
        for (const TLines *list : {&l, &r})
            infos[yielding] << QStringLiteral("hidden at end %1, %2 lines, longest %3")
                                   .arg(list->HiddenAtEnd()).arg(list->TextLineCount()).arg(list->MaxLength());
    }
    QCOMPARE(infos[1], infos[0]);
}

void TstCompareOps::rules_data()
{
    QTest::addColumn<QString>("counts");  // what the rule does not ignore: c case, b blanks, e empty lines
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("right");
    QTest::addColumn<QStringList>("rightRows");
    QTest::addColumn<QString>("marks");

    const QStringList left{"int  x = 1;", "", "Foo"}, right{"INT x=1;", "f o\to"};
    QTest::newRow("default") << "" << left << right << QStringList{"INT x=1;", "f o    o"} << "..";
    QTest::newRow("case counts") << "c" << left << right << QStringList{"INT x=1;", "f o    o"} << "bb";
    QTest::newRow("blanks count") << "b" << left << right << QStringList{"INT x=1;", "f o    o"} << "bb";
    QTest::newRow("case counts, lower-case only") << "c" << QStringList{"a b", "c"} << QStringList{"ab", "C"}
                                                  << QStringList{"ab", "C"} << ".b";
    QTest::newRow("blanks count, same case") << "b" << QStringList{"a b", "c"} << QStringList{"A b", "C "}
                                             << QStringList{"A b", "C "} << ".b";
    QTest::newRow("empty lines count") << "e" << left << right << QStringList{"INT x=1;", "", "f o    o"} << ".b.";
    QTest::newRow("exact") << "cbe" << QStringList{"a", "", "b"} << QStringList{"a", "", "b"}
                           << QStringList{"a", "", "b"} << "...";
    QTest::newRow("exact, an empty line added") << "cbe" << QStringList{"a", "b"} << QStringList{"a", "", "b"}
                                                << QStringList{"a", "", "b"} << ".k.";
    // A pane shows a tab as four spaces, and compares what it shows.
    QTest::newRow("exact, a tab as the pane shows it") << "cbe" << QStringList{"a\tb"} << QStringList{"a    b"}
                                                       << QStringList{"a    b"} << ".";
}

// The rule decides which lines are equal and whether empty lines take part.
void TstCompareOps::rules()
{
    QFETCH(QString, counts);
    QFETCH(QStringList, left);
    QFETCH(QStringList, right);
    QFETCH(QStringList, rightRows);
    QFETCH(QString, marks);
    TCompareRule rule;
    rule.ignoreCase = !counts.contains(u'c');
    rule.ignoreBlanks = !counts.contains(u'b');
    rule.ignoreEmptyLines = !counts.contains(u'e');
    TLines l, r;
    fill(l, left);
    fill(r, right);
    TComparePass pass(l, r);
    pass.SetRule(rule);
    QCOMPARE(pass.Run(), kChangesPrefix + QString::number(marks.count(u'b') + marks.count(u'k')));
    QCOMPARE(allLines(r), rightRows);
    QCOMPARE(markString(r), marks);
    // The ids agree with the rule's equality.
    const THashLists ids = BuildHashLists(l.Snapshot(), r.Snapshot(), nullptr, rule);
    for (int i = 0; i < l.Count(); ++i)
        for (int j = 0; j < r.Count(); ++j)
            QCOMPARE(ids.left[size_t(i)] == ids.right[size_t(j)], CompareRule::Equal(l.Rec(i), r.Rec(j), rule));
}

// A pass that hid the empty lines, then one that counts them: the hidden
// lines come back in their places and the fillers go, and saving still
// writes the file as it was.
void TstCompareOps::emptyLinesComeBackWhenTheyCount()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("right"));
    const QByteArray bytes = "\na\n\nb\nc\n\n";
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    TLines l, r;
    fill(l, {"a", "x", "b", "y", "c"});
    r.LoadFromFile(path);
    TComparePass pass(l, r);
    QCOMPARE(pass.Run(), QStringLiteral("Changes=2"));
    QCOMPARE(allLines(r), (QStringList{"a", "", "b", "", "c"}));
    TCompareRule rule;
    rule.ignoreEmptyLines = false;
    pass.SetRule(rule);
    pass.Run();
    QStringList shown = allLines(r);
    shown.removeAll(QString());
    QCOMPARE(shown, (QStringList{"a", "b", "c"}));
    QCOMPARE(r.TextLineCount(), 6);
    int textRows = 0;
    for (int i = 0; i < r.Count(); ++i)
        textRows += !r.Row(i).filler();
    QCOMPARE(textRows, 6);  // every line of the file is a row now
    const QString out = dir.filePath(QStringLiteral("out"));
    r.SaveToFile(out);
    QFile saved(out);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), bytes);
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

void TstCompareOps::cancelRestoresBothLists()
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
    bool cancelAt2 = true;
    pass.SetYield([&] {
        if (++yields == 2 && cancelAt2) {
            QVERIFY(pass.Running());
            pass.Cancel();
        }
    });
    // Cancelled on plain texts: they come back as they were, empty lines too.
    QCOMPARE(pass.Run(), kScanCancelled);
    QVERIFY(!pass.Running());
    QCOMPARE(l.Count(), 3000);
    QCOMPARE(l.Get(1), QString());
    QCOMPARE(markString(r), QString(1500, u'.'));

    // Cancelled on the rows and marks of an earlier pass, after an edit:
    // the same rows and marks come back, never marks on other rows.
    cancelAt2 = false;
    QVERIFY(pass.Run().startsWith(kChangesPrefix));
    QCOMPARE(l.Count(), r.Count());
    r.Replace(5, u"edited");
    const QString left = l.Text(), right = r.Text(), marks = markString(r);
    QVERIFY(marks.contains(u'b') && right.contains(QStringLiteral("\r\n\r\n")));  // fillers
    yields = 0;
    cancelAt2 = true;
    QCOMPARE(pass.Run(), kScanCancelled);
    QCOMPARE(l.Text(), left);
    QCOMPARE(r.Text(), right);
    QCOMPARE(markString(r), marks);
    QCOMPARE(r.LineNumber(5), r.LineNumber(4) + 1);  // what the rows stood for too
}

void TstCompareOps::largePassYieldingOrNot_data()
{
    // The yield that cancels: 0 for none, -1 for the first without empty
    // lines; -2 throws at the first with the new rows in place.
    QTest::addColumn<int>("cancelAt");
    QTest::newRow("to the end") << 0;
    QTest::newRow("cancelled at the first yield") << 1;
    QTest::newRow("cancelled once the empty lines are gone") << -1;
    QTest::newRow("a yield throws once the rows are in place") << -2;
}

void TstCompareOps::largePassYieldingOrNot()
{
    // Enough rows that a yielding pass copies its row infos on a second
    // thread: its rows, marks and infos are those of a pass
    // that does not yield, and a cancel leaves both lists as they were.
    QFETCH(int, cancelAt);
    const auto build = [](TLines &l, TLines &r) {
        for (int i = 0; i < 60000; ++i) {
            l.Add(QStringLiteral("line %1").arg(i));
            if (i % 7 == 0)
                l.Add(u"");
            if (i % 1000 != 3)
                r.Add(QStringLiteral("LINE %1").arg(i % 5000 == 8 ? -i : i));
        }
    };
    const auto describe = [](const TLines &l, const TLines &r) {
        QStringList out{l.Text(), r.Text(), markString(r)};
        for (const TLines *list : {&l, &r})
            for (int k = 0; k < list->Count(); k += 97)
                out << QStringLiteral("%1 %2 %3").arg(list->Row(k).origin).arg(list->Row(k).hidden).arg(list->LineNumber(k));
        return out;
    };
    TLines plainL, plainR;
    build(plainL, plainR);
    const QStringList before = describe(plainL, plainR);
    TComparePass plain(plainL, plainR);
    const QString status = plain.Run();

    TLines l, r;
    build(l, r);
    TComparePass pass(l, r);
    pass.SetYieldInterval(std::chrono::nanoseconds(0));
    int yields = 0;
    const int loaded = l.Count();
    bool lastYieldSawRows = false;  // both sides hold the same count of rows only once the pass made them
    pass.SetYield([&] {
        lastYieldSawRows = l.Count() == r.Count();
        if (cancelAt == -2 && lastYieldSawRows)
            throw std::runtime_error("yield");
        if (++yields == cancelAt || (cancelAt == -1 && l.Count() < loaded))
            pass.Cancel();
    });
    if (cancelAt == -2) {
        // Ended as any failure ends it: both lists as they were.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, pass.Run());
        QCOMPARE(describe(l, r), before);
    } else if (cancelAt) {
        QCOMPARE(pass.Run(), kScanCancelled);
        QCOMPARE(describe(l, r), before);
    } else {
        QCOMPARE(pass.Run(), status);
        QCOMPARE(describe(l, r), describe(plainL, plainR));
        // The window had a turn with the new rows in place, before the
        // caller draws what the pass found.
        QVERIFY(lastYieldSawRows);
        // The lines were hashed on the way (aside, in this pass), as the
        // pass that does not yield hashes them.
        for (const TLines *list : {&l, &r})
            for (int i = 0; i < list->Count(); i += 101)
                QVERIFY(list->Rec(i).hashed && list->Rec(i).hash == HashUnit::HashNormalized(list->Rec(i)));
    }
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
    // A million distinct lines take long to intern; a cancel, or a yield
    // that throws, at the first yield reaches
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
    // Against the whole interning of the same lines, timed here, so that the
    // check holds on a slow or busy machine as on a quick one.
    const qint64 stopped = sinceStop.elapsed();
    QElapsedTimer whole;
    whole.start();
    BuildHashLists(l.Snapshot(), r.Snapshot());
    QVERIFY2(stopped * 2 < whole.elapsed(), qPrintable(QStringLiteral("%1 ms after the stop, %2 ms for all")
                                                          .arg(stopped).arg(whole.elapsed())));
    QVERIFY(!pass.Running());
    QCOMPARE(l.Count(), kLines);
    QCOMPARE(r.Get(1), QStringLiteral("right line 1"));
    QCOMPARE(markString(r), QString(kLines, u'.'));
}

void TstCompareOps::savedAfterAPass_data()
{
    // What saving the right text writes after a pass that aligned it (empty
    // lines hidden, fillers, tabs shown as spaces) and edits of the rows.
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<int>("passes");
    QTest::addColumn<int>("editRow");  // -1: no edit
    QTest::addColumn<QString>("editText");
    QTest::addColumn<QByteArray>("saved");

    const QByteArray l = "a\nb\nc\nd\n";
    const auto same = [&](const char *name, const QByteArray &left, const QByteArray &right, int passes) {
        QTest::newRow(name) << left << right << passes << -1 << QString() << right;
    };
    same("no pass", l, "a\n\n\tb  \nx", 0);
    same("LF, tabs, trailing blanks, empty lines", l, "\n\na\n\n\tb  \nx\n\n", 1);
    same("CR LF, no final break", l, "a\r\n\r\nX\r\n\r\nd", 1);
    same("lone CR, empty lines at the end", l, "a\rb\r\r\r", 1);
    same("only empty lines", l, "\n\n\n", 1);
    same("two passes", l, "a\n\nd\n\n\nq\n", 2);
    same("UTF-8 with BOM", l, "\xef\xbb\xbf" "a\n\n\xc3\xa9\td\n", 1);
    same("Latin-1", l, "a\n\n\xe9\tb\n", 1);
    same("UTF-16 LE", l, QByteArray("\xff\xfe" "a\0\n\0\n\0\t\0" "b\0\n\0", 14), 1);
    same("UTF-16 BE", l, QByteArray("\xfe\xff\0a\0\r\0\n\0\r\0\n\0\t\0x", 16), 1);
    // Rows: (a, a), (b, filler), (c, c), (d, d); the edit of row 2 is only
    // that line, the rest as it was.
    QTest::newRow("edit of a line") << l << QByteArray("a\r\n\r\n\tc \r\nd") << 1 << 2 << QStringLiteral("C2")
                                    << QByteArray("a\r\n\r\nC2\r\nd");
    QTest::newRow("typing into a filler") << l << QByteArray("a\n\tc\nd\n") << 1 << 1 << QStringLiteral("new")
                                          << QByteArray("a\nnew\n\tc\nd\n");
    QTest::newRow("edit, then a second pass") << l << QByteArray("a\n\n\tc\nd\n") << 2 << 0 << QStringLiteral("A")
                                              << QByteArray("A\n\n\tc\nd\n");
}

void TstCompareOps::savedAfterAPass()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(int, passes);
    QFETCH(int, editRow);
    QFETCH(QString, editText);
    QFETCH(QByteArray, saved);

    QTemporaryDir dir;
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path;
    };
    TLines l, r;
    l.LoadFromFile(write(QStringLiteral("left"), left));
    r.LoadFromFile(write(QStringLiteral("right"), right));
    TComparePass pass(l, r);
    for (int i = 0; i < passes; ++i) {
        QVERIFY(pass.Run().startsWith(kChangesPrefix));
        if (i == 0 && editRow >= 0)
            r.Replace(editRow, editText);
    }
    const QString out = dir.filePath(QStringLiteral("out"));
    r.SaveToFile(out);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), saved);
}

void TstCompareOps::lineNumbersAfterAPass()
{
    // Each row is numbered by its line in the text (hidden empty lines
    // counted), a filler has no number.
    TLines l, r;
    fill(l, {"", "a", "", "", "b", "c", ""});
    fill(r, {"a", "x", "", "c"});
    TComparePass pass(l, r);
    QCOMPARE(pass.Run(), QStringLiteral("Changes=1"));
    // Rows: (a, a), (b, x), (c, c).
    QCOMPARE(l.Count(), 3);
    QCOMPARE(l.LineNumber(0), 2);
    QCOMPARE(l.LineNumber(1), 5);
    QCOMPARE(l.LineNumber(2), 6);
    QCOMPARE(l.TextLineCount(), 7);
    QCOMPARE(r.LineNumber(2), 4);
    fill(r, {"a", "c"});
    QCOMPARE(pass.Run(), QStringLiteral("Changes=1"));
    QCOMPARE(r.LineNumber(1), 0);  // the filler across from b
    QCOMPARE(r.LineNumber(2), 2);
    // An inserted line numbers the lines after it anew.
    r.Insert(1, u"new");
    QCOMPARE(r.LineNumber(3), 3);
}

QTEST_APPLESS_MAIN(TstCompareOps)
#include "tst_compareops.moc"
