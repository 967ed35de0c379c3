// The folder window: the tree a walk fills, the sums of its folders, the
// filter, the remembered ignore patterns, and opening a pair of files.
#include "app/FolderStart.h"
#include "app/MainForm.h"
#include "folderview/DifferencesFilter.h"
#include "folderview/FolderModel.h"
#include "folderview/FolderRun.h"
#include "folderview/FolderWindow.h"
#include "folderview/IgnorePatterns.h"
#include "panes/TextPane.h"
#include "text/Lines.h"
#include "WindowTestUtil.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QIcon>
#include <QMenu>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace FolderView;

class TstFolderView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void statuses_data();
    void statuses();
    void foldersFirstInFileManagerOrder();
    void countsPerStatus();
    void filterShowsWhatDiffers();
    void openPair_data();
    void openPair();
    void rowComparedAgainAfterTheFileWindow();
    void notAPairIsNotOpened_data();
    void notAPairIsNotOpened();
    void ignorePatternsAreRemembered();
    void stopKeepsWhatWasFound();
    void iconsAreMadeOnce();
    void ruleComesFromTheComparisonMenu_data();
    void ruleComesFromTheComparisonMenu();
    void cleanupTestCase();

private:
    void write(const QString &rel, const QByteArray &bytes);
    std::unique_ptr<TFolderWindow> makeWindow();
    static QModelIndex find(const TFolderModel &model, const QByteArray &path, const QModelIndex &under = {});
    QModelIndex shownRow(TFolderWindow &w, const QByteArray &path);
    QTemporaryDir fDir;
    QByteArray fLeft, fRight;
    std::unique_ptr<TFolderWindow> fWindow;
};

void TstFolderView::write(const QString &rel, const QByteArray &bytes)
{
    const QString path = fDir.filePath(rel);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

std::unique_ptr<TFolderWindow> TstFolderView::makeWindow()
{
    auto w = std::make_unique<TFolderWindow>(fLeft, fRight);
    w->SetPairOpener(&FolderStart::OpenPairWindow);
    QSignalSpy done(w.get(), &TFolderWindow::RunFinished);
    if (!done.wait(10000))
        return nullptr;
    return w;
}

// The model's row whose entry has the path.
QModelIndex TstFolderView::find(const TFolderModel &model, const QByteArray &path, const QModelIndex &under)
{
    for (int r = 0; r < model.rowCount(under); ++r) {
        const QModelIndex row = model.index(r, 0, under);
        const QByteArray here = model.Entry(row)->path;
        if (here == path)
            return row;
        if (path.startsWith(here + '/'))
            return find(model, path, row);
    }
    return {};
}

QModelIndex TstFolderView::shownRow(TFolderWindow &w, const QByteArray &path)
{
    const QModelIndex source = find(w.Model(), path);
    return w.Filter().mapFromSource(source);
}

// One tree pair holding each status once, folders whose sums differ, a link
// loop, a FIFO, a name that is not UTF-8 and, when not running as root, a
// file and a folder nobody may read.
void TstFolderView::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    fLeft = QFile::encodeName(fDir.filePath(QStringLiteral("L")));
    fRight = QFile::encodeName(fDir.filePath(QStringLiteral("R")));
    for (const QString &side : {QStringLiteral("L/"), QStringLiteral("R/")}) {
        write(side + QStringLiteral("same.txt"), "one\ntwo\n");
        write(side + QStringLiteral("samesub/a.txt"), "a\n");
        write(side + QStringLiteral("order/b10.txt"), "x\n");
        write(side + QStringLiteral("order/b9.txt"), "x\n");
        write(side + QStringLiteral("order/A.txt"), "x\n");
        write(side + QStringLiteral("order/zdir/x"), "x\n");
        write(side + QStringLiteral("order/Cdir/x"), "x\n");
        write(side + QStringLiteral("deep/deeper/same.txt"), "s\n");
    }
    write(QStringLiteral("L/rulesub/rule.txt"), "One  Two\n\nthree\n");
    write(QStringLiteral("R/rulesub/rule.txt"), "one two\nTHREE\n");
    write(QStringLiteral("L/sub/differs.txt"), "one\n");
    write(QStringLiteral("R/sub/differs.txt"), "two\n");
    write(QStringLiteral("L/sub/same.txt"), "s\n");
    write(QStringLiteral("R/sub/same.txt"), "s\n");
    write(QStringLiteral("L/deep/deeper/x.txt"), "left\n");
    write(QStringLiteral("R/deep/deeper/x.txt"), "right\n");
    write(QStringLiteral("L/bin.dat"), QByteArray("a\0b", 3));
    write(QStringLiteral("R/bin.dat"), QByteArray("a\0c", 3));
    write(QStringLiteral("L/left.txt"), "l1\nl2\n");
    write(QStringLiteral("R/right.txt"), "r1\n");
    write(QStringLiteral("L/kind"), "file\n");
    QVERIFY(QDir().mkpath(fDir.filePath(QStringLiteral("R/kind"))));
    write(QStringLiteral("L/.git/config"), "ignored\n");
    write(QStringLiteral("L/secret.txt"), "a\n");
    write(QStringLiteral("R/secret.txt"), "b\n");
    write(QStringLiteral("L/locked/a.txt"), "a\n");
    write(QStringLiteral("R/locked/a.txt"), "a\n");
    QVERIFY(::chmod((fLeft + "/secret.txt").constData(), 0) == 0);
    QVERIFY(::chmod((fRight + "/locked").constData(), 0) == 0);
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
    fWindow = makeWindow();
    QVERIFY(fWindow);
}

void TstFolderView::statuses_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<TRowStatus>("status");
    QTest::addColumn<QString>("words");
    QTest::newRow("byte-equal") << QByteArray("same.txt") << TRowStatus::Same << "same";
    QTest::newRow("equal by lines") << QByteArray("rulesub/rule.txt") << TRowStatus::EqualByRule << "equal by rule";
    QTest::newRow("differs") << QByteArray("sub/differs.txt") << TRowStatus::Differs << "differs";
    QTest::newRow("binary") << QByteArray("bin.dat") << TRowStatus::DiffersBinary << "differs (binary)";
    QTest::newRow("left only") << QByteArray("left.txt") << TRowStatus::OnlyLeft << "only left";
    QTest::newRow("right only") << QByteArray("right.txt") << TRowStatus::OnlyRight << "only right";
    QTest::newRow("file and folder") << QByteArray("kind") << TRowStatus::KindMismatch << "file / folder";
    QTest::newRow("link loop, same target") << QByteArray("loop") << TRowStatus::Same << "same";
    QTest::newRow("FIFO on both sides") << QByteArray("fifo") << TRowStatus::Same << "same";
    QTest::newRow("not UTF-8") << QByteArray("name\xff.txt") << TRowStatus::Differs << "differs";
    QTest::newRow("folder of same files") << QByteArray("samesub") << TRowStatus::Same << "same";
    QTest::newRow("folder equal by rule") << QByteArray("rulesub") << TRowStatus::EqualByRule << "equal by rule";
    QTest::newRow("folder with a difference") << QByteArray("sub") << TRowStatus::Differs << "differs";
    QTest::newRow("difference two levels down") << QByteArray("deep") << TRowStatus::Differs << "differs";
    if (::geteuid() != 0) {
        QTest::newRow("unreadable file") << QByteArray("secret.txt") << TRowStatus::Unreadable << "cannot be read";
        QTest::newRow("unreadable folder") << QByteArray("locked") << TRowStatus::Unreadable << "cannot be read";
    }
}

void TstFolderView::statuses()
{
    QFETCH(QByteArray, path);
    QFETCH(TRowStatus, status);
    QFETCH(QString, words);
    const QModelIndex row = find(fWindow->Model(), path);
    QVERIFY2(row.isValid(), path.constData());
    QCOMPARE(fWindow->Model().RowStatus(row), status);
    QCOMPARE(row.siblingAtColumn(TFolderModel::Status).data().toString(), words);
    if (status == TRowStatus::Unreadable)  // the system's reason
        QVERIFY(!row.siblingAtColumn(TFolderModel::Status).data(Qt::ToolTipRole).toString().isEmpty());
}

void TstFolderView::foldersFirstInFileManagerOrder()
{
    const QModelIndex order = find(fWindow->Model(), "order");
    QVERIFY(order.isValid());
    QStringList names;
    for (int r = 0; r < fWindow->Model().rowCount(order); ++r)
        names << fWindow->Model().index(r, 0, order).data().toString();
    QCOMPARE(names, (QStringList{"Cdir", "zdir", "A.txt", "b9.txt", "b10.txt"}));
    QVERIFY(!find(fWindow->Model(), ".git").isValid());  // left out by default
}

// Each file's status counts once; a folder on both sides counts through its contents.
void TstFolderView::countsPerStatus()
{
    const TStatusCounts &counts = fWindow->Model().Counts();
    // sub/differs.txt, deep/deeper/x.txt, name\xff.txt, and secret.txt when root may read it
    QCOMPARE(counts[size_t(TRowStatus::Differs)], ::geteuid() == 0 ? 4 : 3);
    QCOMPARE(counts[size_t(TRowStatus::OnlyLeft)], 1);
    QCOMPARE(counts[size_t(TRowStatus::Pending)], 0);
    QVERIFY(fWindow->CountsLabel()->text().contains(QStringLiteral("differs %1").arg(counts[size_t(TRowStatus::Differs)])));
    QVERIFY(fWindow->CountsLabel()->text().contains(QStringLiteral("only right 1")));
}

void TstFolderView::filterShowsWhatDiffers()
{
    TDifferencesFilter &filter = fWindow->Filter();
    QVERIFY(!fWindow->ShowAllAction()->isChecked());
    for (const char *hidden : {"same.txt", "samesub", "loop", "sub/same.txt"})
        QVERIFY2(!shownRow(*fWindow, hidden).isValid(), hidden);
    for (const char *shown : {"sub", "sub/differs.txt", "deep/deeper/x.txt", "rulesub", "left.txt"})
        QVERIFY2(shownRow(*fWindow, shown).isValid(), shown);
    fWindow->ShowAllAction()->trigger();
    QVERIFY(filter.ShowAll());
    for (const char *all : {"same.txt", "samesub", "loop", "sub/same.txt"})
        QVERIFY2(shownRow(*fWindow, all).isValid(), all);
    QCOMPARE(filter.rowCount(), fWindow->Model().rowCount());
    fWindow->ShowAllAction()->trigger();
    QVERIFY(!shownRow(*fWindow, "same.txt").isValid());
}

// Enter on a row opens the pair compared, as `parlune LEFT RIGHT` would: a
// side that is missing stands for no lines, a name that is not UTF-8 is
// read by its bytes.
void TstFolderView::openPair_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("leftFirst");
    QTest::addColumn<QString>("rightFirst");
    QTest::newRow("differing pair") << QByteArray("sub/differs.txt") << "Changes=1" << "one" << "two";
    QTest::newRow("left only, against nothing") << QByteArray("left.txt") << "Changes=2" << "l1" << "";
    QTest::newRow("right only, against nothing") << QByteArray("right.txt") << "Changes=1" << "" << "r1";
    QTest::newRow("name not UTF-8") << QByteArray("name\xff.txt") << "Changes=1" << "left" << "right";
}

void TstFolderView::openPair()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, status);
    QFETCH(QString, leftFirst);
    QFETCH(QString, rightFirst);
    const QModelIndex row = shownRow(*fWindow, path);
    QVERIFY(row.isValid());
    QTreeView *tree = fWindow->Tree();
    tree->setCurrentIndex(row);
    const QWidgetList before = QApplication::topLevelWidgets();
    QTest::keyClick(tree, Qt::Key_Return);
    TMainForm *form = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!before.contains(w))
            form = qobject_cast<TMainForm *>(w) ? qobject_cast<TMainForm *>(w) : form;
    QVERIFY(form);
    QTRY_COMPARE(form->StatusLabel()->text(), status);
    const auto first = [](TTextPane *pane) { return pane->Lines().Count() > 0 ? pane->Lines().Get(0) : QString(); };
    QCOMPARE(first(form->LeftMemo()), leftFirst);
    QCOMPARE(first(form->RightMemo()), rightFirst);
    form->close();  // deletes itself
}

// Once the file window saved, the row is compared again and shows the
// saved file.
void TstFolderView::rowComparedAgainAfterTheFileWindow()
{
    write(QStringLiteral("L/again.txt"), "ab\n");
    write(QStringLiteral("R/again.txt"), "b\n");
    auto w = makeWindow();
    QVERIFY(w);
    const QModelIndex row = shownRow(*w, "again.txt");
    QVERIFY(row.isValid());
    auto *form = qobject_cast<TMainForm *>(w->OpenRow(row));
    QVERIFY(form);
    QTRY_COMPARE(form->StatusLabel()->text(), QStringLiteral("Changes=1"));
    QTest::keyClicks(form->RightMemo(), QStringLiteral("a"));
    QVERIFY(form->Save());
    QCOMPARE(readAll(fDir.filePath(QStringLiteral("R/again.txt"))), QByteArray("ab\n"));
    QTRY_COMPARE(w->Model().RowStatus(find(w->Model(), "again.txt")), TRowStatus::Same);
    QVERIFY(!shownRow(*w, "again.txt").isValid());
    form->close();
}

void TstFolderView::notAPairIsNotOpened_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("file and folder") << QByteArray("kind");
    QTest::newRow("FIFO") << QByteArray("fifo");
    QTest::newRow("link") << QByteArray("loop");
}

void TstFolderView::notAPairIsNotOpened()
{
    QFETCH(QByteArray, path);
    fWindow->ShowAllAction()->setChecked(true);
    const QModelIndex row = shownRow(*fWindow, path);
    QVERIFY(row.isValid());
    QVERIFY(!fWindow->OpenRow(row));
    QVERIFY(fWindow->statusBar()->currentMessage().contains(QStringLiteral("no pair of files")));
    fWindow->ShowAllAction()->setChecked(false);
}

void TstFolderView::ignorePatternsAreRemembered()
{
    auto w = makeWindow();
    QVERIFY(w);
    QCOMPARE(w->IgnoreEdit()->text(), QStringLiteral(".git, .hg, .svn"));
    w->IgnoreEdit()->setText(QStringLiteral("sub *.dat,, .git"));
    QSignalSpy done(w.get(), &TFolderWindow::RunFinished);
    emit w->IgnoreEdit()->editingFinished();
    QVERIFY(done.wait(10000));
    QVERIFY(!find(w->Model(), "sub").isValid());
    QVERIFY(!find(w->Model(), "bin.dat").isValid());
    QVERIFY(find(w->Model(), "deep").isValid());
    QCOMPARE(IgnorePatterns::Load(), (QByteArrayList{"sub", "*.dat", ".git"}));
    auto again = makeWindow();
    QVERIFY(again);
    QCOMPARE(again->IgnoreEdit()->text(), QStringLiteral("sub, *.dat, .git"));
    QSettings().clear();
}

void TstFolderView::stopKeepsWhatWasFound()
{
    TFolderModel model;
    TFolderRun run(model);
    QSignalSpy done(&run, &TFolderRun::Finished);
    run.Start(fLeft, fRight, Folders::TOptions{});
    run.Stop();
    QVERIFY(done.wait(10000));
    QCOMPARE(done.first().first().toBool(), true);
    QVERIFY(!run.Running());
}

void TstFolderView::cleanupTestCase()
{
    fWindow.reset();
    ::chmod((fLeft + "/secret.txt").constData(), 0600);
    ::chmod((fRight + "/locked").constData(), 0700);
    // QDir cannot remove a name that is not UTF-8.
    for (const QByteArray &root : {fLeft, fRight})
        ::unlink((root + "/name\xff.txt").constData());
}

QTEST_MAIN(TstFolderView)
// The view asks for an icon per row it paints: the model hands out one
// icon per kind, made once, rather than a new one whose images are decoded
// again each time.
void TstFolderView::iconsAreMadeOnce()
{
    const TFolderModel &model = fWindow->Model();
    const auto icon = [&](const QByteArray &path) {
        return model.data(find(model, path), Qt::DecorationRole).value<QIcon>();
    };
    QVERIFY(!icon("same.txt").isNull());
    QCOMPARE(icon("same.txt").cacheKey(), icon("sub/differs.txt").cacheKey());
    QCOMPARE(icon("sub").cacheKey(), icon("samesub").cacheKey());
    QVERIFY(icon("sub").cacheKey() != icon("same.txt").cacheKey());
}

void TstFolderView::ruleComesFromTheComparisonMenu_data()
{
    QTest::addColumn<QString>("item");  // the item turned off
    QTest::newRow("case") << QStringLiteral("Ignore case");
    QTest::newRow("blanks") << QStringLiteral("Ignore spaces and tabs");
    QTest::newRow("empty lines") << QStringLiteral("Ignore empty lines");
}

// rule.txt differs in case, blanks and an empty line: equal by the
// comparison's own rule, different once any of the three counts. The items
// are the file windows' (saved settings), so a new folder window starts
// with them as they were left.
void TstFolderView::ruleComesFromTheComparisonMenu()
{
    QFETCH(QString, item);
    // The switches are saved settings: back to the defaults however this ends.
    const auto defaults = qScopeGuard([] { QSettings().remove(QStringLiteral("Comparison")); });
    const auto status = [](TFolderWindow &w) {
        return w.Model().RowStatus(find(w.Model(), "rulesub/rule.txt"));
    };
    std::unique_ptr<TFolderWindow> w(
        FolderStart::MakeFolderWindow(QFile::decodeName(fLeft), QFile::decodeName(fRight)));
    QSignalSpy done(w.get(), &TFolderWindow::RunFinished);
    QVERIFY(done.wait(10000));
    QCOMPARE(status(*w), TRowStatus::EqualByRule);
    QAction *action = nullptr;
    for (QAction *a : w->ComparisonMenu()->actions())
        action = a->text() == item ? a : action;
    QVERIFY(action && action->isChecked());
    action->trigger();
    QVERIFY(done.wait(10000));
    QCOMPARE(status(*w), TRowStatus::Differs);

    std::unique_ptr<TFolderWindow> again(
        FolderStart::MakeFolderWindow(QFile::decodeName(fLeft), QFile::decodeName(fRight)));
    QSignalSpy againDone(again.get(), &TFolderWindow::RunFinished);
    QVERIFY(againDone.wait(10000));
    QCOMPARE(status(*again), TRowStatus::Differs);
    QVERIFY(!again->Rule().IsDefault());
}

#include "tst_folderview.moc"
