#include "folders/FolderCompare.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Folders;

class TstFolders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void statuses_data();
    void statuses();
    void specialEntriesAreNotOpened();
    void ignoredNamesAreLeftOut();
    void ignorePatterns_data();
    void ignorePatterns();
    void streamingTellsEachEntryInOrder();
    void unreadableRootIsAnError();
    void tabsAsTheFileWindowReadsThem();
    void cleanupTestCase();

private:
    void write(const QString &rel, const QByteArray &bytes);
    const TEntry *find(const QByteArray &path) const;
    QTemporaryDir fDir;
    QByteArray fLeft, fRight;
    std::vector<TEntry> fEntries;
};

void TstFolders::write(const QString &rel, const QByteArray &bytes)
{
    const QString path = fDir.filePath(rel);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const TEntry *TstFolders::find(const QByteArray &path) const
{
    for (const TEntry &e : fEntries)
        if (e.path == path)
            return &e;
    return nullptr;
}

// One tree pair holding each status once, a link loop, a FIFO, a name that
// is not UTF-8 and, when not running as root, a file nobody may read.
void TstFolders::initTestCase()
{
    fLeft = QFile::encodeName(fDir.filePath(QStringLiteral("L")));
    fRight = QFile::encodeName(fDir.filePath(QStringLiteral("R")));
    write(QStringLiteral("L/same.txt"), "one\ntwo\n");
    write(QStringLiteral("R/same.txt"), "one\ntwo\n");
    write(QStringLiteral("L/sub/rule.txt"), "One  Two\n\nthree\n");
    write(QStringLiteral("R/sub/rule.txt"), "one two\nTHREE\n");
    write(QStringLiteral("L/sub/differs.txt"), "one\n");
    write(QStringLiteral("R/sub/differs.txt"), "two\n");
    write(QStringLiteral("L/bin.dat"), QByteArray("a\0b", 3));
    write(QStringLiteral("R/bin.dat"), QByteArray("a\0c", 3));
    write(QStringLiteral("L/left.txt"), "x\n");
    write(QStringLiteral("R/right.txt"), "x\n");
    write(QStringLiteral("L/kind"), "file\n");
    QVERIFY(QDir().mkpath(fDir.filePath(QStringLiteral("R/kind"))));
    write(QStringLiteral("L/secret.txt"), "a\n");
    write(QStringLiteral("R/secret.txt"), "b\n");
    QVERIFY(::chmod(QFile::encodeName(fDir.filePath(QStringLiteral("L/secret.txt"))).constData(), 0) == 0);
    for (const QByteArray &root : {fLeft, fRight}) {
        QVERIFY(::symlink("..", (root + "/loop").constData()) == 0);
        QVERIFY(::mkfifo((root + "/fifo").constData(), 0600) == 0);
        // By the system's bytes: a QString cannot hold this name.
        const int fd = ::open((root + "/name\xff.txt").constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        const QByteArray text = root == fLeft ? "left\n" : "right\n";
        QCOMPARE(::write(fd, text.constData(), size_t(text.size())), ssize_t(text.size()));
        ::close(fd);
    }
    fEntries = CompareTrees(fLeft, fRight, TOptions{});
}

void TstFolders::statuses_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<TStatus>("status");
    QTest::newRow("byte-equal") << QByteArray("same.txt") << TStatus::Same;
    QTest::newRow("equal by lines") << QByteArray("sub/rule.txt") << TStatus::EqualByRule;
    QTest::newRow("differs") << QByteArray("sub/differs.txt") << TStatus::Differs;
    QTest::newRow("binary") << QByteArray("bin.dat") << TStatus::DiffersBinary;
    QTest::newRow("left only") << QByteArray("left.txt") << TStatus::OnlyLeft;
    QTest::newRow("right only") << QByteArray("right.txt") << TStatus::OnlyRight;
    QTest::newRow("file and folder") << QByteArray("kind") << TStatus::KindMismatch;
    QTest::newRow("link loop, same target") << QByteArray("loop") << TStatus::Same;
    QTest::newRow("not UTF-8") << QByteArray("name\xff.txt") << TStatus::Differs;
    if (::geteuid() != 0)
        QTest::newRow("unreadable") << QByteArray("secret.txt") << TStatus::Unreadable;
}

void TstFolders::statuses()
{
    QFETCH(QByteArray, path);
    QFETCH(TStatus, status);
    const TEntry *e = find(path);
    QVERIFY(e);
    QCOMPARE(e->status, status);
    if (status == TStatus::Unreadable)
        QVERIFY(!e->reason.isEmpty());
    QVERIFY(!e->pending);
    // One entry compared on its own (as after a save) agrees with the walk.
    QCOMPARE(CompareEntry(fLeft, fRight, path, TOptions{}).status, status);
}

// Links and FIFOs are listed as what they are and never entered or opened
// (opening a FIFO without a writer would block the listing).
void TstFolders::specialEntriesAreNotOpened()
{
    const TEntry *loop = find("loop");
    QVERIFY(loop);
    QCOMPARE(loop->sides[0].kind, TKind::Link);
    QCOMPARE(loop->sides[0].linkTarget, QByteArray(".."));
    QVERIFY(!find("loop/same.txt"));
    const TEntry *fifo = find("fifo");
    QVERIFY(fifo);
    QCOMPARE(fifo->sides[1].kind, TKind::Special);
}

void TstFolders::ignoredNamesAreLeftOut()
{
    TOptions options;
    options.ignore = {"sub", "kind"};
    const std::vector<TEntry> entries = CompareTrees(fLeft, fRight, options);
    for (const TEntry &e : entries)
        QVERIFY2(!e.path.startsWith("sub") && e.path != "kind", e.path.constData());
    QVERIFY(entries.size() < fEntries.size());
}

// Shell patterns match whole names; a leading dot is matched only by a dot.
void TstFolders::ignorePatterns_data()
{
    QTest::addColumn<QByteArrayList>("patterns");
    QTest::addColumn<QByteArrayList>("leftOut");
    QTest::addColumn<QByteArrayList>("kept");
    QTest::newRow("star") << QByteArrayList{"*.dat"} << QByteArrayList{"bin.dat"}
                          << QByteArrayList{"same.txt", "sub/rule.txt"};
    QTest::newRow("star in a folder too") << QByteArrayList{"r*.txt"} << QByteArrayList{"right.txt", "sub/rule.txt"}
                                          << QByteArrayList{"sub/differs.txt", "left.txt"};
    QTest::newRow("question mark") << QByteArrayList{"?ind"} << QByteArrayList{"kind"} << QByteArrayList{"same.txt"};
    QTest::newRow("whole names only") << QByteArrayList{"same"} << QByteArrayList{} << QByteArrayList{"same.txt"};
}

void TstFolders::ignorePatterns()
{
    QFETCH(QByteArrayList, patterns);
    QFETCH(QByteArrayList, leftOut);
    QFETCH(QByteArrayList, kept);
    TOptions options;
    options.ignore = patterns;
    const std::vector<TEntry> walked = CompareTrees(fLeft, fRight, options);
    auto has = [&](const QByteArray &path) {
        return std::any_of(walked.begin(), walked.end(), [&](const TEntry &e) { return e.path == path; });
    };
    for (const QByteArray &path : leftOut)
        QVERIFY2(!has(path), path.constData());
    for (const QByteArray &path : kept)
        QVERIFY2(has(path), path.constData());
}

// A walk that is listened to tells every entry once, in the numbering of
// the result, a folder's children together; the status of a pair comes
// after its listing, and the final statuses are the result's.
void TstFolders::streamingTellsEachEntryInOrder()
{
    QMutex lock;
    std::vector<TEntry> told;
    QList<qsizetype> settledBeforeListed;
    QList<QByteArray> mixedBatches;
    TProgress progress;
    progress.listed = [&](qsizetype first, std::vector<TEntry> entries) {
        QMutexLocker hold(&lock);
        if (first != qsizetype(told.size()))
            mixedBatches << "numbered out of order";
        const QByteArray &one = entries.front().path;
        const QByteArray folder = one.left(std::max<qsizetype>(one.lastIndexOf('/'), 0));
        for (TEntry &e : entries) {
            if (e.path.left(std::max<qsizetype>(e.path.lastIndexOf('/'), 0)) != folder)
                mixedBatches << e.path;
            told.push_back(std::move(e));
        }
    };
    progress.settled = [&](qsizetype index, TStatus status, const QString &reason) {
        QMutexLocker hold(&lock);
        if (index >= qsizetype(told.size())) {
            settledBeforeListed << index;
            return;
        }
        told[size_t(index)].status = status;
        told[size_t(index)].reason = reason;
        told[size_t(index)].pending = false;
    };
    const std::vector<TEntry> result = CompareTrees(fLeft, fRight, TOptions{}, &progress);
    QVERIFY(settledBeforeListed.isEmpty());
    QVERIFY2(mixedBatches.isEmpty(), mixedBatches.join(' ').constData());
    QCOMPARE(told.size(), result.size());
    for (size_t i = 0; i < result.size(); ++i) {
        QCOMPARE(told[i].path, result[i].path);
        QCOMPARE(told[i].status, result[i].status);
        QVERIFY2(!told[i].pending, told[i].path.constData());
    }
}

// A root that cannot be listed is an error that names it, rather than a
// tree where the other side's every entry looks like its own alone.
void TstFolders::unreadableRootIsAnError()
{
    QList<QByteArray> roots{fDir.filePath(QStringLiteral("gone")).toUtf8()};
    if (::geteuid() != 0) {
        const QByteArray locked = QFile::encodeName(fDir.filePath(QStringLiteral("locked")));
        QVERIFY(QDir().mkpath(QFile::decodeName(locked)));
        QVERIFY(::chmod(locked.constData(), 0) == 0);
        roots << locked;
    }
    for (const QByteArray &root : roots) {
        for (const bool rootLeft : {true, false}) {
            QString error;
            try {
                CompareTrees(rootLeft ? root : fRight, rootLeft ? fRight : root, TOptions{});
            } catch (const std::exception &e) {
                error = QString::fromUtf8(e.what());
            }
            QVERIFY2(error.startsWith(QStringLiteral("Cannot read the folder ") + QFile::decodeName(root)),
                     qPrintable(error));
        }
        ::chmod(root.constData(), 0700);  // so that the folder can be removed
    }
}

// Where blanks count, a tab is the 4 spaces the file window shows: a pair
// that window finds equal is equal here too.
void TstFolders::tabsAsTheFileWindowReadsThem()
{
    write(QStringLiteral("tabs/a.txt"), "\tx\n");
    write(QStringLiteral("tabs/b.txt"), "    x\n");
    write(QStringLiteral("tabs/c.txt"), "  x\n");
    const auto pair = [&](const char *other, bool blanksCount) {
        TOptions options;
        options.rule.ignoreBlanks = !blanksCount;
        return ComparePair(QFile::encodeName(fDir.filePath(QStringLiteral("tabs/a.txt"))),
                           QFile::encodeName(fDir.filePath(QStringLiteral("tabs/") + QLatin1String(other))), options);
    };
    QCOMPARE(pair("b.txt", true), TStatus::EqualByRule);
    QCOMPARE(pair("c.txt", true), TStatus::Differs);
    QCOMPARE(pair("c.txt", false), TStatus::EqualByRule);
}

void TstFolders::cleanupTestCase()
{
    ::chmod((fLeft + "/secret.txt").constData(), 0600);
    // QDir cannot remove a name that is not UTF-8.
    for (const QByteArray &root : {fLeft, fRight})
        ::unlink((root + "/name\xff.txt").constData());
}

QTEST_GUILESS_MAIN(TstFolders)
#include "tst_folders.moc"
