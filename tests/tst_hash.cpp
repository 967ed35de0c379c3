#include "compare/HashUnit.h"
#include "text/TextStore.h"

#include <QtTest>

using namespace HashUnit;

class TstHash : public QObject
{
    Q_OBJECT
private slots:
    void table();
    void crcOfChars();
    void hashLine_data();
    void hashLine();
    void normalizedMatchesHashLine_data();
    void normalizedMatchesHashLine();
};

void TstHash::table()
{
    QCOMPARE(CrcTableEntry(0), 0u);
    QCOMPARE(CrcTableEntry(1), 0x77073096u);
    QCOMPARE(CrcTableEntry(255), 0x2D02EF8Du);
}

void TstHash::crcOfChars()
{
    const QString digits = QStringLiteral("123456789");
    QCOMPARE(CrcOfChars(QStringView(digits).utf16(), 9), 0xCBF43926u);
    QCOMPARE(CrcOfChars(nullptr, 0), 0u);   // text not read
    QCOMPARE(CrcOfChars(nullptr, -3), 0u);
    // Only the low byte of each unit counts: U+0141 hashes as U+0041.
    const char16_t a[] = {u'A'};
    const char16_t l[] = {u'\u0141'};
    QCOMPARE(CrcOfChars(a, 1), CrcOfChars(l, 1));
    // Latin-1 text hashes as the CRC-32 of its bytes.
    const QString e = QStringLiteral("\u00e9t\u00e9");
    QCOMPARE(CrcOfChars(QStringView(e).utf16(), 3), 0xCBF7D413u);
}

void TstHash::hashLine_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<bool>("ignoreBlanks");
    QTest::addColumn<bool>("equal");

    QTest::newRow("abc, no flags") << "abc" << "abc" << false << false << true;
    QTest::newRow("ABC = a b c = A\\tb C, both flags") << "ABC" << "a b c" << true << true << true;
    QTest::newRow("A\\tb C, both flags") << "ABC" << "A\tb C" << true << true << true;
    QTest::newRow("a b vs ab, no flags") << "a b" << "ab" << false << false << false;
    QTest::newRow("A vs a, no flags") << "A" << "a" << false << false << false;
    QTest::newRow("A vs a, case") << "A" << "a" << true << false << true;
    QTest::newRow("a b vs ab, blanks") << "a b" << "ab" << false << true << true;
    QTest::newRow("trailing CR differs") << "abc\r" << "abc" << true << true << false;
    QTest::newRow("no-break space differs") << "a\u00a0b" << "a b" << true << true << false;
    QTest::newRow("high byte ignored") << "xA" << "x\u0141" << false << false << true;
    QTest::newRow("blanks only = empty") << " \t  " << "" << false << true << true;
    QTest::newRow("Latin-1 case") << "\u00c9T\u00c9" << "\u00e9t\u00e9" << true << false << true;
}

void TstHash::hashLine()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, ignoreCase);
    QFETCH(bool, ignoreBlanks);
    QFETCH(bool, equal);
    QCOMPARE(HashLine(a, ignoreCase, ignoreBlanks) == HashLine(b, ignoreCase, ignoreBlanks), equal);

    QCOMPARE(HashLine(u"abc", false, false), 0x352441C2u);
    QCOMPARE(HashLine(u"abc", true, true), 0x352441C2u);
    QCOMPARE(HashLine(u"", true, true), 0u);
    QCOMPARE(HashLine(u"   ", false, true), 0u);
}

void TstHash::normalizedMatchesHashLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("ascii") << "Hello World\t!";
    QTest::newRow("latin1") << "Gr\u00dc\u00e4e  \u00c9";
    QTest::newRow("wide") << "\u0141\u00f3d\u017a \u0410\u0411";
    QTest::newRow("empty") << "";
    // Long enough for the sixteen-byte path, with blanks at every place in
    // a chunk, upper case, tabs, and a chunk with non-ASCII bytes.
    QTest::newRow("long ascii") << "  The Quick\tBROWN fox  jumps over THE lazy dog; \t 0123456789 AZaz@[`{ end";
    QTest::newRow("long with Latin-1") << "Stra\u00dfe UND Caf\u00c9 \u00c0 la carte, encore une fois, \u00e9t\u00c9 ";
    QTest::newRow("only blanks, long") << QString(40, u' ') + QStringLiteral("\t\t");
    // Wide lines: a long one in several chunks, units beyond the table
    // (fullwidth letters and a surrogate pair), and every unit of the table.
    QTest::newRow("long Cyrillic and Greek")
        << QStringLiteral("\u0421\u044a\u0435\u0448\u044c \u0416\u0415 \u0395\u03bb\u03bb\u03ac\u0394\u03b1\t").repeated(20);
    QTest::newRow("beyond the table") << "\uff21\uff42 \u3042\u30a2 \U00010400\U00010428 \u2c00\u2c30";
    QString everyUnit;
    for (char16_t c = 1; c < 0x3000; ++c)
        everyUnit += QChar(c);
    QTest::newRow("every unit of the table") << everyUnit;
}

void TstHash::normalizedMatchesHashLine()
{
    // A stored line (Latin-1 or UTF-16) hashes as HashLine(text, true, true).
    QFETCH(QString, line);
    TKeepAlive keep;
    TTextArena arena;
    const TLineRec rec = arena.store(line, keep);
    QCOMPARE(HashNormalized(rec), HashLine(line, true, true));
    // The same text kept as UTF-8 bytes hashes alike and equals both ways.
    const QByteArray bytes = line.toUtf8();
    TLineRec utf8;
    utf8.data = bytes.constData();
    utf8.length = uint32_t(line.size());
    utf8.utf8 = 1;
    QCOMPARE(utf8.utf8Bytes(), size_t(bytes.size()));
    QCOMPARE(HashNormalized(utf8), HashLine(line, true, true));
    QVERIFY(NormalizedEqual(utf8, rec));
    QVERIFY(NormalizedEqual(rec, utf8));
    QVERIFY(NormalizedEqual(utf8, utf8));
    QVERIFY(utf8.equalsText(line));
    // Lines that differ in case or blanks are equal; per unit, as the hash
    // lower-cases (full upper-casing would turn a sharp s into two letters).
    QString shouted = line;
    for (QChar &ch : shouted)
        if (ch.isLower() && ch.toUpper().toLower() == ch)
            ch = ch.toUpper();
    shouted.replace(QChar(u' '), QChar(u'\t'));
    QVERIFY(NormalizedEqual(rec, arena.store(shouted, keep)));
    const QByteArray shoutedBytes = shouted.toUtf8();
    TLineRec shoutedUtf8 = utf8;
    shoutedUtf8.data = shoutedBytes.constData();
    QVERIFY(NormalizedEqual(utf8, shoutedUtf8));
    QVERIFY(NormalizedEqual(shoutedUtf8, rec));
    // One letter more on either side is a different line.
    const QByteArray longerBytes = bytes + "x";
    TLineRec longer = utf8;
    longer.data = longerBytes.constData();
    longer.length = utf8.length + 1;
    QVERIFY(!NormalizedEqual(utf8, longer));
    QVERIFY(!NormalizedEqual(longer, rec));
}

QTEST_APPLESS_MAIN(TstHash)
#include "tst_hash.moc"
