#include "folderview/FolderWindow.h"

#include "folderview/DifferencesFilter.h"
#include "folderview/FolderModel.h"
#include "folderview/FolderRun.h"
#include "folderview/IgnorePatterns.h"
#include "folderview/RunTiming.h"

#include <QDir>
#include <QFile>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace FolderView {

using Folders::TKind;

namespace {

QString shown(const QByteArray &path)
{
    return QString::fromUtf8(path);
}

QString countsText(const TStatusCounts &counts)
{
    QStringList parts;
    for (int s = 0; s < kRowStatusCount; ++s)
        if (counts[size_t(s)] > 0)
            parts << QStringLiteral("%1 %2").arg(StatusWords(TRowStatus(s))).arg(counts[size_t(s)]);
    return parts.isEmpty() ? QStringLiteral("no entries") : parts.join(QStringLiteral(" · "));
}

} // namespace

TFolderWindow::TFolderWindow(const QByteArray &left, const QByteArray &right, const TCompareRule &rule,
                             QWidget *parent)
    : QMainWindow(parent), fRoots{left, right}, fRule(rule), fModel(new TFolderModel(this)), fFilter(new TDifferencesFilter(this)),
      fRun(new TFolderRun(*fModel, this))
{
    fFilter->setSourceModel(fModel);
    buildLayout();
    setWindowTitle(QStringLiteral("%1 ↔ %2 — Parlune").arg(shown(left), shown(right)));
    fTiming = TRunTiming::FromEnvironment(this);
    if (fTiming)
        fTiming->Watch(fModel, fFilter);
    connect(fRun, &TFolderRun::Progress, this, &TFolderWindow::showProgress);
    connect(fRun, &TFolderRun::Finished, this, &TFolderWindow::finished);
    connect(fRun, &TFolderRun::Failed, this, [this](const QString &message) {
        statusBar()->showMessage(QStringLiteral("The comparison ended early: %1").arg(message));
    });
    Rescan();
}

TFolderWindow::~TFolderWindow() = default;

void TFolderWindow::buildLayout()
{
    resize(1100, 700);
    auto *bar = addToolBar(QStringLiteral("Folders"));
    bar->setMovable(false);
    fStop = bar->addAction(QStringLiteral("Stop"));
    fStop->setShortcut(QKeySequence(Qt::Key_Escape));
    fStop->setToolTip(QStringLiteral("Stop the comparison (Esc)"));
    connect(fStop, &QAction::triggered, fRun, &TFolderRun::Stop);
    fRescan = bar->addAction(QStringLiteral("Compare Again"));
    fRescan->setShortcut(QKeySequence(Qt::Key_F5));
    fRescan->setToolTip(QStringLiteral("Walk both folders anew (F5)"));
    connect(fRescan, &QAction::triggered, this, &TFolderWindow::Rescan);
    fShowAll = bar->addAction(QStringLiteral("Show All"));
    fShowAll->setCheckable(true);
    fShowAll->setToolTip(QStringLiteral("Show the rows that are the same on both sides too"));
    connect(fShowAll, &QAction::toggled, fFilter, &TDifferencesFilter::SetShowAll);
    auto *comparison = new QToolButton(bar);
    comparison->setText(QStringLiteral("Comparison"));
    comparison->setToolTip(QStringLiteral("What the comparison of two text files ignores"));
    comparison->setPopupMode(QToolButton::InstantPopup);
    fComparisonMenu = new QMenu(comparison);
    comparison->setMenu(fComparisonMenu);
    bar->addWidget(comparison);
    bar->addSeparator();
    bar->addWidget(new QLabel(QStringLiteral(" Ignore: "), bar));
    fIgnore = new QLineEdit(IgnorePatterns::Line(IgnorePatterns::Load()), bar);
    fIgnore->setToolTip(QStringLiteral("Names left out, separated by commas; * and ? match any characters"));
    fIgnore->setMaximumWidth(320);
    bar->addWidget(fIgnore);
    connect(fIgnore, &QLineEdit::editingFinished, this, &TFolderWindow::ignoreEdited);

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 0);
    auto *roots = new QLabel(QStringLiteral("Left: %1    Right: %2").arg(shown(fRoots[0]), shown(fRoots[1])), central);
    roots->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(roots);
    fTree = new QTreeView(central);
    fTree->setModel(fFilter);
    fTree->setUniformRowHeights(true);  // rows of one height keep a long tree quick
    fTree->setExpandsOnDoubleClick(false);
    fTree->setAlternatingRowColors(true);
    fTree->header()->setStretchLastSection(false);
    fTree->header()->resizeSection(TFolderModel::Name, 380);
    fTree->header()->resizeSection(TFolderModel::Status, 130);
    for (int c : {TFolderModel::LeftSize, TFolderModel::RightSize})
        fTree->header()->resizeSection(c, 90);
    for (int c : {TFolderModel::LeftTime, TFolderModel::RightTime})
        fTree->header()->resizeSection(c, 150);
    connect(fTree, &QTreeView::activated, this, [this](const QModelIndex &index) { OpenRow(index); });
    column->addWidget(fTree);
    setCentralWidget(central);

    fCounts = new QLabel(statusBar());
    statusBar()->addPermanentWidget(fCounts, 1);
    fProgress = new QProgressBar(statusBar());
    fProgress->setMaximumWidth(260);
    fProgress->setFormat(QStringLiteral("%v of %m files compared"));
    statusBar()->addPermanentWidget(fProgress);
}

void TFolderWindow::Rescan()
{
    ++fGeneration;
    statusBar()->clearMessage();
    for (const QByteArray &root : fRoots) {
        const Folders::TSide side = Folders::DescribeSide(root);
        if (side.kind != TKind::Folder || !QDir(QFile::decodeName(root)).isReadable()) {
            const QString why = !side.error.isEmpty() ? side.error
                                : side.kind == TKind::None ? QStringLiteral("it does not exist")
                                                           : QStringLiteral("it is no folder that can be read");
            statusBar()->showMessage(QStringLiteral("Cannot compare %1: %2").arg(shown(root), why));
        }
    }
    Folders::TOptions options;
    options.ignore = IgnorePatterns::Parse(fIgnore->text());
    options.rule = fRule;
    fProgress->setRange(0, 0);
    fProgress->show();
    fStop->setEnabled(true);
    if (fTiming)
        fTiming->Started();
    fRun->Start(fRoots[0], fRoots[1], options);
}

void TFolderWindow::SetRule(const TCompareRule &rule)
{
    if (rule == fRule)
        return;
    fRule = rule;
    Rescan();
}

void TFolderWindow::showProgress()
{
    fProgress->setRange(0, int(fRun->ToCompare()));
    fProgress->setValue(int(fRun->Compared()));
    fCounts->setText(countsText(fModel->Counts()));
}

void TFolderWindow::finished(bool stopped)
{
    showProgress();
    fProgress->hide();
    fStop->setEnabled(false);
    if (stopped)
        statusBar()->showMessage(QStringLiteral("Stopped: the rows so far are shown, \"comparing…\" ones were not compared"));
    if (fTiming)
        fTiming->Finished(fModel->EntryCount(), fRun->LongestFeed());
    emit RunFinished(stopped);
}

void TFolderWindow::ignoreEdited()
{
    const QByteArrayList patterns = IgnorePatterns::Parse(fIgnore->text());
    if (patterns == IgnorePatterns::Load())
        return;
    IgnorePatterns::Save(patterns);
    Rescan();
}

QWidget *TFolderWindow::OpenRow(const QModelIndex &viewIndex)
{
    const QModelIndex row = fFilter->mapToSource(viewIndex.siblingAtColumn(0));
    const Folders::TEntry *entry = fModel->Entry(row);
    if (!entry)
        return nullptr;
    const TKind kinds[2] = {entry->sides[0].kind, entry->sides[1].kind};
    if (kinds[0] == TKind::Folder && kinds[1] == TKind::Folder) {
        fTree->setExpanded(viewIndex.siblingAtColumn(0), !fTree->isExpanded(viewIndex.siblingAtColumn(0)));
        return nullptr;
    }
    const auto text = [](TKind k) { return k == TKind::File || k == TKind::None; };
    if (!text(kinds[0]) || !text(kinds[1])) {
        statusBar()->showMessage(QStringLiteral("%1 is no pair of files: only regular files open in a file window")
                                     .arg(shown(entry->path)));
        return nullptr;
    }
    QByteArray paths[2];
    for (int s = 0; s < 2; ++s) {
        if (kinds[s] == TKind::None) {
            paths[s] = "/dev/null";  // no lines
            continue;
        }
        paths[s] = fRoots[s] + '/' + entry->path;
        // Looked at again: what was replaced by a link or a FIFO since the
        // listing is not opened.
        if (Folders::DescribeSide(paths[s]).kind != TKind::File) {
            statusBar()->showMessage(QStringLiteral("%1 is no longer a regular file").arg(shown(paths[s])));
            return nullptr;
        }
    }
    if (!fOpener) {
        statusBar()->showMessage(QStringLiteral("No file window can be opened here"));
        return nullptr;
    }
    QWidget *window = fOpener(paths[0], paths[1]);
    if (!window)
        return nullptr;
    const qsizetype number = fModel->EntryNumber(row);
    const int generation = fGeneration;
    auto again = [this, number, generation] {
        if (generation == fGeneration)
            recheck(number);
    };
    // A save changes the file window's title (its "*" goes), and so does
    // every edit; comparing the row again is cheap enough for both.
    connect(window, &QWidget::windowTitleChanged, this, again);
    connect(window, &QObject::destroyed, this, again);
    return window;
}

void TFolderWindow::recheck(qsizetype entryNumber)
{
    const Folders::TEntry *entry = fModel->Entry(fModel->IndexOf(entryNumber));
    if (!entry)
        return;
    auto *watcher = new QFutureWatcher<Folders::TEntry>(this);
    const int generation = fGeneration;
    connect(watcher, &QFutureWatcher<Folders::TEntry>::finished, this, [this, watcher, entryNumber, generation] {
        watcher->deleteLater();
        if (generation != fGeneration)
            return;
        fModel->Replace(entryNumber, watcher->result());
        fCounts->setText(countsText(fModel->Counts()));
        emit RowRechecked(entryNumber);
    });
    Folders::TOptions options;
    options.rule = fRule;
    watcher->setFuture(QtConcurrent::run(&Folders::CompareEntry, fRoots[0], fRoots[1], entry->path, options));
}

} // namespace FolderView
