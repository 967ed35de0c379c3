#include "compare/DiffRuns.h"
#include "compare/InlineDiff.h"

#include <QtTest>

using InlineDiff::TSpan;
Q_DECLARE_METATYPE(std::vector<TSpan>)

namespace {

// Marks from a string, one letter per row: b breakpoint, k bookmark, . none.
void markRows(TLines &l, const QString &marks)
{
    l.Clear();
    for (QChar c : marks) {
        l.Add(u"x");
        if (c == u'b')
            l.SetBreakPoint(l.Count() - 1, true);
        else if (c == u'k')
            l.SetBookmark(l.Count() - 1, true);
    }
}

QString run(const std::optional<DiffRuns::TRun> &r)
{
    return r ? QStringLiteral("%1+%2").arg(r->first).arg(r->count) : QStringLiteral("none");
}

} // namespace

class TstDifferences : public QObject
{
    Q_OBJECT
private slots:
    void runs_data();
    void runs();
    void characters_data();
    void characters();
};

void TstDifferences::runs_data()
{
    QTest::addColumn<QString>("marks");
    QTest::addColumn<int>("row");  // the caret's row
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("position");  // "k of n"
    QTest::newRow("no runs") << "...." << 1 << "none" << "none" << "0 of 0";
    QTest::newRow("one run, caret above") << ".bk.." << 0 << "1+2" << "none" << "0 of 1";
    QTest::newRow("one run, caret inside") << ".bk.." << 2 << "none" << "none" << "1 of 1";
    QTest::newRow("one run, caret below") << ".bk.." << 4 << "none" << "1+2" << "1 of 1";
    QTest::newRow("runs at the first and last rows") << "bb..k" << 0 << "4+1" << "none" << "1 of 2";
    QTest::newRow("from the last row") << "bb..k" << 4 << "none" << "0+2" << "2 of 2";
    QTest::newRow("between runs") << "b.b.b" << 3 << "4+1" << "2+1" << "2 of 3";
    QTest::newRow("above all: from the top") << "..bb" << -1 << "2+2" << "none" << "0 of 1";
    QTest::newRow("empty list") << "" << 0 << "none" << "none" << "0 of 0";
}

void TstDifferences::runs()
{
    QFETCH(QString, marks);
    QFETCH(int, row);
    QFETCH(QString, next);
    QFETCH(QString, previous);
    QFETCH(QString, position);
    TLines l;
    markRows(l, marks);
    QCOMPARE(run(DiffRuns::Next(l, row)), next);
    QCOMPARE(run(DiffRuns::Previous(l, row)), previous);
    const DiffRuns::TPosition p = DiffRuns::Position(l, row);
    QCOMPARE(QStringLiteral("%1 of %2").arg(p.index).arg(p.total), position);
    QCOMPARE(DiffRuns::MarkedRows(l), int(marks.count(u'b') + marks.count(u'k')));
}

void TstDifferences::characters_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<std::vector<TSpan>>("leftSpans");
    QTest::addColumn<std::vector<TSpan>>("rightSpans");
    using V = std::vector<TSpan>;
    QTest::newRow("case only") << "Hello" << "hELLO" << false << V{} << V{};
    QTest::newRow("blanks only") << "a b" << "a  \tb" << false << V{} << V{};
    QTest::newRow("a one-character word") << "int x = 1;" << "int x = 2;" << false << V{{8, 1}} << V{{8, 1}};
    QTest::newRow("a number edited: one digit") << "width = 20;" << "width = 24;" << false << V{{9, 1}} << V{{9, 1}};
    QTest::newRow("a renamed identifier: one word") << "auto l = makeLabel(text);" << "auto l = createLabel(text);"
                                                    << false << V{{9, 9}} << V{{9, 11}};
    QTest::newRow("a word edited inside") << "colour = 1" << "color = 1" << false << V{{4, 1}} << V{};
    QTest::newRow("a word grown inside") << "calculateTotal" << "calculateSubtotal" << false << V{} << V{{9, 3}};
    QTest::newRow("two short words: replaced") << "ab" << "xy" << false << V{{0, 2}} << V{{0, 2}};
    QTest::newRow("a word grown at the start") << "abc" << "xyabc" << false << V{} << V{{0, 2}};
    QTest::newRow("a word grown at the end") << "abc" << "abcde" << false << V{} << V{{3, 2}};
    QTest::newRow("punctuation, one character each") << "f(a);" << "f[a];" << false << V{{1, 1}, {3, 1}}
                                                     << V{{1, 1}, {3, 1}};
    QTest::newRow("an argument added, blanks not marked") << "call(a, b)" << "call(a, b, c)" << false << V{}
                                                          << V{{9, 1}, {11, 1}};
    QTest::newRow("mostly changed: whole lines without the indent") << "  int a = b;" << "return compute(x, y);"
                                                                    << false << V{{2, 10}} << V{{0, 21}};
    QTest::newRow("mostly changed on one side only") << "a bcd e" << "a d e" << false << V{{0, 7}} << V{{2, 1}};
    QTest::newRow("a surrogate pair is one character")
        << QStringView(u"a \U0001F600 b").toString() << QStringView(u"a \U0001F601 b").toString() << false
        << V{{2, 2}} << V{{2, 2}};
    QTest::newRow("a line over the cap") << QString(10001, u'a') << QStringLiteral("b") << true
                                         << V{{0, 10001}} << V{{0, 1}};
}

void TstDifferences::characters()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(bool, whole);
    QFETCH(std::vector<TSpan>, leftSpans);
    QFETCH(std::vector<TSpan>, rightSpans);
    const InlineDiff::TCharDifferences d = InlineDiff::Compare(left, right);
    QCOMPARE(d.whole, whole);
    QVERIFY(d.left == leftSpans);
    QVERIFY(d.right == rightSpans);
}

QTEST_APPLESS_MAIN(TstDifferences)
#include "tst_differences.moc"
