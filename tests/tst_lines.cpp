#include "text/Errors.h"
#include "text/Lines.h"
#include "panes/PaneEditing.h"

#include <QSignalSpy>
#include "LinesTestUtil.h"

#include <QtTest>
#include <atomic>
#include <cstdlib>
#include <new>

// Allocation failure on demand: while armed, the next allocation of at
// least gFailFrom bytes throws bad_alloc (once).
namespace {
std::atomic<size_t> gFailFrom{0};
}

void *operator new(size_t size)
{
    size_t from = gFailFrom.load();
    if (from && size >= from && gFailFrom.compare_exchange_strong(from, 0))
        throw std::bad_alloc();
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

// Array allocations too: a sanitizer's own operator new[] does not go
// through the one above.
void *operator new[](size_t size)
{
    return operator new(size);
}

void operator delete[](void *p) noexcept
{
    std::free(p);
}

void operator delete[](void *p, size_t) noexcept
{
    std::free(p);
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, size_t) noexcept
{
    std::free(p);
}

class TstLines : public QObject
{
    Q_OBJECT
private slots:
    void add_data();
    void add();
    void text();
    void deleteKeepsOnlyLine();
    void deleteEmptyLinesMatchesDeletingOneByOne_data();
    void deleteEmptyLinesMatchesDeletingOneByOne();
    void marksTravelWithLines();
    void markErrors();
    void clearRemovesMarks();
    void notifications();
    void snapshotOutlivesClear();
    void fileSnapshotOutlivesReload_data();
    void fileSnapshotOutlivesReload();
    void setRowsInPlaceAndShared();
    void makeRowsRefusesBadLayouts_data();
    void makeRowsRefusesBadLayouts();
    void wideAndLatin1Storage();
    void getOutOfRange();
    void maxLengthFollowsChanges();
    void deleteRange();
    void setRowsSurvivesAllocationFailure_data();
    void setRowsSurvivesAllocationFailure();
    void editsSurviveAllocationFailure_data();
    void editsSurviveAllocationFailure();
    void trimSendsOneSignal();
    void hashesMadeElsewhere();
    void insertLinesInOneStep();
    void editsDoNotGrowMemoryWithoutBound();
    void limitsAreNamed();
};

void TstLines::add_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty adds one line") << "" << QStringList{""};
    QTest::newRow("two CRs give three lines") << "a\rb\rc" << QStringList{"a", "b", "c"};
    QTest::newRow("tab becomes four spaces") << "a\tb" << QStringList{"a    b"};
    QTest::newRow("line feeds are dropped") << "a\nb\r\nc" << QStringList{"ab", "c"};
    QTest::newRow("trailing CR") << "x\r" << QStringList{"x", ""};
    QTest::newRow("wide text") << "\u0141\u00f3d\u017a" << QStringList{"\u0141\u00f3d\u017a"};
}

void TstLines::add()
{
    QFETCH(QString, input);
    QFETCH(QStringList, lines);
    TLines l;
    l.Add(input);
    QCOMPARE(allLines(l), lines);
}

void TstLines::text()
{
    TLines l;
    QCOMPARE(l.Text(), QString());
    l.Add(u"");
    QCOMPARE(l.Text(), QStringLiteral("\r\n"));
    l.SetText(u"a\r\nb\rc\nd\n");
    QCOMPARE(allLines(l), (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(l.Text(), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
    l.SetText(u"");
    QCOMPARE(l.Count(), 0);
    l.SetText(u"x\n\ny\t");
    QCOMPARE(allLines(l), (QStringList{"x", "", "y    "}));
}

void TstLines::deleteKeepsOnlyLine()
{
    TLines l;
    l.Add(u"only");
    l.SetBreakPoint(0, true);
    l.Delete(0);
    QCOMPARE(allLines(l), QStringList{""});
    QVERIFY(l.GetBreakPoint(0));  // the emptied line keeps its marks
    l.Delete(5);                 // no such line: nothing
    l.Delete(-1);
    QCOMPARE(l.Count(), 1);
}

void TstLines::deleteEmptyLinesMatchesDeletingOneByOne_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("mixed") << "\r\na\r\n\r\nb\r\n\r\n";
    QTest::newRow("only empty") << "\r\n\r\n\r\n";
    QTest::newRow("none empty") << "a\r\nb\r\n";
    QTest::newRow("spaces are not empty") << " \r\n\r\nx\r\n";
}

void TstLines::deleteEmptyLinesMatchesDeletingOneByOne()
{
    QFETCH(QString, text);
    TLines fast, slow;
    for (TLines *l : {&fast, &slow}) {
        l->SetText(text);
        for (int i = 0; i < l->Count(); i += 2)
            l->SetBreakPoint(i, true);
    }
    fast.DeleteEmptyLines();
    for (int i = slow.Count() - 1; i >= 0; --i)
        if (slow.Get(i).isEmpty())
            slow.Delete(i);
    QCOMPARE(allLines(fast), allLines(slow));
    QCOMPARE(markString(fast), markString(slow));
}

void TstLines::marksTravelWithLines()
{
    TLines l;
    l.SetText(u"a\nb\nc\nd");
    l.SetBreakPoint(2, true);
    l.SetBookmark(3, true);
    l.Delete(0);
    QCOMPARE(markString(l), QStringLiteral(".bk"));
    l.Insert(0, u"new");
    QCOMPARE(markString(l), QStringLiteral("..bk"));
    l.Replace(2, u"C");
    QCOMPARE(l.Get(2), QStringLiteral("C"));
    QCOMPARE(markString(l), QStringLiteral("..bk"));
    QCOMPARE(l.Prop(3).BookmarkIndex, qint8(-1));
}

void TstLines::markErrors()
{
    TLines l;
    l.SetText(u"a\nb");
    QCOMPARE(errorOf([&] { l.SetBookmark(2, true); }), QStringLiteral("Invalid line index for bookmark"));
    QVERIFY_THROWS_EXCEPTION(EParlune, l.SetBookmark(-2, true));
    QVERIFY_THROWS_EXCEPTION(EParlune, l.SetBreakPoint(2, true));
    QVERIFY_THROWS_EXCEPTION(EParlune, l.SetBreakPoint(-1, true));
    l.SetBookmark(-1, true);  // does nothing
    QCOMPARE(markString(l), QStringLiteral(".."));
    QVERIFY(!l.GetBreakPoint(l.Count()));
    QVERIFY(!l.GetBookmark(-5));
}

void TstLines::clearRemovesMarks()
{
    TLines l;
    l.SetText(u"a\nb");
    l.SetBreakPoint(0, true);
    l.SetBookmark(1, true);
    l.Clear();
    QCOMPARE(l.Count(), 0);
    l.Add(u"x\ry");
    QCOMPARE(markString(l), QStringLiteral(".."));
}

void TstLines::notifications()
{
    TLines l;
    QSignalSpy inserted(&l, &TLines::LinesInserted);
    QSignalSpy removed(&l, &TLines::LinesRemoved);
    QSignalSpy changed(&l, &TLines::LineChanged);
    QSignalSpy marksSpy(&l, &TLines::MarksChanged);
    QSignalSpy reset(&l, &TLines::Reset);
    l.Add(u"a\rb");
    QCOMPARE(inserted.takeFirst(), (QVariantList{0, 2}));
    l.Delete(0);
    QCOMPARE(removed.takeFirst(), (QVariantList{0, 1}));
    l.Replace(0, u"z");
    QCOMPARE(changed.count(), 1);
    l.SetBreakPoint(0, true);
    QCOMPARE(marksSpy.count(), 1);

    // A batch sends one Reset and nothing else.
    l.BeginUpdate();
    for (int i = 0; i < 100; ++i)
        l.Add(u"x");
    l.SetBookmark(5, true);
    l.EndUpdate();
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(marksSpy.count(), 1);
    QCOMPARE(reset.count(), 1);
}

void TstLines::snapshotOutlivesClear()
{
    TLines l;
    l.SetText(u"one\ntwo\t\n\u0416");
    l.SetBreakPoint(0, true);
    TLineSnapshot s = l.Snapshot();
    l.Replace(0, u"changed");  // the pane copies its records, the snapshot keeps its own
    QCOMPARE(s.lines()[0].toString(), QStringLiteral("one"));
    l.Clear();
    l.SetText(u"other");
    // Rows 0..4: one, filler, two, filler, \u0416; built from the snapshot.
    const int source[] = {0, -1, 1, -1, 2};
    l.SetRows(std::move(s), 5, [&](int k) { return source[k]; });
    QCOMPARE(allLines(l), (QStringList{"one", "", "two    ", "", "\u0416"}));
    QCOMPARE(markString(l), QStringLiteral("....."));
}

void TstLines::fileSnapshotOutlivesReload_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    // Each stored kind keeps views into the file's buffer.
    QTest::newRow("UTF-8") << QByteArray("alpha\nb\xc3\xa9ta\n") << QStringList{"alpha", "b\u00e9ta"};
    QTest::newRow("UTF-16 LE") << QByteArray("\xff\xfe" "a\0b\0\n\0\x16\x04\n\0", 12)
                               << QStringList{"ab", "\u0416"};
    QTest::newRow("Latin-1") << QByteArray("caf\xe9\nna\xefve\n") << QStringList{"caf\u00e9", "na\u00efve"};
}

// A comparison's worker may still read a snapshot while the pane loads
// another file and clears: the snapshot keeps the old buffer alive (the
// sanitizer build reports any read of a freed one).
void TstLines::fileSnapshotOutlivesReload()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    const auto write = [&](const QByteArray &data) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    };
    write(bytes);
    TLines l;
    l.LoadFromFile(path);
    TLineSnapshot s = l.Snapshot();
    write(QByteArray("other\n").repeated(1000));
    l.LoadFromFile(path);
    l.Clear();
    QStringList got;
    for (const TLineRec &rec : s.lines())
        got << rec.toString();
    QCOMPARE(got, lines);
}

void TstLines::setRowsInPlaceAndShared()
{
    // The same rows whether the snapshot's records are shared (copied) or
    // the snapshot's alone (spread out in place).
    const int source[] = {-1, 0, -1, 1, 2, -1, 3};
    for (bool keepSecond : {false, true}) {
        TLines l;
        l.SetText(u"a\nb\nc\nd");
        TLineSnapshot s = l.Snapshot();
        TLineSnapshot second = keepSecond ? s : TLineSnapshot{};
        l.SetRows(std::move(s), 7, [&](int k) { return source[k]; });
        QCOMPARE(allLines(l), (QStringList{"", "a", "", "b", "c", "", "d"}));
        if (keepSecond)
            QCOMPARE(second.Count(), 4);
    }
    TLines l;
    l.SetText(u"a\nb");
    QVERIFY_THROWS_EXCEPTION(EParlune, l.SetRows(l.Snapshot(), 2, [](int k) { return 1 - k; }));
    QCOMPARE(allLines(l), (QStringList{"a", "b"}));  // a refused layout changes nothing
}

void TstLines::wideAndLatin1Storage()
{
    TLines l;
    l.Add(u"caf\u00e9");
    l.Add(u"\u20ac5");
    QVERIFY(!l.Rec(0).wide);
    QVERIFY(l.Rec(1).wide);
    QVERIFY(l.Rec(0).equalsText(u"caf\u00e9"));
    QCOMPARE(l.Get(1), QStringLiteral("\u20ac5"));
}

void TstLines::getOutOfRange()
{
    TLines l;
    QVERIFY_THROWS_EXCEPTION(EParlune, l.Get(0));
}

void TstLines::maxLengthFollowsChanges()
{
    TLines l;
    QCOMPARE(l.MaxLength(), 0);
    l.SetText(u"ab\nabcd\nabc");
    QCOMPARE(l.MaxLength(), 4);
    l.Replace(0, u"abcdefg");
    QCOMPARE(l.MaxLength(), 7);
    l.Replace(0, u"a");  // the longest line shortened: counted again
    QCOMPARE(l.MaxLength(), 4);
    l.Delete(1);
    QCOMPARE(l.MaxLength(), 3);
    l.Insert(0, u"\t\t");
    QCOMPARE(l.MaxLength(), 8);
    l.Add(u"x   ");
    l.TrimTrailing();
    QCOMPARE(l.MaxLength(), 3);
    l.Clear();
    QCOMPARE(l.MaxLength(), 0);
}

void TstLines::deleteRange()
{
    TLines l;
    l.SetText(u"a\nb\nc\nd");
    l.SetBookmark(3, true);
    QSignalSpy removed(&l, &TLines::LinesRemoved);
    l.DeleteRange(1, 2);
    QCOMPARE(allLines(l), (QStringList{"a", "d"}));
    QCOMPARE(markString(l), QStringLiteral(".k"));
    QCOMPARE(removed.takeFirst(), (QVariantList{1, 2}));
    QVERIFY_THROWS_EXCEPTION(EParlune, l.DeleteRange(0, 2));  // would leave no line
    QVERIFY_THROWS_EXCEPTION(EParlune, l.DeleteRange(1, 5));
}

void TstLines::makeRowsRefusesBadLayouts_data()
{
    QTest::addColumn<QList<int>>("sources");  // the line of each row, -1 for a filler
    QTest::newRow("out of order") << QList<int>{1, 0};
    QTest::newRow("a line twice") << QList<int>{0, 0};
    QTest::newRow("a line before its row") << QList<int>{-1, 2, 1};
    QTest::newRow("beyond the lines") << QList<int>{0, 1, 2, 3};
}

void TstLines::makeRowsRefusesBadLayouts()
{
    QFETCH(QList<int>, sources);
    TLines l;
    l.SetText(u"a\nb\nc");
    const auto source = [&](int k) { return sources[k]; };
    const auto noMarks = [](int) { return TLineProp{}; };
    QVERIFY_THROWS_EXCEPTION(EParlune, TLines::MakeRows(l.Snapshot(), l.AllRowInfos(), int(sources.size()), source, noMarks));
    // A good layout of the same lines is made and taken.
    l.TakeRows(TLines::MakeRows(l.Snapshot(), l.AllRowInfos(), 4, [](int k) { return k == 1 ? -1 : k - (k > 1); },
                                [](int k) { TLineProp p; p.BreakPoint = k == 1; return p; }));
    QCOMPARE(allLines(l), (QStringList{"a", "", "b", "c"}));
    QCOMPARE(markString(l), QStringLiteral(".b.."));
    QCOMPARE(l.LineNumber(2), 2);
}

void TstLines::setRowsSurvivesAllocationFailure_data()
{
    QTest::addColumn<bool>("shared");
    QTest::newRow("records spread in place") << false;
    QTest::newRow("records copied") << true;
}

void TstLines::setRowsSurvivesAllocationFailure()
{
    QFETCH(bool, shared);
    TLines l;
    for (int i = 0; i < 20000; ++i)
        l.Add(QString::number(i));
    l.SetBreakPoint(3, true);
    TLineSnapshot s = l.Snapshot();
    TLineSnapshot other = shared ? s : TLineSnapshot{};
    QSignalSpy reset(&l, &TLines::Reset);
    gFailFrom = 40000;  // the room for 40,000 rows (marks or records) cannot be had
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, l.SetRows(std::move(s), 40000, [](int k) { return k % 2 ? -1 : k / 2; }));
    gFailFrom = 0;
    // Nothing changed, and the list is whole: it can be read and rebuilt.
    QCOMPARE(reset.count(), 0);
    QCOMPARE(l.Count(), 20000);
    QCOMPARE(l.Get(19999), QStringLiteral("19999"));
    QVERIFY(l.GetBreakPoint(3));
    l.SetRows(l.Snapshot(), 40000, [](int k) { return k % 2 ? -1 : k / 2; });
    QCOMPARE(l.Get(39998), QStringLiteral("19999"));
}

void TstLines::editsSurviveAllocationFailure_data()
{
    // Each edit needs more than 100 kB at once (many lines, one long one,
    // or a copy of records a snapshot shares), and that allocation fails.
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("shared");
    QTest::newRow("SetText") << QStringLiteral("SetText") << false;
    QTest::newRow("InsertLines") << QStringLiteral("InsertLines") << false;
    QTest::newRow("ReplaceLines") << QStringLiteral("ReplaceLines") << false;
    QTest::newRow("Replace, long line") << QStringLiteral("Replace") << false;
    QTest::newRow("SpliceText, records shared") << QStringLiteral("SpliceText") << true;
}

void TstLines::editsSurviveAllocationFailure()
{
    QFETCH(QString, edit);
    QFETCH(bool, shared);
    constexpr int kLines = 10000;
    TLines l;
    for (int i = 0; i < kLines; ++i)
        l.Add(QStringLiteral("line %1").arg(i));
    l.SetBreakPoint(3, true);
    const TLineSnapshot snapshot = shared ? l.Snapshot() : TLineSnapshot{};
    const QString manyLines = QStringLiteral("new\n").repeated(kLines);
    const QList<QStringView> views = QStringView(manyLines).split(u'\n');
    const QString longLine(200000, u'x');
    QSignalSpy reset(&l, &TLines::Reset);
    QSignalSpy changed(&l, &TLines::LineChanged);
    QSignalSpy inserted(&l, &TLines::LinesInserted);

    // Shared records are copied before the edit: that copy is what fails.
    gFailFrom = shared ? kLines * sizeof(TLineRec) : 100000;
    const auto apply = [&] {
        if (edit == u"SetText")
            l.SetText(manyLines);
        else if (edit == u"InsertLines")
            l.InsertLines(5, views);
        else if (edit == u"ReplaceLines")
            l.ReplaceLines(5, 2, views);
        else if (edit == u"Replace")
            l.Replace(5, longLine);
        else
            SpliceText(l, {5, 2}, {7, 1}, QStringLiteral("a\nb"));
        gFailFrom = 0;
    };
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, apply());
    gFailFrom = 0;

    QCOMPARE(l.Count(), kLines);
    QCOMPARE(l.Get(5), QStringLiteral("line 5"));
    QCOMPARE(l.Get(kLines - 1), QStringLiteral("line %1").arg(kLines - 1));
    QVERIFY(l.GetBreakPoint(3));
    QCOMPARE(reset.count() + changed.count() + inserted.count(), 0);
    // The list still signals each change as it happens.
    l.Add(QStringLiteral("more"));
    QCOMPARE(inserted.count(), 1);
    SpliceText(l, {5, 0}, {5, 0}, QStringLiteral("new "));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(l.Get(5), QStringLiteral("new line 5"));
}

void TstLines::hashesMadeElsewhere()
{
    // Hashes made from a read-only list (as another thread makes them)
    // and then put in: lines that had one keep it, the rest get theirs,
    // and a list whose lines all have one needs no work.
    const TLineHasher byLength = [](const TLineRec &r) { return uint32_t(r.length) * 7 + 1; };
    TLines l;
    l.Add(u"one");
    l.Add(u"three");
    l.ComputeHashes([](const TLineRec &) { return 99u; });
    l.Add(u"seven13");
    const std::atomic<bool> go{false};
    std::vector<uint32_t> hashes = l.HashesOf(byLength, &go);
    QCOMPARE(hashes, (std::vector<uint32_t>{99, 99, 50}));
    l.SetHashes(hashes, 0, 2);
    QVERIFY(l.Rec(1).hashed && !l.Rec(2).hashed);  // a piece at a time
    l.SetHashes(hashes, 2, 3);
    for (int i = 0; i < l.Count(); ++i)
        QVERIFY(l.Rec(i).hashed);
    QCOMPARE(l.Rec(2).hash, 50u);
    QVERIFY(l.HashesOf(byLength, nullptr).empty());

    // A stop gives nothing; hashes for another count of lines are not taken.
    l.Add(u"x");
    const std::atomic<bool> stop{true};
    QVERIFY(l.HashesOf(byLength, &stop).empty());
    l.SetHashes(hashes, 0, 3);
    QVERIFY(!l.Rec(3).hashed);
}

void TstLines::trimSendsOneSignal()
{
    TLines l;
    l.SetText(u"a  \nb\nc\t\n  ");
    QSignalSpy changed(&l, &TLines::LineChanged);
    QSignalSpy range(&l, &TLines::LinesChanged);
    l.TrimTrailing();
    QCOMPARE(allLines(l), (QStringList{"a", "b", "c", ""}));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(range.count(), 1);
    QCOMPARE(range.takeFirst(), (QVariantList{0, 4}));
    l.TrimTrailing();  // nothing left to trim: no signal
    QCOMPARE(range.count(), 0);
}

void TstLines::insertLinesInOneStep()
{
    TLines l;
    l.SetText(u"first\nlast");
    l.SetBookmark(1, true);
    QSignalSpy inserted(&l, &TLines::LinesInserted);
    const QString texts[] = {QStringLiteral("x\ty"), QStringLiteral(""), QStringLiteral("\u20ac")};
    l.InsertLines(1, {texts[0], texts[1], texts[2]});
    QCOMPARE(allLines(l), (QStringList{"first", "x    y", "", "\u20ac", "last"}));
    QCOMPARE(markString(l), QStringLiteral("....k"));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.takeFirst(), (QVariantList{1, 3}));
    QVERIFY_THROWS_EXCEPTION(EParlune, l.InsertLines(6, {texts[0]}));
}

void TstLines::editsDoNotGrowMemoryWithoutBound()
{
    // Typing stores the edited line anew each time; what it replaced is
    // reclaimed, so the store stays near the size of the text.
    TLines l;
    l.SetText(QString(10000, u'a') + QStringLiteral("\nsecond \u20ac"));
    QString line = l.Get(0);
    for (int i = 0; i < 3000; ++i) {
        line.insert(i, QChar(u'b'));
        l.Replace(0, line);
    }
    QCOMPARE(l.Get(0), line);
    QCOMPARE(l.Get(1), QStringLiteral("second \u20ac"));
    const size_t text = l.TextBytes();
    QVERIFY2(l.ArenaBytes() <= text + std::max<size_t>(text, 4 << 20) + 2 * line.size(),
             qPrintable(QStringLiteral("%1 bytes stored for %2 bytes of text").arg(l.ArenaBytes()).arg(text)));
}

void TstLines::limitsAreNamed()
{
    checkLineLength(kMaxLineLength);
    checkLineCount(kMaxLineCount);
    QCOMPARE(errorOf<ETooLarge>([&] { checkLineLength(kMaxLineLength + 1); }), QStringLiteral("Line too long: a line may hold at most 200,000,000 characters"));
    QCOMPARE(errorOf<ETooLarge>([&] { checkLineCount(kMaxLineCount + 1); }), QStringLiteral("Too many lines: a text may hold at most 100,000,000 lines"));
    // The record keeps lengths in 28 bits, and a pane draws the longest
    // line at 64-bit offsets: the limit must fit both.
    static_assert(kMaxLineLength < (1 << 28));
}

QTEST_APPLESS_MAIN(TstLines)
#include "tst_lines.moc"
