#include "app/MainForm.h"

#include "dialogs/AboutBox.h"
#include "app/CommandLine.h"
#include "app/DiffCommands.h"
#include "app/InlineEmphasis.h"
#include "app/PaneSources.h"
#include "text/Errors.h"
#include "app/Guarded.h"
#include "compare/HashUnit.h"
#include "app/HeaderFlow.h"
#include "dialogs/MessageDialog.h"
#include "platform/NamedMutex.h"
#include "app/Overview.h"
#include "app/ParluneApp.h"
#include "quorvel/QuorvelLoader.h"
#include "app/PaneSync.h"
#include "app/Panels.h"
#include "platform/ShellOpener.h"
#include "app/StartFiles.h"
#include "panes/TextPane.h"
#include "platform/UserFiles.h"
#include "app/WindowMenu.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

// Resources of a static library are linked in only when asked for by name.
static void initResources()
{
    Q_INIT_RESOURCE(parlune);
}

namespace {

QLabel *makeLabel(const QString &text, QWidget *parent, int pixelSize = 0)
{
    auto *label = new QLabel(text, parent);
    if (pixelSize) {
        QFont f = label->font();
        f.setPixelSize(pixelSize);
        label->setFont(f);
    }
    return label;
}

QPushButton *makeButton(const QString &text, QWidget *parent, QRect geometry)
{
    auto *button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// A column's green header: an area of the header's height, filled by a
// rectangle that holds the "File:" label at its bottom.
struct THeader
{
    TFillArea *area;
    TFillRect *rect;
    QLabel *fileLabel;
};

THeader makeHeader(QWidget *column, const QColor &fill, int height)
{
    THeader h;
    column->setMinimumWidth(20);
    h.area = new TFillArea(column);
    h.area->setFixedHeight(height);
    h.rect = new TFillRect(fill, h.area);
    h.area->SetFillChild(h.rect);
    h.fileLabel = makeLabel(QStringLiteral("File:"), h.rect);
    h.fileLabel->setWordWrap(true);
    h.rect->DockBottom(h.fileLabel, 40, 10, 5);
    return h;
}

// A vertical box without margins or spacing.
QVBoxLayout *stack(QWidget *parent)
{
    auto *box = new QVBoxLayout(parent);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    return box;
}

QString loadStyleSheet()
{
    initResources();
    QFile f(QStringLiteral(":/parlune/Parlune.qss"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Restores the mouse pointer on every way out of a pass.
struct TBusyPointer
{
    TBusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyPointer() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TMainForm::TMainForm(QWidget *parent, const QStringList &arguments)
    : QMainWindow(parent), LeftMemo(new TTextPane), RightMemo(new TTextPane),
      fPass(LeftMemo->Lines(), RightMemo->Lines()), fChooser(std::make_unique<TDialogFileChooser>(this))
{
    buildLayout();
    FormCreate(arguments);
}

TMainForm::~TMainForm() = default;  // FormDestroy: nothing is saved

void TMainForm::buildLayout()
{
    const QColor header = QColor::fromRgba(kHeaderColor);
    Layout1 = new QWidget(this);
    setCentralWidget(Layout1);
    Splitter1 = new QSplitter(Qt::Horizontal, Layout1);
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    stack(Layout1)->addWidget(Splitter1);

    // Left column: header, then the reference pane.
    LeftLayout = new QWidget;
    const THeader left = makeHeader(LeftLayout, header, kHeaderHeight);
    LeftTopLayout = left.area;
    Rectangle1 = left.rect;
    Label3 = left.fileLabel;
    Label1 = makeLabel(QStringLiteral("Load From File:"), LeftTopLayout, 16);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->move(6, 4);
    Label1->adjustSize();
    LoadSelectedFileButton = makeButton(QStringLiteral("Load Selected File"), LeftTopLayout, {131, 6, 122, 22});
    Label5 = makeLabel(QStringLiteral("or"), LeftTopLayout, 16);
    Label5->setGeometry(12, 36, 25, 21);
    LeftFileButton = makeButton(QStringLiteral("Load Other File"), LeftTopLayout, {31, 37, 110, 22});
    QVBoxLayout *leftBox = stack(LeftLayout);
    leftBox->addWidget(LeftTopLayout);
    leftBox->addWidget(LeftMemo, 1);

    // Right column: header, then the overview strip and the compared pane.
    RightLayout = new QWidget;
    const THeader right = makeHeader(RightLayout, header, kHeaderHeight);
    RightTopLayout = right.area;
    Rectangle2 = right.rect;
    Label6 = right.fileLabel;
    Label6->setIndent(10);
    Label2 = makeLabel(QStringLiteral("Load:"), RightTopLayout, 16);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->move(4, 4);
    Label2->adjustSize();
    QuorvelLoadButton = makeButton(QStringLiteral("Quorvel Editor"), RightTopLayout, {56, 6, 119, 22});
    CompareButton = makeButton(QStringLiteral("Scan Difference"), RightTopLayout, {187, 6, 121, 22});
    Label4 = makeLabel(QStringLiteral("or"), RightTopLayout, 16);
    Label4->setGeometry(10, 36, 25, 21);
    RightLoadFileButton = makeButton(QStringLiteral("Load Other File"), RightTopLayout, {32, 37, 110, 22});
    SaveAsButton = makeButton(QStringLiteral("Save As"), RightTopLayout, {168, 37, 80, 22});
    OverviewRectangle = new TOverviewStrip;
    OverviewBox = OverviewRectangle->Box();
    auto *rightBody = new QHBoxLayout;
    rightBody->setContentsMargins(0, 0, 0, 0);
    rightBody->setSpacing(0);
    rightBody->addWidget(OverviewRectangle);
    rightBody->addWidget(RightMemo, 1);
    QVBoxLayout *rightBox = stack(RightLayout);
    rightBox->addWidget(RightTopLayout);
    rightBox->addLayout(rightBody, 1);

    Splitter1->addWidget(LeftLayout);
    Splitter1->addWidget(RightLayout);
    new THeaderFlow(LeftTopLayout, {Label1, LoadSelectedFileButton, Label5, LeftFileButton});
    new THeaderFlow(RightTopLayout, {Label2, QuorvelLoadButton, CompareButton, Label4, RightLoadFileButton, SaveAsButton});

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(kStatusHeight);
    StatusBar1->setSizeGripEnabled(true);
    setStatusBar(StatusBar1);
    StatusLabel = new QLabel(QStringLiteral("---"));
    StatusLabel->setContentsMargins(10 - 2, 0, 0, 0);
    StatusBar1->addWidget(StatusLabel, 1);

    LeftMemo->SetReadOnly(true);
    for (TTextPane *memo : {LeftMemo, RightMemo}) {
        memo->SetTabSize(4);
        memo->SetTrimTrailingSpaces(true);
    }

    StyleBook2 = loadStyleSheet();
    setStyleSheet(StyleBook2);
    TMy::SetMainStyleBook(StyleBook2);
    resize(kClientWidth, kClientHeight);
}

void TMainForm::FormCreate(const QStringList &arguments)
{
    NamedMutex::Create(QStringLiteral("ParluneMutex"));  // the result changes nothing
    WindowMenu = new TWindowMenu(this);
    WindowMenu->AddSystemMenuItems(QStringLiteral("about,helpfile"));
    for (QWidget *header : {static_cast<QWidget *>(Rectangle1), static_cast<QWidget *>(Rectangle2)}) {
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QWidget::customContextMenuRequested, WindowMenu,
                [this, header](const QPoint &pos) { WindowMenu->PopupAt(header->mapToGlobal(pos)); });
    }

    fPaneSync = new TPaneSync(LeftMemo, RightMemo, this);
    connect(fPaneSync, &TPaneSync::Moved, this, &TMainForm::PlaceOverviewBox);
    connect(OverviewRectangle, &TOverviewStrip::Clicked, this, [this](qreal y) {
        if (RightMemo->Lines().Count() <= RightMemo->VisibleLineCount())
            return;  // all lines are in view already
        RightMemo->SetTopLine(Overview::TopLineFor(y, OverviewRectangle->height(), RightMemo->Lines().Count(),
                                                   RightMemo->VisibleLineCount()));
    });
    RightMemo->SetNoVScroll(true);
    DiffCommands = new TDiffCommands(*this);
    Sources = new TPaneSources(*this);
    InlineChanges = new TInlineEmphasis(LeftMemo->Lines(), RightMemo->Lines(), this);
    LeftMemo->SetRowEmphasis(&InlineChanges->LeftSide(), QColor::fromRgba(TInlineEmphasis::kLeftFill), QColor());
    RightMemo->SetRowEmphasis(&InlineChanges->RightSide(), QColor::fromRgba(TInlineEmphasis::kRightFill), Qt::white);
    setWindowTitle(QStringLiteral("Parlune"));

    // Each handler shows its own errors (see Guarded.h).
    connect(CompareButton, &QPushButton::clicked, this, Guarded([this] { CompareButtonClick(); }));
    connect(LoadSelectedFileButton, &QPushButton::clicked, this, Guarded([this] { LoadSelectedFileButtonClick(); }));
    connect(QuorvelLoadButton, &QPushButton::clicked, this, Guarded([this] { QuorvelLoadButtonClick(); }));
    connect(LeftFileButton, &QPushButton::clicked, this, Guarded([this] { LeftFileButtonClick(); }));
    connect(RightLoadFileButton, &QPushButton::clicked, this, Guarded([this] { RightLoadFileButtonClick(); }));
    connect(SaveAsButton, &QPushButton::clicked, this, Guarded([this] { SaveAsButtonClick(); }));
    connect(LeftMemo, &TTextPane::OnDragOver, this, &TMainForm::LeftMemoDragOver);
    connect(RightMemo, &TTextPane::OnDragOver, this, &TMainForm::RightMemoDragOver);
    connect(LeftMemo, &TTextPane::OnDragDrop, this, Guarded([this](QDropEvent *e) { LeftMemoDragDrop(e); }));
    connect(RightMemo, &TTextPane::OnDragDrop, this, Guarded([this](QDropEvent *e) { RightMemoDragDrop(e); }));

    // A pass in progress stops at Escape; the engine lets the window run
    // between its steps, so the key arrives while it works.
    fPass.SetYield([] { QCoreApplication::processEvents(); });
    auto *cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancel, &QShortcut::activated, this, [this] { fPass.Cancel(); });

    // A start-up switch or two file names load (and compare) before the
    // window is shown; an error it ends with is shown as any other, and
    // start-up goes on.
    const TStartRequest start = ParseCommandLine(arguments);
    if (start.QuorvelMode) {
        try {
            load_from_quorvel(start.QuorvelMode);
        } catch (const std::exception &e) {
            ReportError(QString::fromUtf8(e.what()));
        }
    } else if (start.HasFiles()) {
        LoadStartFiles(start.Left, start.Right);
    }

    Action1 = new QAction(this);
    Action1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    Action1->setShortcutContext(Qt::WindowShortcut);
    addAction(Action1);
    connect(Action1, &QAction::triggered, this, Guarded([this] { Action1Execute(); }));
}

namespace {

// The window as the Quorvel loader sees it.
class TLoaderHost : public QuorvelLoader::THost
{
public:
    explicit TLoaderHost(TMainForm &form) : fForm(form) {}
    void SetRightText(const QString &text) override
    {
        fForm.RightMemo->Lines().SetText(text);
        fForm.TextLoaded();
        fForm.ForgetFile(1);  // the editor's text is no file here
        fForm.Sources->FromServerEditor();
    }
    void SetFileLabel(int pane, const QString &value) override { fForm.SetFileLabel(pane, value); }
    void LoadLeftFile(const QString &path) override { fForm.LoadFile(0, path); }
    void SetStatus(const QString &text) override { fForm.StatusLabel->setText(text); }
    void Compare() override { fForm.CompareButtonClick(); }
    void ShowStyledMessage(const QString &title, const QString &body, int kind) override
    {
        ::ShowStyledMessage(title, body, kind);
    }

private:
    TMainForm &fForm;
};

} // namespace

void TMainForm::load_from_quorvel(int editor_to_load)
{
    TLoaderHost host(*this);
    QuorvelLoader::Load(host, editor_to_load);
}

void TMainForm::LoadSelectedFileButtonClick()
{
    if (refuseDuringPass())
        return;
    load_from_quorvel(1);
}

void TMainForm::QuorvelLoadButtonClick()
{
    if (refuseDuringPass())
        return;
    load_from_quorvel(2);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!fCentred) {
        fCentred = true;
        if (const QScreen *s = screen())
            move(s->availableGeometry().center() - rect().center());
    }
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    fPass.Cancel();  // closing asks nothing; a running pass ends at its next step
    QMainWindow::closeEvent(event);
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMainForm::FormResize()
{
    // The minimum is applied after the fact: the window springs back.
    if (width() < kMinWidth || height() < kMinHeight) {
        resize(std::max(width(), kMinWidth), std::max(height(), kMinHeight));
        return;  // the resize comes back here
    }
    const int client = Layout1->width();
    Splitter1->setSizes({client / 2, client - client / 2 - kSplitterWidth});
    SizeOverviewBox();
    PlaceOverviewBox();
}

void TMainForm::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const int first = TWindowMenu::kFirstCommand + TWindowMenu::kKeyOffset;
    if (key >= first && key <= first + 9) {
        // A window-menu command; it is not passed on. "Help" opens the
        // shipped HTML help, as F1 does: no compiled help file exists here.
        const int command = key - TWindowMenu::kKeyOffset;
        if (command == 1025 && AboutBox)
            Guarded([this] { AboutBox->exec(); })();
        else if (command == 1026)
            Guarded([this] { ShowHelpPage(QStringLiteral("Parlune.htm"), UserFiles::UserFilesDir); })();
        return;
    }
    // Outside the panes, Shift+F10 and the Menu key open the window menu;
    // a pane passes on the keys it does not use, and those stay unused.
    if (TWindowMenu::IsMenuKey(event) && !qobject_cast<TTextPane *>(QApplication::focusWidget())) {
        WindowMenu->Popup();
        return;
    }
    emit KeyPassedOn(key);
    QMainWindow::keyPressEvent(event);
}

void TMainForm::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1)  // with any modifiers
        Guarded([this] { ShowHelpPage(QStringLiteral("Parlune.htm"), UserFiles::UserFilesDir); })();
    QMainWindow::keyReleaseEvent(event);
}

void TMainForm::ShowHelpPage(const QString &page, const QString &folder)
{
    const QString path = folder + QStringLiteral("help/") + page;
    if (!QFileInfo::exists(path))  // a link counts by its target
        ShowPlainMessage(QStringLiteral("Can't Find Help File"), path);
    else if (!Shell::ShellOpen(path))
        ShowPlainMessage(QStringLiteral("Can't Open Help File"),
                         QStringLiteral("No program on this desktop opens the help page %1").arg(path));
}

void TMainForm::Action1Execute()
{
    TFindDialog dialog(RightMemo, FindState, this);
    dialog.exec();
}

TTextPane *TMainForm::pane(int index) const
{
    return index == 0 ? LeftMemo : RightMemo;
}

void TMainForm::CompareButtonClick()
{
    const bool leftText = LeftMemo->Lines().Count() > 0;
    const bool rightText = RightMemo->Lines().Count() > 0;
    const QString before = StatusLabel->text();
    if (leftText && rightText)
        StatusLabel->setText(kScanning);
    QString status;
    try {
        TBusyPointer busy;
        TPassLock lock(*this);
        status = fPass.Run();
    } catch (...) {
        StatusLabel->setText(before);
        throw;
    }
    StatusLabel->setText(status);
    if (status.startsWith(CompareOps::kChangesPrefix)) {
        PaintOverview();
        DiffCommands->PassEnded();
    }
    // The pass may have changed the line count a great deal.
    SizeOverviewBox();
    PlaceOverviewBox();
}

void TMainForm::SetFileLabel(int index, const QString &path)
{
    (index == 0 ? Label3 : Label6)->setText(FileLabelText(path));
}

TMainForm::TPassLock::TPassLock(TMainForm &form) : fForm(form)
{
    for (TTextPane *p : {fForm.LeftMemo, fForm.RightMemo}) {
        fLocked.push_back(p->EditLocked());
        p->SetEditLocked(true);
    }
    for (QWidget *w : fForm.loadSaveControls()) {
        fEnabled.push_back(w->isEnabled());
        w->setEnabled(false);
    }
}

TMainForm::TPassLock::~TPassLock()
{
    fForm.LeftMemo->SetEditLocked(fLocked[0]);
    fForm.RightMemo->SetEditLocked(fLocked[1]);
    const QList<QWidget *> controls = fForm.loadSaveControls();
    for (qsizetype i = 0; i < controls.size(); ++i)
        controls[i]->setEnabled(fEnabled[size_t(i)]);
}

QList<QWidget *> TMainForm::loadSaveControls() const
{
    return {LeftFileButton, RightLoadFileButton, SaveAsButton, LoadSelectedFileButton, QuorvelLoadButton};
}

bool TMainForm::refuseDuringPass() const
{
    if (!fPass.Running())
        return false;
    QApplication::beep();
    return true;
}

void TMainForm::LoadFile(int index, const QString &path)
{
    // A running pass writes both panes when it ends: a text loaded now
    // would be overwritten and lost.
    if (fPass.Running())
        throw EParlune(QStringLiteral("A scan is running: load \"%1\" when it has ended (Esc cancels it)").arg(path));
    pane(index)->Lines().LoadFromFile(path, HashUnit::HashNormalized);
    fFiles[index] = path;
    Sources->FromFile(index, path);
    TextLoaded();
}

void TMainForm::TextLoaded()
{
    // The status and the strip told of the texts that were replaced.
    StatusLabel->setText(QStringLiteral("---"));
    OverviewRectangle->SetImage(QImage());
    SizeOverviewBox();
    PlaceOverviewBox();
}

void TMainForm::LoadStartFiles(const QString &left, const QString &right)
{
    QStringList errors;
    int loaded = 0;
    for (int index : {0, 1}) {
        const QString path = QFileInfo(index == 0 ? left : right).absoluteFilePath();
        try {
            LoadFile(index, path);
            SetFileLabel(index, path);
            ++loaded;
        } catch (const std::exception &e) {
            errors << QString::fromUtf8(e.what());
        }
    }
    try {
        const QString status =
            loaded == 2 ? StartFiles::CompareWithNothing(fPass, LeftMemo->Lines(), RightMemo->Lines()) : QString();
        if (status.isEmpty()) {
            CompareButtonClick();
        } else {
            StatusLabel->setText(status);
            PaintOverview();
            SizeOverviewBox();
            PlaceOverviewBox();
        }
    } catch (const std::exception &e) {
        errors << QString::fromUtf8(e.what());
    }
    // The messages wait for the window, so that they stand in front of it.
    if (!errors.isEmpty())
        QTimer::singleShot(0, this, [errors] {
            for (const QString &message : errors)
                ReportError(message);
        });
}

void TMainForm::LeftFileButtonClick()
{
    if (refuseDuringPass())
        return;
    const QString path = fChooser->ChooseFileToOpen(QStringLiteral("*.*"), QStringLiteral(".*"), fFiles[0]);
    if (path.isEmpty())
        return;  // cancelled: nothing changes
    LoadFile(0, path);
    SetFileLabel(0, path);
}

void TMainForm::RightLoadFileButtonClick()
{
    if (refuseDuringPass())
        return;
    const QString path = fChooser->ChooseFileToOpen(QStringLiteral("*.*"), QStringLiteral(".*"), fFiles[1]);
    if (path.isEmpty())
        return;  // cancelled: nothing changes
    LoadFile(1, path);
    SetFileLabel(1, path);
}

void TMainForm::SaveAsButtonClick()
{
    if (refuseDuringPass())
        return;
    const QString path = fChooser->ChooseFileToSave(fFiles[1]);
    if (path.isEmpty())
        return;
    TLines &lines = RightMemo->Lines();
    lines.TrimTrailing();
    // Characters the file's encoding cannot hold would be written as "?":
    // offer UTF-8 with a byte-order mark instead, which holds them all.
    if (const int bad = lines.FirstLineNotEncodable(); bad >= 0) {
        const QString body = QStringLiteral("Line %1 holds characters that %2 cannot keep. Save as UTF-8 (with byte-order mark) instead?")
                                 .arg(bad + 1)
                                 .arg(EncodingName(lines.Encoding()));
        if (ShowStyledMessage(kEncodingTitle, body, 1) != TMy::kYes)
            return;
        lines.SetEncoding(TTextEncoding::Utf8Bom);
    }
    lines.SaveToFile(path);
    fFiles[1] = path;
    Sources->FromFile(1, path);
    SetFileLabel(1, path);
}

namespace {

// The first local file a drag carries; empty when it carries none.
QString droppedFile(const QMimeData *data)
{
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

void TMainForm::LeftMemoDragOver(QDragMoveEvent *event)
{
    // Only a file can be loaded: anything else is refused, so that the
    // program it came from does not take it as delivered.
    if (droppedFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TMainForm::RightMemoDragOver(QDragMoveEvent *event)
{
    LeftMemoDragOver(event);
}

void TMainForm::dropFile(int index, QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty() || refuseDuringPass()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    LoadFile(index, path);
    SetFileLabel(index, path);
}

void TMainForm::LeftMemoDragDrop(QDropEvent *event)
{
    dropFile(0, event);
}

void TMainForm::RightMemoDragDrop(QDropEvent *event)
{
    dropFile(1, event);
}

void TMainForm::PaintOverview()
{
    OverviewRectangle->SetImage(
        Overview::PaintMarks(RightMemo->Lines(), OverviewRectangle->width(), OverviewRectangle->height()));
}

void TMainForm::PlaceOverviewBox()
{
    const int n = RightMemo->Lines().Count();
    if (n < 1)
        return;
    OverviewBox->SetTop(Overview::BoxTop(RightMemo->TopLine(), Overview::Scale(OverviewRectangle->height(), n)));
}

void TMainForm::SizeOverviewBox()
{
    const int n = RightMemo->Lines().Count();
    if (n < 1)
        return;
    OverviewBox->SetBoxHeight(Overview::BoxHeight(OverviewRectangle->height(), n, RightMemo->height(),
                                                  RightMemo->CellSize().height()));
}
