#pragma once
// TFolderWindow: two folders compared as one tree. The walk runs on a
// thread pool (TFolderRun) and its rows stream in; by default only rows that
// are not the same show, "Show all" shows every row. Enter or a double click
// on a pair of files opens the pair in a file window (through the opener the
// program sets), and once that window saves or closes the row is compared
// again.

#include "folders/FolderCompare.h"

#include <QMainWindow>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QTreeView;

namespace FolderView {

class TDifferencesFilter;
class TFolderModel;
class TFolderRun;
class TRunTiming;

class TFolderWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Opens a file window on two files, given by the system's bytes of
    // their paths ("/dev/null" for a side that has none); returns it.
    using TPairOpener = std::function<QWidget *(const QByteArray &left, const QByteArray &right)>;

    // Starts comparing at once; left and right are the roots' paths in the
    // system's bytes; rule: what the line comparison of two text files ignores.
    TFolderWindow(const QByteArray &left, const QByteArray &right, const TCompareRule &rule = {},
                  QWidget *parent = nullptr);
    ~TFolderWindow() override;

    void SetPairOpener(TPairOpener opener) { fOpener = std::move(opener); }
    // Walks both folders anew (F5; also after the ignore patterns changed).
    void Rescan();
    // Compares by this rule from now on: walks anew when it changed.
    void SetRule(const TCompareRule &rule);
    const TCompareRule &Rule() const { return fRule; }
    // The toolbar's "Comparison" menu, for the items that set the rule.
    QMenu *ComparisonMenu() const { return fComparisonMenu; }
    // Opens the pair of files of a row of the view. A folder's row opens or
    // closes instead; a row that is no pair of files, or whose files are no
    // longer regular files, says why in the status bar. The opened window, or null.
    QWidget *OpenRow(const QModelIndex &viewIndex);

    TFolderModel &Model() const { return *fModel; }
    TDifferencesFilter &Filter() const { return *fFilter; }
    TFolderRun &Run() const { return *fRun; }
    QTreeView *Tree() const { return fTree; }
    QAction *ShowAllAction() const { return fShowAll; }
    QAction *StopAction() const { return fStop; }
    QLineEdit *IgnoreEdit() const { return fIgnore; }
    QLabel *CountsLabel() const { return fCounts; }
    QProgressBar *ProgressBar() const { return fProgress; }

signals:
    // The walk ended and its rows are all in the model; also after a pair's
    // row was compared again.
    void RunFinished(bool stopped);
    void RowRechecked(qsizetype entryNumber);

private:
    void buildLayout();
    void showProgress();
    void finished(bool stopped);
    void recheck(qsizetype entryNumber);
    void ignoreEdited();

    QByteArray fRoots[2];
    TCompareRule fRule;
    QMenu *fComparisonMenu = nullptr;
    TPairOpener fOpener;
    TFolderModel *fModel;
    TDifferencesFilter *fFilter;
    TFolderRun *fRun;
    TRunTiming *fTiming = nullptr;
    QTreeView *fTree = nullptr;
    QAction *fShowAll = nullptr;
    QAction *fStop = nullptr;
    QAction *fRescan = nullptr;
    QLineEdit *fIgnore = nullptr;
    QLabel *fCounts = nullptr;
    QProgressBar *fProgress = nullptr;
    int fGeneration = 0;  // counts walks, so that a late recheck of an older walk's row is dropped
};

} // namespace FolderView
