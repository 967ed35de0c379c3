#pragma once
// TMainForm: the main window. It lays out the controls, wires their events
// to the handlers and holds little logic of its own: comparing, loading,
// saving and the overview arithmetic live in their own units.

#include "compare/CompareOps.h"
#include "app/FileDialogs.h"
#include "app/FindDialog.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QSplitter;
class QStatusBar;
class TFillArea;
class TFillRect;
class TOverviewBox;
class TAboutBox;
class TDiffCommands;
class TInlineEmphasis;
class TPaneSources;
class TOverviewStrip;
class TPaneSync;
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
    static inline const QString kScanning = QStringLiteral("Scanning... (Esc cancels)");
    static inline const QString kEncodingTitle = QStringLiteral("Characters Would Be Lost");

    // The arguments after the program's name may ask to load from Quorvel
    // at once (/L, /R, /B, /M) or to compare two files (see CommandLine.h).
    explicit TMainForm(QWidget *parent = nullptr, const QStringList &arguments = QCoreApplication::arguments());
    ~TMainForm() override;

    // The controls, by the names the rest of the program knows them by.
    TTextPane *LeftMemo;
    QSplitter *Splitter1;
    TTextPane *RightMemo;
    QWidget *Layout1;
    QWidget *LeftLayout;
    QWidget *RightLayout;
    TFillArea *LeftTopLayout;
    TFillArea *RightTopLayout;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *LoadSelectedFileButton;
    QPushButton *QuorvelLoadButton;
    QPushButton *RightLoadFileButton;
    QLabel *Label4;
    QLabel *Label6;
    QPushButton *CompareButton;
    QStatusBar *StatusBar1;
    QLabel *StatusLabel;
    TOverviewStrip *OverviewRectangle;
    TFillRect *Rectangle1;
    TFillRect *Rectangle2;
    TOverviewBox *OverviewBox;
    QLabel *Label1;
    QPushButton *LeftFileButton;
    QLabel *Label5;
    QPushButton *SaveAsButton;
    QString StyleBook2;  // the window's style sheet, also for message dialogs
    QAction *Action1;    // Ctrl+F
    TWindowMenu *WindowMenu;
    TAboutBox *AboutBox = nullptr;  // made after the application information is read
    TFindState FindState;           // the find dialog object: kept for the whole run
    TDiffCommands *DiffCommands;     // next/previous difference, taking the left text across
    TInlineEmphasis *InlineChanges;  // what changed inside changed rows
    TPaneSources *Sources;           // each pane's file: watched, reloaded with F5; the title

    void SetFileChooser(std::unique_ptr<TFileChooser> chooser) { fChooser = std::move(chooser); }
    CompareOps::TComparePass &Pass() { return fPass; }

    // Handlers.
    void CompareButtonClick();
    void LeftFileButtonClick();
    void RightLoadFileButtonClick();
    void SaveAsButtonClick();
    void LeftMemoDragOver(QDragMoveEvent *event);
    void RightMemoDragOver(QDragMoveEvent *event);
    void LeftMemoDragDrop(QDropEvent *event);
    void RightMemoDragDrop(QDropEvent *event);
    void Action1Execute();
    void LoadSelectedFileButtonClick();
    void QuorvelLoadButtonClick();
    void load_from_quorvel(int editor_to_load);
    void ShowHelpPage(const QString &page, const QString &folder);

    // The overview strip (see Overview.h).
    void PaintOverview();
    void PlaceOverviewBox();
    void SizeOverviewBox();

    // Pane 0 is the left pane, 1 the right one.
    void SetFileLabel(int pane, const QString &path);
    void LoadFile(int pane, const QString &path);
    // After a text was loaded into a pane: the status and the strip, which
    // described the texts before, are cleared, and the box fits the new text.
    void TextLoaded();
    // The pane holds no file any more (a text from elsewhere).
    void ForgetFile(int pane) { fFiles[pane].clear(); }
    // Loads two files named at start-up and compares them; a file without
    // text compares as no lines (see StartFiles.h). A file that cannot be
    // read leaves its pane as it was; its error is shown once the event loop
    // runs, and the other file still loads.
    void LoadStartFiles(const QString &left, const QString &right);

signals:
    // A key press that reached the window unhandled by its controls and is
    // not one of its own commands.
    void KeyPassedOn(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;  // KeyDown
    void keyReleaseEvent(QKeyEvent *event) override;  // FormKeyUp
    void resizeEvent(QResizeEvent *event) override;  // FormResize
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // While a pass runs: both panes refuse edits, and the load and save
    // buttons are off (the pass writes both panes when it ends, which would
    // throw away what was typed or loaded meanwhile).
    class TPassLock
    {
    public:
        explicit TPassLock(TMainForm &form);
        ~TPassLock();

    private:
        TMainForm &fForm;
        std::vector<bool> fLocked;
        std::vector<bool> fEnabled;
    };
    QList<QWidget *> loadSaveControls() const;
    // True (with a beep) while a pass runs: loads and saves wait for its end.
    bool refuseDuringPass() const;

    void buildLayout();
    void FormCreate(const QStringList &arguments);
    void FormResize();
    void dropFile(int pane, QDropEvent *event);
    TTextPane *pane(int index) const;

    CompareOps::TComparePass fPass;
    std::unique_ptr<TFileChooser> fChooser;
    TPaneSync *fPaneSync = nullptr;  // keeps the panes and the box in step
    QString fFiles[2];               // each pane's file, "" for none: where the file dialogs start
    bool fCentred = false;
};
