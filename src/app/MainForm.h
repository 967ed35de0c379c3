#pragma once
// TMainForm: the main window. It lays out the controls, wires their events
// to the session (session/Session.h), which owns the texts, the pass and the
// busy state, and mirrors what the session says. Its own logic is layout,
// keys, dialogs and the overview's painting.

#include "app/FileDialogs.h"
#include "app/FindDialog.h"
#include "session/Side.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <memory>

class QAction;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QPushButton;
class QSplitter;
class QStatusBar;
class TAboutBox;
class TDiffCommands;
class TFillArea;
class TFillRect;
class TInlineEmphasis;
class TOverviewBox;
class TOverviewStrip;
class TPaneSync;
class TRuleOptions;
class TSession;
class TTextPane;
class TWindowMenu;

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 640;
    static constexpr int kClientHeight = 480;
    static constexpr int kMinWidth = 500;
    static constexpr int kMinHeight = 300;
    static constexpr int kSplitterWidth = 12;
    static constexpr int kHeaderHeight = 105;
    static constexpr int kStatusHeight = 22;
    static constexpr QRgb kHeaderColor = 0xFFB4ECBD;
    static inline const QString kEncodingTitle = QStringLiteral("Characters Would Be Lost");
    static inline const QString kChangedTitle = QStringLiteral("File Changed on Disk");
    static inline const QString kUnsavedTitle = QStringLiteral("Unsaved Changes");

    // The arguments after the program's name may ask to load from Quorvel
    // at once (/L, /R, /B, /M) or to compare two files (see CommandLine.h).
    explicit TMainForm(QWidget *parent = nullptr, const QStringList &arguments = QCoreApplication::arguments());
    ~TMainForm() override;

    TSession &Session() const { return *fSession; }

    // The controls, by the names the rest of the program knows them by.
    TTextPane *LeftMemo() const { return fMemo[TSide::Left]; }
    TTextPane *RightMemo() const { return fMemo[TSide::Right]; }
    TTextPane *Memo(TSide side) const { return fMemo[side]; }
    QLabel *Label3() const { return fFileLabel[TSide::Left]; }
    QLabel *Label6() const { return fFileLabel[TSide::Right]; }
    QLabel *FileLabel(TSide side) const { return fFileLabel[side]; }
    QPushButton *LeftFileButton() const { return fLoadButton[TSide::Left]; }
    QPushButton *RightLoadFileButton() const { return fLoadButton[TSide::Right]; }
    QPushButton *LoadFileButton(TSide side) const { return fLoadButton[side]; }
    QWidget *Layout1() const { return fLayout1; }
    QSplitter *Splitter1() const { return fSplitter1; }
    QWidget *LeftLayout() const { return fColumn[TSide::Left]; }
    QWidget *RightLayout() const { return fColumn[TSide::Right]; }
    TFillArea *LeftTopLayout() const { return fTopLayout[TSide::Left]; }
    TFillArea *RightTopLayout() const { return fTopLayout[TSide::Right]; }
    TFillRect *Rectangle1() const { return fHeaderRect[TSide::Left]; }
    TFillRect *Rectangle2() const { return fHeaderRect[TSide::Right]; }
    QLabel *Label1() const { return fCaption[TSide::Left]; }  // "Load From File:"
    QLabel *Label2() const { return fCaption[TSide::Right]; }  // "Load:"
    QLabel *Label5() const { return fOrLabel[TSide::Left]; }
    QLabel *Label4() const { return fOrLabel[TSide::Right]; }
    QAction *Action1() const { return fAction1; }
    QPushButton *LoadSelectedFileButton() const { return fLoadSelectedFileButton; }
    QPushButton *QuorvelLoadButton() const { return fQuorvelLoadButton; }
    QPushButton *CompareButton() const { return fCompareButton; }
    QPushButton *SaveAsButton() const { return fSaveAsButton; }
    QStatusBar *StatusBar1() const { return fStatusBar1; }
    QLabel *StatusLabel() const { return fStatusLabel; }
    QLabel *FormatLabel() const { return fFormatLabel; }  // each side's encoding and line break
    TOverviewStrip *OverviewRectangle() const { return fOverviewRectangle; }
    TOverviewBox *OverviewBox() const { return fOverviewBox; }
    TWindowMenu *WindowMenu() const { return fWindowMenu; }
    TRuleOptions *RuleOptions() const { return fRuleOptions; }
    // The status-bar field that names a comparison rule other than the default.
    QLabel *RuleLabel() const { return fRuleLabel; }
    TDiffCommands *DiffCommands() const { return fDiffCommands; }
    TInlineEmphasis *InlineChanges() const { return fInlineChanges; }
    QAction *ReloadAction() const { return fReloadAction; }
    QAction *FindNextAction() const { return fFindNextAction; }
    QAction *FindPreviousAction() const { return fFindPreviousAction; }
    QAction *OpenAction() const { return fOpenAction; }
    QAction *GoToLineAction() const { return fGoToLineAction; }
    QAction *SaveAction() const { return fSaveAction; }
    TFindState &FindState() { return fFindState; }
    const QString &StyleBook2() const { return fStyleBook2; }

    // The about box is made after the application information is read.
    void SetAboutBox(TAboutBox *box) { fAboutBox = box; }
    void SetFileChooser(std::unique_ptr<TFileChooser> chooser) { fChooser = std::move(chooser); }

    // Handlers.
    void CompareButtonClick();
    void LoadFileButtonClick(TSide side);  // "Load Other File" above either pane
    void SaveAsButtonClick();
    // Ctrl+S: the right text back to its own file, or under a name asked
    // for when it has none. False when nothing was saved.
    bool Save();
    void MemoDragOver(QDragMoveEvent *event);
    void MemoDragDrop(TSide side, QDropEvent *event);
    void Action1Execute();
    // F3 and Shift+F3: the last search again, towards the end or the start,
    // without the dialog (which opens when nothing was searched for yet).
    // The window stays live while it runs; Escape stops it.
    void FindAgain(bool up);
    // Ctrl+G: asks for a line number of the focused pane's text and puts the
    // caret at the start of that line, in the middle of the view.
    void GoToLine();
    // The pane keys act on: the one with the focus, else the right one.
    TSide FocusedSide() const;
    void LoadSelectedFileButtonClick();
    void QuorvelLoadButtonClick();
    void ReloadAndScan();
    void load_from_quorvel(int editor_to_load);
    void ShowHelpPage(const QString &page, const QString &folder);

    // Loads the file into the side's pane and labels it.
    void LoadFile(TSide side, const QString &path);

    // The overview strip (see Overview.h).
    void PaintOverview();
    void PlaceOverviewBox();
    void SizeOverviewBox();

signals:
    // Start-up's work is done: the window was painted and the comparison
    // the command line asked for has ended.
    void StartUpDone();
    // A key press that reached the window unhandled by its controls and is
    // not one of its own commands.
    void KeyPassedOn(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;    // KeyDown
    void keyReleaseEvent(QKeyEvent *event) override;  // FormKeyUp
    void resizeEvent(QResizeEvent *event) override;   // FormResize
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void FormCreate(const QStringList &arguments);
    void FormResize();
    void wireSession();
    void busyChanged(bool busy);
    void askAboutDiskChange(TSide side);
    bool saveAs();
    bool saveRightTo(const QString &path);
    // Before the right text is replaced: when it holds unsaved edits, asks
    // whether to save them. False when the user cancels (or the save failed).
    bool mayReplaceRight();
    void reportLater(const QStringList &errors);

    TSession *fSession;
    TPerSide<TTextPane *> fMemo;
    TPerSide<QLabel *> fFileLabel;
    TPerSide<QPushButton *> fLoadButton;
    QSplitter *fSplitter1 = nullptr;
    QWidget *fLayout1 = nullptr;
    TPerSide<QWidget *> fColumn;
    TPerSide<TFillArea *> fTopLayout;
    TPerSide<QLabel *> fCaption;
    TPerSide<QLabel *> fOrLabel;
    TPerSide<TFillRect *> fHeaderRect;
    QPushButton *fLoadSelectedFileButton = nullptr;
    QPushButton *fQuorvelLoadButton = nullptr;
    QPushButton *fCompareButton = nullptr;
    QPushButton *fSaveAsButton = nullptr;
    QStatusBar *fStatusBar1 = nullptr;
    QLabel *fStatusLabel = nullptr;
    QLabel *fFormatLabel = nullptr;
    TOverviewStrip *fOverviewRectangle = nullptr;
    TOverviewBox *fOverviewBox = nullptr;
    QString fStyleBook2;  // the window's style sheet, also for message dialogs
    QAction *fAction1 = nullptr;  // Ctrl+F
    QAction *fFindNextAction = nullptr;      // F3
    QAction *fFindPreviousAction = nullptr;  // Shift+F3
    QAction *fOpenAction = nullptr;          // Ctrl+O
    QAction *fGoToLineAction = nullptr;      // Ctrl+G
    TRuleOptions *fRuleOptions = nullptr;
    QLabel *fRuleLabel = nullptr;
    QAction *fReloadAction = nullptr;  // F5
    QAction *fSaveAction = nullptr;    // Ctrl+S
    TWindowMenu *fWindowMenu = nullptr;
    TAboutBox *fAboutBox = nullptr;
    TFindState fFindState;  // the find dialog object: kept for the whole run
    TDiffCommands *fDiffCommands = nullptr;
    TInlineEmphasis *fInlineChanges = nullptr;
    TPaneSync *fPaneSync = nullptr;  // keeps the panes and the box in step
    std::unique_ptr<TFileChooser> fChooser;
    TPerSide<bool> fAsking{};  // a changed-on-disk question is open
    bool fCentred = false;
    bool fFinding = false;   // F3 or Shift+F3 is searching
    bool fStopFind = false;  // Escape asked the running search to stop
};
