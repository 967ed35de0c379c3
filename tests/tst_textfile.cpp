#include "text/Errors.h"
#include "text/Lines.h"
#include "text/TextFile.h"

#include <QTemporaryDir>
#include "LinesTestUtil.h"

#include <QtTest>
#include <csignal>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <vector>
#include <sys/stat.h>

Q_DECLARE_METATYPE(TTextEncoding)

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Makes writes past `bytes` fail (EFBIG) for as long as it lives.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &fOld);
        rlimit lim = fOld;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &fOld); }

private:
    rlimit fOld{};
};

} // namespace

class TstTextFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void bigFileRoundTrip();
    void failedLoadLeavesModel_data();
    void failedLoadLeavesModel();
    void failedSaveLeavesOldFile();
    void saveIntoMissingFolder();
    void neverLoadedPaneSavesUtf8();
    void sourceKinds_data();
    void sourceKinds();
    void saveRefusesSpecialTargets_data();
    void saveRefusesSpecialTargets();
    void latin1SaveRefusesWhatItCannotHold();
    void loneSurrogateIsNotWrittenAsUtf8();
    void byteLimit();
    void utf8LinesSavedInOtherEncodings_data();
    void utf8LinesSavedInOtherEncodings();
    void utf8Units_data();
    void utf8Units();
    void tabSizeZeroKeepsTabs_data();
    void tabSizeZeroKeepsTabs();
    void tabsExpandWhereverTheyFall_data();
    void tabsExpandWhereverTheyFall();
    void everyLineCarriesItsOwnHash_data();
    void everyLineCarriesItsOwnHash();
    void editingARepeatedLineLeavesItsTwins();

private:
    QTemporaryDir fDir;
};

namespace {

int gHashCalls = 0;

uint32_t textHash(const TLineRec &r)
{
    ++gHashCalls;
    return uint32_t(qHash(r.toString()));
}

} // namespace

void TstTextFile::roundTrip_data()
{
    // A load and a save give back the file's own bytes: its line break,
    // final break, tabs, trailing blanks, encoding and byte-order mark.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TTextEncoding>("encoding");
    QTest::addColumn<QByteArray>("saved");

    using E = TTextEncoding;
    const auto same = [](const char *name, const QByteArray &file, const QStringList &lines, E encoding) {
        QTest::newRow(name) << file << lines << encoding << file;
    };
    same("LF, final break", "a\nb\n", {"a", "b"}, E::Utf8);
    same("CR LF, no final break", "a\r\nb", {"a", "b"}, E::Utf8);
    same("lone CR", "a\rb\r", {"a", "b"}, E::Utf8);
    same("empty lines at the start and the end", "\n\na\n\n", {"", "", "a", ""}, E::Utf8);
    same("empty file: one empty line", QByteArray(), {""}, E::Utf8);
    same("only a break", "\n", {""}, E::Utf8);
    same("UTF-8 without BOM", "\xe2\x82\xac 1\n", {"\u20ac 1"}, E::Utf8);
    same("UTF-8 BOM", "\xef\xbb\xbfh\xc3\xa9\n", {"h\u00e9"}, E::Utf8Bom);
    same("not UTF-8: Latin-1", "caf\xe9\r\n\xff\x80\x01z\r\n", {"caf\u00e9", "\u00ff\u0080\u0001z"}, E::Latin1);
    same("UTF-16 LE BOM", QByteArray("\xff\xfe" "a\0\r\0\n\0\x41\x01", 10), {"a", "\u0141"}, E::Utf16LE);
    same("UTF-16 BE BOM, a tab", QByteArray("\xfe\xff\0a\0\t\0b\0\r", 10), {"a    b"}, E::Utf16BE);
    same("tab shown as four spaces", "a\tb\n", {"a    b"}, E::Utf8);
    same("tab in a UTF-8 line", "\xc3\xa9\tx", {"\u00e9    x"}, E::Utf8);
    same("tabs in a Latin-1 line", "caf\xe9\tx\t\n\xff\n", {"caf\u00e9    x    ", "\u00ff"}, E::Latin1);
    same("tabs beside a character beyond U+FFFF", "\t\xf0\x90\x90\x80\tz\n",
         {QStringView(u"    \U00010400    z").toString()}, E::Utf8);
    same("a tab after U+FEFF at a line start", "a\n\xef\xbb\xbf\tb\n", {"a", QStringView(u"\ufeff    b").toString()},
         E::Utf8);
    same("only tabs", "\t\t\n", {QString(8, u' ')}, E::Utf8);
    same("U+FEFF at a line start is text", "a\n\xef\xbb\xbf" "b\n", {"a", QStringView(u"\ufeffb").toString()}, E::Utf8);
    same("UTF-8 BOM, then U+FEFF as text", "\xef\xbb\xbf\xef\xbb\xbfx\xc3\xa9", {QStringView(u"\ufeffx\u00e9").toString()},
         E::Utf8Bom);
    same("UTF-16 LE, doubled BOM", QByteArray("\xff\xfe\xff\xfe" "a\0", 6), {QStringView(u"\ufeffa").toString()}, E::Utf16LE);
    same("odd line filling an arena block", QByteArray("\t") + QByteArray(262141, 'a') + "\n\t\n",
         {QString(4, u' ') + QString(262141, u'a'), QString(4, u' ')}, E::Utf8);
    // Valid UTF-8 lines are kept in the file's own bytes; these rows go
    // through that storage, and through files whose lines cannot be kept so.
    same("trailing blanks and controls kept", "\xd0\x96 x \x01 \nb", {"\u0416 x \u0001 ", "b"}, E::Utf8);
    same("UTF-8 beyond U+FFFF", "\xf0\x90\x90\x80z\xc3\x89\n", {QStringView(u"\U00010400z\u00c9").toString()}, E::Utf8);
    same("UTF-8 BOM, a bad byte: shown replaced, kept", "\xef\xbb\xbf\xc3\xa9\nx\xff\n", {"\u00e9", "x\ufffd"}, E::Utf8Bom);
    same("encoded surrogate: Latin-1", "\xc3\xa9\n\xed\xa0\x80\n", {"\u00c3\u00a9", "\u00ed\u00a0\u0080"}, E::Latin1);
    same("overlong form: Latin-1", "\xc0\xaf", {"\u00c0\u00af"}, E::Latin1);
    same("mixed blanks at line ends", "a  \t\nb\x01\n \n", {"a      ", "b\u0001", " "}, E::Utf8);
    // Repeated lines, which a hashed load points at one copy of their bytes.
    same("repeated lines, CR LF", "}\r\n{\r\n}\r\n{\r\n\xd0\x96\r\n\xd0\x96\r\n", {"}", "{", "}", "{", "\u0416", "\u0416"},
         E::Utf8);
    same("repeated Latin-1 lines", "\xe9t\xe9\n\xe9t\xe9\n\tx\n\tx\n", {"\u00e9t\u00e9", "\u00e9t\u00e9", "    x", "    x"},
         E::Latin1);
    // Only a dangling byte cannot come back: it reads as U+FFFD.
    QTest::newRow("UTF-16 BE, dangling byte") << QByteArray("\xfe\xff\0a\0", 5) << QStringList{"a\ufffd"}
        << E::Utf16BE << QByteArray("\xfe\xff\0a\xff\xfd", 6);
    // The first break decides for a file whose breaks are mixed.
    QTest::newRow("mixed breaks: the first one's") << QByteArray("a\r\n\rb\n\nc\r\r\nd")
        << QStringList{"a", "", "b", "", "c", "", "d"} << E::Utf8 << QByteArray("a\r\n\r\nb\r\n\r\nc\r\n\r\nd");
}

void TstTextFile::roundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, lines);
    QFETCH(TTextEncoding, encoding);
    QFETCH(QByteArray, saved);

    const QString in = fDir.filePath(QStringLiteral("in.txt"));
    const QString out = fDir.filePath(QStringLiteral("out.txt"));
    writeAll(in, file);
    // Loaded plainly, and hashed as the window loads a file.
    for (const TLineHasher hasher : {TLineHasher(nullptr), TLineHasher(textHash)}) {
        TLines l;
        l.LoadFromFile(in, hasher);
        QCOMPARE(allLines(l), lines);
        QCOMPARE(l.Encoding(), encoding);
        l.SaveToFile(out);
        QCOMPARE(readAll(out), saved);
        QCOMPARE(allLines(l), lines);  // saving leaves the text as it is
        // The saved file loads back to the same lines in the same encoding.
        TLines again;
        again.LoadFromFile(out, hasher);
        QCOMPARE(allLines(again), allLines(l));
        QCOMPARE(again.Encoding(), encoding);
    }
}

void TstTextFile::bigFileRoundTrip()
{
    // Many lines of every storage kind, through memory blocks larger than one arena block.
    QByteArray file;
    for (int i = 0; i < 20000; ++i)
        file += (i % 3 == 0) ? QByteArray("plain ascii line ") + QByteArray::number(i) + "\r\n"
              : (i % 3 == 1) ? QByteArray("\xe2\x82\xac wide ") + QByteArray::number(i) + "\r\n"
                             : QByteArray("tab\there ") + QByteArray::number(i) + "\r\n";
    const QString in = fDir.filePath(QStringLiteral("big.txt"));
    const QString out = fDir.filePath(QStringLiteral("big-out.txt"));
    writeAll(in, file);
    TLines l;
    l.LoadFromFile(in);
    QCOMPARE(l.Count(), 20000);
    QCOMPARE(l.Get(19999), QStringLiteral("\u20ac wide 19999"));
    l.SaveToFile(out);
    QCOMPARE(readAll(out), file);
}

void TstTextFile::failedLoadLeavesModel_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << QStringLiteral("no-such-file.txt");
    QTest::newRow("folder") << QString();
}

void TstTextFile::failedLoadLeavesModel()
{
    QFETCH(QString, path);
    path = fDir.filePath(path);
    TLines l;
    l.SetText(u"kept\nlines");
    l.SetBreakPoint(1, true);
    l.SetEncoding(TTextEncoding::Utf16BE);
    const QString message = errorOf([&] { l.LoadFromFile(path); });
    QVERIFY2(message.contains(path), qPrintable(message));
    QCOMPARE(allLines(l), (QStringList{"kept", "lines"}));
    QVERIFY(l.GetBreakPoint(1));
    QCOMPARE(l.Encoding(), TTextEncoding::Utf16BE);
}

void TstTextFile::failedSaveLeavesOldFile()
{
    const QString path = fDir.filePath(QStringLiteral("existing.txt"));
    writeAll(path, "old content\r\n");
    TLines l;
    for (int i = 0; i < 2000; ++i)
        l.Add(QStringLiteral("a line long enough to pass the size limit %1").arg(i));
    {
        TFileSizeLimit limit(4096);
        const QString message = errorOf([&] { l.SaveToFile(path); });
        // The system's reason, not Qt's "Unknown error".
        QVERIFY2(message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(message));
    }
    QCOMPARE(readAll(path), QByteArray("old content\r\n"));
    QCOMPARE(QDir(fDir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("existing")).size(), 1);
}

void TstTextFile::saveIntoMissingFolder()
{
    const QString path = fDir.filePath(QStringLiteral("missing/out.txt"));
    TLines l;
    l.Add(u"x   ");
    const QString message = errorOf([&] { l.SaveToFile(path); });
    QVERIFY(message.contains(path));
    QCOMPARE(l.Get(0), QStringLiteral("x   "));  // the text stays as it was
}

void TstTextFile::neverLoadedPaneSavesUtf8()
{
    const QString path = fDir.filePath(QStringLiteral("new.txt"));
    TLines l;
    l.Add(u"\u20ac");
    l.SaveToFile(path);
    QCOMPARE(readAll(path), QByteArray("\xe2\x82\xac\n"));  // a text from no file: LF
}

void TstTextFile::sourceKinds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("stream");  // read as the command line does
    QTest::addColumn<QString>("error");  // words of the error, or "" for an empty text
    QTest::newRow("/dev/null, window") << "/dev/null" << false << "";
    QTest::newRow("/dev/null, stream") << "/dev/null" << true << "";
    QTest::newRow("FIFO without a writer, window") << "FIFO" << false << "FIFO";
    QTest::newRow("/dev/zero, window") << "/dev/zero" << false << "device";
    QTest::newRow("/dev/zero, stream") << "/dev/zero" << true << "device";
    QTest::newRow("folder, stream") << "FOLDER" << true << "folder";
    QTest::newRow("empty name") << "" << false << "no file name";
}

void TstTextFile::sourceKinds()
{
    QFETCH(QString, path);
    QFETCH(bool, stream);
    QFETCH(QString, error);
    if (path == QStringLiteral("FIFO")) {
        path = fDir.filePath(QStringLiteral("fifo"));
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (path == QStringLiteral("FOLDER")) {
        path = fDir.path();
    }
    const TSourceKind kind = stream ? TSourceKind::Stream : TSourceKind::Window;
    try {
        const TLoadedText text = ReadTextFile(path, 4, nullptr, kind);
        QVERIFY2(error.isEmpty(), "no error");
        QCOMPARE(text.lines.size(), size_t(0));
    } catch (const EParlune &e) {
        QVERIFY2(!error.isEmpty() && e.message().contains(error), qPrintable(e.message()));
    }
}

void TstTextFile::saveRefusesSpecialTargets_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("FIFO") << "FIFO";
    QTest::newRow("device") << "/dev/null";
    QTest::newRow("folder") << "FOLDER";
}

void TstTextFile::saveRefusesSpecialTargets()
{
    QFETCH(QString, path);
    if (path == QStringLiteral("FIFO")) {
        path = fDir.filePath(QStringLiteral("target-fifo"));
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (path == QStringLiteral("FOLDER")) {
        path = fDir.filePath(QStringLiteral("target-folder"));
        QVERIFY(QDir().mkpath(path));
    }
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    TLines l;
    l.Add(u"x");
    const QString message = errorOf([&] { l.SaveToFile(path); });
    QVERIFY2(message.contains(QStringLiteral("not a regular file")), qPrintable(message));
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
}

void TstTextFile::latin1SaveRefusesWhatItCannotHold()
{
    const QString path = fDir.filePath(QStringLiteral("latin1.txt"));
    writeAll(path, "caf\xe9\r\n");
    TLines l;
    l.LoadFromFile(path);
    QCOMPARE(l.Encoding(), TTextEncoding::Latin1);
    l.Add(u"\u00e9 wide but Latin-1 \u20ac");
    l.Replace(1, u"\u00e9 still Latin-1");
    QCOMPARE(l.FirstLineNotEncodable(), 0);
    l.Add(u"\u0105\u0119 \u4f60\u597d");
    QCOMPARE(l.FirstLineNotEncodable(), 3);
    const QString message = errorOf([&] { l.SaveToFile(path); });
    QVERIFY2(message.contains(QStringLiteral("line 3")), qPrintable(message));
    QCOMPARE(readAll(path), QByteArray("caf\xe9\r\n"));
    // Saved as UTF-8 with its mark instead, every character stays.
    l.SetEncoding(TTextEncoding::Utf8Bom);
    l.SaveToFile(path);
    QCOMPARE(readAll(path), QByteArray("\xef\xbb\xbf" "caf\xc3\xa9\r\n\xc3\xa9 still Latin-1\r\n"
                                       "\xc4\x85\xc4\x99 \xe4\xbd\xa0\xe5\xa5\xbd\r\n"));
}

void TstTextFile::loneSurrogateIsNotWrittenAsUtf8()
{
    // A lone surrogate (as a UTF-16 file may hold) has no UTF-8 form: the
    // save refuses rather than write a replacement; UTF-16 keeps it.
    const QString path = fDir.filePath(QStringLiteral("surrogate.txt"));
    writeAll(path, "ok\n");
    TLines l;
    l.LoadFromFile(path);
    l.Add(QStringView(u"a\xd800z"));
    l.Add(QStringView(u"pair \U0001F600"));
    QCOMPARE(l.FirstLineNotEncodable(), 2);
    QVERIFY_THROWS_EXCEPTION(EParlune, l.SaveToFile(path));
    QCOMPARE(readAll(path), QByteArray("ok\n"));
    QCOMPARE(l.FirstLineNotEncodable(TTextEncoding::Utf16LE), 0);
    l.SetEncoding(TTextEncoding::Utf16LE);
    l.SaveToFile(path);
    QCOMPARE(readAll(path), QByteArray("\xff\xfe" "o\0k\0\n\0a\0\x00\xd8z\0\n\0p\0a\0i\0r\0 \0\x3d\xd8\x00\xde\n\0", 32));
}

void TstTextFile::byteLimit()
{
    // Past the byte limit a source is refused, a regular file from its size,
    // a pipe while it is read; the message names the source and the limit.
    SetSourceByteLimit(1000);
    const QString big = fDir.filePath(QStringLiteral("big.txt"));
    writeAll(big, QByteArray(1500, 'a'));
    QString message;
    try {
        ReadSourceBytes(NativePath(big), TSourceKind::Window);
    } catch (const EParlune &e) {
        message = e.message();
    }
    QVERIFY2(message.contains(big) && message.contains(QStringLiteral("1,000 bytes")), qPrintable(message));
    int fds[2];
    QCOMPARE(::pipe(fds), 0);
    QCOMPARE(::write(fds[1], QByteArray(1500, 'b').constData(), 1500), ssize_t(1500));
    ::close(fds[1]);
    const QByteArray pipePath = "/proc/self/fd/" + QByteArray::number(fds[0]);
    message.clear();
    try {
        ReadSourceBytes(pipePath, TSourceKind::Stream);
    } catch (const EParlune &e) {
        message = e.message();
    }
    ::close(fds[0]);
    QVERIFY2(message.contains(QString::fromLatin1(pipePath)) && message.contains(QStringLiteral("1,000 bytes")),
             qPrintable(message));
    writeAll(big, QByteArray(900, 'a'));
    QCOMPARE(ReadSourceBytes(NativePath(big), TSourceKind::Window).size(), 900);
    SetSourceByteLimit(0);
    QVERIFY(SourceByteLimit() > 1000);
}

void TstTextFile::utf8LinesSavedInOtherEncodings_data()
{
    QTest::addColumn<TTextEncoding>("encoding");
    QTest::addColumn<QByteArray>("saved");
    using E = TTextEncoding;
    QTest::newRow("UTF-16 LE") << E::Utf16LE
        << QByteArray("\xff\xfe\x16\x04 \0\xea\0\n\0\x01\xd8\0\xdc\n\0", 16);
    QTest::newRow("UTF-16 BE") << E::Utf16BE
        << QByteArray("\xfe\xff\x04\x16\0 \0\xea\0\n\xd8\x01\xdc\0\0\n", 16);
    QTest::newRow("UTF-8 with BOM") << E::Utf8Bom << QByteArray("\xef\xbb\xbf\xd0\x96 \xc3\xaa\n\xf0\x90\x90\x80\n");
}

void TstTextFile::utf8LinesSavedInOtherEncodings()
{
    // Lines loaded from a UTF-8 file, saved after the encoding was changed.
    QFETCH(TTextEncoding, encoding);
    QFETCH(QByteArray, saved);
    const QString in = fDir.filePath(QStringLiteral("utf8-in.txt"));
    const QString out = fDir.filePath(QStringLiteral("utf8-out.txt"));
    writeAll(in, "\xd0\x96 \xc3\xaa\n\xf0\x90\x90\x80\n");
    TLines l;
    l.LoadFromFile(in);
    l.SetEncoding(encoding);
    l.SaveToFile(out);
    QCOMPARE(readAll(out), saved);
}

void TstTextFile::utf8Units_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << QByteArray("plain text, long enough for a window");
    QTest::newRow("two-byte run") << QByteArray("\xd0\x96\xd0\xb5\xd0\xbb\xd1\x82\xd1\x8b\xd0\xb9 \xc5\x82\xc4\x85ka \xc5\xbc\xc3\xb3\xc5\x82w");
    QTest::newRow("two-byte cut by a window") << QByteArray("123456789012345\xc3\xa9 and on, \xc3\xa9");
    QTest::newRow("three and four bytes") << QByteArray("\xe2\x82\xac\xf0\x90\x90\x80 \xef\xbf\xbf\xf4\x8f\xbf\xbf 0123456789");
    QTest::newRow("lone continuation in a window") << QByteArray("0123456789\x80" "abcdefghijkl");
    QTest::newRow("lead without continuation in a window") << QByteArray("0123456789\xc3" "abcdefghijkl");
    QTest::newRow("lead at the very end") << QByteArray("0123456789abcdefghijkl\xc3");
    QTest::newRow("overlong two bytes") << QByteArray("0123456789\xc1\xbf" "abcdefghijkl");
    QTest::newRow("overlong three bytes") << QByteArray("\xe0\x9f\xbf");
    QTest::newRow("overlong four bytes") << QByteArray("\xf0\x8f\xbf\xbf");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
    QTest::newRow("cut three-byte") << QByteArray("\xe2\x82");
    QTest::newRow("bad third byte") << QByteArray("\xe2\x82z 0123456789abcdef");
    QTest::newRow("five-byte lead") << QByteArray("\xf8\x88\x80\x80\x80");
    QTest::newRow("two continuations after a two-byte lead") << QByteArray("0123456789\xc3\xa9\xa9" "abcdefghijkl");
}

void TstTextFile::utf8Units()
{
    // The loader's UTF-8 check and count agree with Qt's decoder: the number
    // of UTF-16 units, or -1 exactly where Qt finds the bytes not valid.
    QFETCH(QByteArray, bytes);
    const qsizetype expected = QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes).size() : -1;
    QCOMPARE(Utf8Units(bytes.constData(), size_t(bytes.size())), expected);
}

void TstTextFile::tabSizeZeroKeepsTabs_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("ASCII") << QByteArray("\ta\tb\n\t\n") << QStringList{"\ta\tb", "\t"};
    QTest::newRow("UTF-8") << QByteArray("\xc3\xa9\tx\n") << QStringList{"\u00e9\tx"};
    QTest::newRow("Latin-1") << QByteArray("caf\xe9\t\n") << QStringList{"caf\u00e9\t"};
    QTest::newRow("UTF-16 LE") << QByteArray("\xff\xfe\t\0a\0", 6) << QStringList{"\ta"};
}

void TstTextFile::tabSizeZeroKeepsTabs()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, lines);
    const TLoadedText loaded = DecodeText(file, 0);
    QStringList got;
    for (const TLineRec &r : loaded.lines)
        got << r.toString();
    QCOMPARE(got, lines);
    // The text is the bytes: no line needs its bytes kept apart for saving.
    QVERIFY(loaded.raw.empty());
}

void TstTextFile::tabsExpandWhereverTheyFall_data()
{
    QTest::addColumn<QByteArray>("filler");  // the bytes around the tabs
    QTest::addColumn<int>("tabSize");
    const QByteArray ascii("abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKL");
    const QByteArray utf8("\xd0\x96\xd0\xb5\xd0\xbb\xd1\x82\xd1\x8b\xd0\xb9 \xc5\x82\xc4\x85ka \xc5\xbc\xc3\xb3\xc5\x82w 0123456789");
    const QByteArray latin1("caf\xe9 na\xefve r\xe9sum\xe9 \xff 0123456789abcdefghij");
    for (int tabSize : {1, 4, 16, 17, 40}) {
        QTest::addRow("ASCII, tab size %d", tabSize) << ascii << tabSize;
        QTest::addRow("UTF-8, tab size %d", tabSize) << utf8 << tabSize;
        QTest::addRow("Latin-1, tab size %d", tabSize) << latin1 << tabSize;
    }
}

void TstTextFile::tabsExpandWhereverTheyFall()
{
    // Lines longer than the loader's sixteen-byte blocks, with tabs at every
    // byte offset, in runs, at both ends and thousands in one line: each
    // line is the decoded bytes with each tab widened.
    QFETCH(QByteArray, filler);
    QFETCH(int, tabSize);
    QByteArrayList lines;
    for (qsizetype at = 0; at <= filler.size(); ++at)
        lines << filler.left(at) + '\t' + filler.mid(at);
    for (qsizetype at = 0; at + 3 <= filler.size(); at += 5)
        lines << filler.left(at) + "\t\t\t" + filler.mid(at) + '\t';
    lines << QByteArray(33, '\t') << QByteArray(4111, '\t') << filler + filler << (filler + '\t').repeated(90);
    const QByteArray file = lines.join('\n') + '\n';
    const bool latin1 = !QByteArrayView(file).isValidUtf8();
    const TLoadedText loaded = DecodeText(file, tabSize);
    QCOMPARE(loaded.lines.size(), size_t(lines.size()));
    for (size_t i = 0; i < loaded.lines.size(); ++i) {
        const QByteArray &bytes = lines[qsizetype(i)];
        const QString expanded = ExpandTabs(latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes), tabSize);
        QCOMPARE(loaded.lines[i].toString(), expanded);
        // Stored alone, from bytes of exactly their size into a block of
        // exactly the line's size: a sanitizer build sees any access past
        // either end (in the loader, a neighbour's bytes would hide it).
        const std::vector<char> alone(bytes.begin(), bytes.end());
        const size_t units = latin1 ? alone.size() : size_t(Utf8Units(alone.data(), alone.size()));
        TTextArena arena(1);
        TKeepAlive keep;
        QCOMPARE(arena.storeExpandingTabs(alone.data(), alone.size(), units, !latin1, tabSize, keep).toString(),
                 expanded);
    }
}

void TstTextFile::everyLineCarriesItsOwnHash_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("hashed");  // lines the hasher is asked for at most
    QTest::addColumn<bool>("shared");  // equal lines share their first copy's bytes
    QTest::newRow("a few lines over and over") << QByteArray("ab\ncd\nab\ncd\nab\ncd\n") << 2 << true;
    QTest::newRow("same length, same ends, other middle") << QByteArray("axb\nayb\naxb\nayb\n") << 4 << false;
    QTest::newRow("UTF-8 repeated") << QByteArray("\xc3\xa9t\xc3\xa9\n\xc3\xa9t\xc3\xa9\n\xc3\xa9T\xc3\xa9\n") << 2
                                    << true;
    QTest::newRow("a prefix of the line before") << QByteArray("abc\nab\nabc\nab\n") << 4 << false;
    QTest::newRow("tabs, ASCII and UTF-8") << QByteArray("\ta\tB\n\t\xc3\xa9\tx\n\t\xc3\xa9\tx\n") << 3 << false;
}

void TstTextFile::everyLineCarriesItsOwnHash()
{
    // Lines that repeat may share one hashing and one copy of their bytes;
    // whatever is shared, every line ends with its own text and the hash
    // of it.
    QFETCH(QByteArray, file);
    QFETCH(int, hashed);
    QFETCH(bool, shared);
    gHashCalls = 0;
    const TLoadedText loaded = DecodeText(file, 4, textHash);
    QVERIFY(gHashCalls <= hashed);
    const QList<QByteArray> lines = file.chopped(1).split('\n');
    QCOMPARE(loaded.lines.size(), size_t(lines.size()));
    QHash<QString, const void *> firstCopy;
    for (size_t i = 0; i < loaded.lines.size(); ++i) {
        const TLineRec &r = loaded.lines[i];
        QCOMPARE(r.toString(), ExpandTabs(QString::fromUtf8(lines[qsizetype(i)]), 4));
        QVERIFY(r.hashed);
        QCOMPARE(r.hash, uint32_t(qHash(r.toString())));
        const void *first = firstCopy.value(r.toString(), r.data);
        firstCopy.insert(r.toString(), first);
        if (shared)
            QCOMPARE(r.data, first);
    }
}

void TstTextFile::editingARepeatedLineLeavesItsTwins()
{
    // A hashed load shares one copy of a repeated line's bytes; an edit of
    // one of them changes that line alone, and the rest save as read.
    const QString in = fDir.filePath(QStringLiteral("twins.txt"));
    const QString out = fDir.filePath(QStringLiteral("twins-out.txt"));
    writeAll(in, "x\xc3\xa9\r\nx\xc3\xa9\r\nx\xc3\xa9\r\n");
    TLines l;
    l.LoadFromFile(in, textHash);
    l.Replace(1, u"edited");
    l.SaveToFile(out);
    QCOMPARE(readAll(out), QByteArray("x\xc3\xa9\r\nedited\r\nx\xc3\xa9\r\n"));
}

QTEST_APPLESS_MAIN(TstTextFile)
#include "tst_textfile.moc"
