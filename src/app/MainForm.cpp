#include "app/MainForm.h"

#include "dialogs/AboutBox.h"
#include "app/CommandLine.h"
#include "app/DiffCommands.h"
#include "app/FileWindow.h"
#include "app/InlineEmphasis.h"
#include "platform/Guarded.h"
#include "app/HeaderFlow.h"
#include "dialogs/MessageDialog.h"
#include "platform/NamedMutex.h"
#include "app/Overview.h"
#include "app/ParluneApp.h"
#include "quorvel/QuorvelLoader.h"
#include "app/PaneSync.h"
#include "app/Panels.h"
#include "platform/ShellOpener.h"
#include "app/FirstPaint.h"
#include "app/QuorvelHost.h"
#include "session/Session.h"
#include "panes/TextPane.h"
#include "platform/UserFiles.h"
#include "app/RuleOptions.h"
#include "app/WindowMenu.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScopedValueRollback>
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

// A command of the whole window, on its key.
QAction *addWindowKey(QWidget *window, const QString &name, const QKeySequence &key)
{
    auto *action = new QAction(name, window);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
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

// The first local file a drag carries; empty when it carries none.
QString droppedFile(const QMimeData *data)
{
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

TMainForm::TMainForm(QWidget *parent, const QStringList &arguments)
    : QMainWindow(parent), fSession(new TSession(this)), fChooser(std::make_unique<TDialogFileChooser>(this))
{
    buildLayout();
    FormCreate(arguments);
}

TMainForm::~TMainForm()
{
    // The panes show the session's lines: they go first.
    for (TTextPane *memo : fMemo.values)
        memo->disconnect(this);
    delete fLayout1;
}

void TMainForm::buildLayout()
{
    const QColor header = QColor::fromRgba(kHeaderColor);
    fLayout1 = new QWidget(this);
    setCentralWidget(fLayout1);
    fSplitter1 = new QSplitter(Qt::Horizontal, fLayout1);
    fSplitter1->setHandleWidth(kSplitterWidth);
    fSplitter1->setChildrenCollapsible(false);
    stack(fLayout1)->addWidget(fSplitter1);
    for (TSide side : kSides)
        fMemo[side] = new TTextPane(fSession->Lines(side));

    // Left column: header, then the reference pane.
    QWidget *leftLayout = fColumn[TSide::Left] = new QWidget;
    const THeader left = makeHeader(leftLayout, header, kHeaderHeight);
    fTopLayout[TSide::Left] = left.area;
    fHeaderRect[TSide::Left] = left.rect;
    fFileLabel[TSide::Left] = left.fileLabel;
    QLabel *label1 = fCaption[TSide::Left] = makeLabel(QStringLiteral("Load From File:"), left.area, 16);
    label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label1->move(6, 4);
    label1->adjustSize();
    fLoadSelectedFileButton = makeButton(QStringLiteral("Load Selected File"), left.area, {131, 6, 122, 22});
    QLabel *label5 = fOrLabel[TSide::Left] = makeLabel(QStringLiteral("or"), left.area, 16);
    label5->setGeometry(12, 36, 25, 21);
    fLoadButton[TSide::Left] = makeButton(QStringLiteral("Load Other File"), left.area, {31, 37, 110, 22});
    QVBoxLayout *leftBox = stack(leftLayout);
    leftBox->addWidget(left.area);
    leftBox->addWidget(LeftMemo(), 1);

    // Right column: header, then the overview strip and the compared pane.
    QWidget *rightLayout = fColumn[TSide::Right] = new QWidget;
    const THeader right = makeHeader(rightLayout, header, kHeaderHeight);
    fTopLayout[TSide::Right] = right.area;
    fHeaderRect[TSide::Right] = right.rect;
    fFileLabel[TSide::Right] = right.fileLabel;
    right.fileLabel->setIndent(10);
    QLabel *label2 = fCaption[TSide::Right] = makeLabel(QStringLiteral("Load:"), right.area, 16);
    label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label2->move(4, 4);
    label2->adjustSize();
    fQuorvelLoadButton = makeButton(QStringLiteral("Quorvel Editor"), right.area, {56, 6, 119, 22});
    fCompareButton = makeButton(QStringLiteral("Scan Difference"), right.area, {187, 6, 121, 22});
    QLabel *label4 = fOrLabel[TSide::Right] = makeLabel(QStringLiteral("or"), right.area, 16);
    label4->setGeometry(10, 36, 25, 21);
    fLoadButton[TSide::Right] = makeButton(QStringLiteral("Load Other File"), right.area, {32, 37, 110, 22});
    fSaveAsButton = makeButton(QStringLiteral("Save As"), right.area, {168, 37, 80, 22});
    fOverviewRectangle = new TOverviewStrip;
    fOverviewBox = fOverviewRectangle->Box();
    auto *rightBody = new QHBoxLayout;
    rightBody->setContentsMargins(0, 0, 0, 0);
    rightBody->setSpacing(0);
    rightBody->addWidget(fOverviewRectangle);
    rightBody->addWidget(RightMemo(), 1);
    QVBoxLayout *rightBox = stack(rightLayout);
    rightBox->addWidget(right.area);
    rightBox->addLayout(rightBody, 1);

    fSplitter1->addWidget(leftLayout);
    fSplitter1->addWidget(rightLayout);
    new THeaderFlow(left.area, {label1, fLoadSelectedFileButton, label5, LeftFileButton()});
    new THeaderFlow(right.area, {label2, fQuorvelLoadButton, fCompareButton, label4, RightLoadFileButton(), fSaveAsButton});

    fStatusBar1 = new QStatusBar(this);
    fStatusBar1->setFixedHeight(kStatusHeight);
    fStatusBar1->setSizeGripEnabled(true);
    setStatusBar(fStatusBar1);
    fStatusLabel = new QLabel(TSession::kNoStatus);
    fStatusLabel->setContentsMargins(10 - 2, 0, 0, 0);
    fStatusBar1->addWidget(fStatusLabel, 1);
    fRuleLabel = new QLabel;
    fRuleLabel->setContentsMargins(0, 0, 8, 0);
    fRuleLabel->hide();
    fStatusBar1->addPermanentWidget(fRuleLabel);
    fFormatLabel = new QLabel;
    fFormatLabel->setContentsMargins(0, 0, 8, 0);
    fStatusBar1->addPermanentWidget(fFormatLabel);

    LeftMemo()->SetReadOnly(true);
    for (TTextPane *memo : fMemo.values) {
        memo->SetTabSize(4);
        memo->SetTrimTrailingSpaces(true);
    }

    fStyleBook2 = loadStyleSheet();
    setStyleSheet(fStyleBook2);
    TMy::SetMainStyleBook(fStyleBook2);
    resize(kClientWidth, kClientHeight);
}

void TMainForm::FormCreate(const QStringList &arguments)
{
    NamedMutex::Create(QStringLiteral("ParluneMutex"));  // the result changes nothing
    fWindowMenu = new TWindowMenu(this);
    fWindowMenu->AddSystemMenuItems(QStringLiteral("about,helpfile"));
    for (TSide side : kSides) {
        QWidget *header = fHeaderRect[side];
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QWidget::customContextMenuRequested, fWindowMenu,
                [this, header](const QPoint &pos) { fWindowMenu->PopupAt(header->mapToGlobal(pos)); });
    }

    fPaneSync = new TPaneSync(LeftMemo(), RightMemo(), this);
    connect(fPaneSync, &TPaneSync::Moved, this, &TMainForm::PlaceOverviewBox);
    connect(fOverviewRectangle, &TOverviewStrip::Clicked, this, [this](qreal y) {
        if (RightMemo()->Lines().Count() <= RightMemo()->VisibleLineCount())
            return;  // all lines are in view already
        RightMemo()->SetTopLine(Overview::TopLineFor(y, fOverviewRectangle->height(), RightMemo()->Lines().Count(),
                                                     RightMemo()->VisibleLineCount()));
    });
    RightMemo()->SetNoVScroll(true);
    fDiffCommands = new TDiffCommands(*fSession, fMemo, this, fStatusBar1);
    connect(fDiffCommands, &TDiffCommands::Moved, this, &TMainForm::PlaceOverviewBox);
    connect(fDiffCommands, &TDiffCommands::MarksChanged, this, [this] {
        PaintOverview();
        PlaceOverviewBox();
    });
    fInlineChanges = new TInlineEmphasis(LeftMemo()->Lines(), RightMemo()->Lines(), this);
    LeftMemo()->SetRowEmphasis(&fInlineChanges->LeftSide(), QColor::fromRgba(TInlineEmphasis::kLeftFill),
                               QColor::fromRgba(TInlineEmphasis::kLeftTint));
    RightMemo()->SetRowEmphasis(&fInlineChanges->RightSide(), QColor::fromRgba(TInlineEmphasis::kRightFill));
    // A change on one side changes the emphasis on the other too.
    connect(fInlineChanges, &TInlineEmphasis::Changed, this, [this] {
        for (TTextPane *memo : fMemo.values)
            memo->viewport()->update();
    });
    // The remembered rule is in force before anything is loaded and compared.
    fRuleOptions = new TRuleOptions(fWindowMenu->Menu(), this);
    const auto ruleChosen = [this](const TCompareRule &rule) {
        fSession->SetRule(rule);
        fInlineChanges->SetIgnoreCase(rule.ignoreCase);
        const QString named = rule.Description();
        fRuleLabel->setText(named);
        fRuleLabel->setVisible(!named.isEmpty());
    };
    ruleChosen(fRuleOptions->Rule());
    connect(fRuleOptions, &TRuleOptions::RuleChanged, this, Guarded(ruleChosen));
    setWindowTitle(fSession->Title());
    wireSession();

    // Each handler shows its own errors (see Guarded.h).
    connect(fCompareButton, &QPushButton::clicked, this, Guarded([this] { CompareButtonClick(); }));
    connect(fLoadSelectedFileButton, &QPushButton::clicked, this, Guarded([this] { LoadSelectedFileButtonClick(); }));
    connect(fQuorvelLoadButton, &QPushButton::clicked, this, Guarded([this] { QuorvelLoadButtonClick(); }));
    connect(fSaveAsButton, &QPushButton::clicked, this, Guarded([this] { SaveAsButtonClick(); }));
    for (TSide side : kSides) {
        connect(fLoadButton[side], &QPushButton::clicked, this, Guarded([this, side] { LoadFileButtonClick(side); }));
        connect(fMemo[side], &TTextPane::OnDragOver, this, Guarded([this](QDragMoveEvent *e) { MemoDragOver(e); }));
        connect(fMemo[side], &TTextPane::OnDragDrop, this,
                Guarded([this, side](QDropEvent *e) { MemoDragDrop(side, e); }));
        connect(fMemo[side], &TTextPane::EditRefused, this, [this] { fSession->Refuse(TCommand::Edit); });
        connect(fMemo[side], &TTextPane::ModifiedChanged, this,
                [this, side](bool modified) { fSession->SetModified(side, modified); });
    }

    fSaveAction = new QAction(QStringLiteral("Save"), this);
    fSaveAction->setShortcut(QKeySequence::Save);
    fSaveAction->setShortcutContext(Qt::WindowShortcut);
    addAction(fSaveAction);
    connect(fSaveAction, &QAction::triggered, this, Guarded([this] { Save(); }));
    RightMemo()->AddExtraMenuActions(QStringLiteral("File"), {fSaveAction});

    fReloadAction = new QAction(QStringLiteral("Reload and Scan"), this);
    fReloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    fReloadAction->setShortcutContext(Qt::WindowShortcut);
    addAction(fReloadAction);
    connect(fReloadAction, &QAction::triggered, this, Guarded([this] { ReloadAndScan(); }));

    // A pass in progress stops at Escape; the engine lets the window run
    // between its steps, so the key arrives while it works.
    fSession->SetYield([] { QCoreApplication::processEvents(); });
    auto *cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancel, &QShortcut::activated, fSession, &TSession::Cancel);
    connect(cancel, &QShortcut::activated, this, [this] { fStopFind = true; });

    // A start-up switch or two file names load before the window is shown;
    // the comparison they end with runs once the window has painted both
    // texts (a long pass shows its status in the window instead of no
    // window at all). An error either ends with is shown as any other, and
    // start-up goes on.
    const TStartRequest start = ParseCommandLine(arguments);
    bool scanDue = false;
    if (start.QuorvelMode) {
        try {
            TQuorvelHost host(*fSession, TQuorvelHost::TCompare::Later);
            QuorvelLoader::Load(host, start.QuorvelMode);
            scanDue = host.CompareDue();
        } catch (const std::exception &e) {
            ReportError(QString::fromUtf8(e.what()));
        }
    } else if (start.HasFiles()) {
        reportLater(fSession->LoadStartFiles(start.Left, start.Right));
    }
    FirstPaint::After(*this, [this, scanDue] {
        try {
            if (scanDue)
                fSession->Scan();
            else
                reportLater(fSession->CompareStartFiles());
        } catch (const std::exception &e) {
            ReportError(QString::fromUtf8(e.what()));
        }
        emit StartUpDone();
    });

    fAction1 = new QAction(this);
    fAction1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    fAction1->setShortcutContext(Qt::WindowShortcut);
    addAction(fAction1);
    connect(fAction1, &QAction::triggered, this, Guarded([this] { Action1Execute(); }));
    fFindNextAction = addWindowKey(this, QStringLiteral("Find Next"), QKeySequence(Qt::Key_F3));
    connect(fFindNextAction, &QAction::triggered, this, Guarded([this] { FindAgain(false); }));
    fFindPreviousAction = addWindowKey(this, QStringLiteral("Find Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    connect(fFindPreviousAction, &QAction::triggered, this, Guarded([this] { FindAgain(true); }));
    // Ctrl+O does what the focused pane's "Load Other File" button does.
    fOpenAction = addWindowKey(this, QStringLiteral("Load File"), QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(fOpenAction, &QAction::triggered, this, Guarded([this] { LoadFileButtonClick(FocusedSide()); }));
    fGoToLineAction = addWindowKey(this, QStringLiteral("Go to Line"), QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(fGoToLineAction, &QAction::triggered, this, Guarded([this] { GoToLine(); }));
}

void TMainForm::wireSession()
{
    connect(fSession, &TSession::StatusChanged, fStatusLabel, &QLabel::setText);
    connect(fSession, &TSession::LabelChanged, this,
            [this](TSide side, const QString &value) { fFileLabel[side]->setText(FileLabelText(value)); });
    connect(fSession, &TSession::TitleChanged, this, &QWidget::setWindowTitle);
    connect(fSession, &TSession::Said, this, [this](const QString &text) { fStatusBar1->showMessage(text, 4000); });
    connect(fSession, &TSession::BusyChanged, this, &TMainForm::busyChanged);
    connect(fSession, &TSession::TextReplaced, this, [this](TSide side) {
        fMemo[side]->SetUnmodified();  // the text as loaded
        fFormatLabel->setText(fSession->Formats());
        // The strip told of the texts that were replaced.
        fOverviewRectangle->SetImage(QImage());
        SizeOverviewBox();
        PlaceOverviewBox();
    });
    connect(fSession, &TSession::PassEnded, this, [this](bool rebuilt) {
        if (rebuilt) {
            PaintOverview();
            fDiffCommands->PassEnded();
        }
        // The pass may have changed the line count a great deal.
        SizeOverviewBox();
        PlaceOverviewBox();
    });
    connect(fSession, &TSession::ChangedOnDisk, this,
            Guarded([this](TSide side) { askAboutDiskChange(side); }));
}

void TMainForm::busyChanged(bool busy)
{
    // While a pass runs the session refuses every command that changes a
    // text; the buttons of those commands are off meanwhile, and the
    // pointer says that the window works. Keys stay live, so that the
    // session can say why they do nothing.
    for (TTextPane *memo : fMemo.values)
        memo->SetEditLocked(busy);
    for (QWidget *w : std::initializer_list<QWidget *>{LeftFileButton(), RightLoadFileButton(), fSaveAsButton,
                                                       fLoadSelectedFileButton, fQuorvelLoadButton, fCompareButton})
        w->setEnabled(!busy);
    if (fRuleOptions)
        fRuleOptions->SetEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainForm::reportLater(const QStringList &errors)
{
    // The messages wait for the window, so that they stand in front of it.
    if (!errors.isEmpty())
        QTimer::singleShot(0, this, [errors] {
            for (const QString &message : errors)
                ReportError(message);
        });
}

void TMainForm::load_from_quorvel(int editor_to_load)
{
    TQuorvelHost host(*fSession);
    QuorvelLoader::Load(host, editor_to_load);
}

void TMainForm::LoadSelectedFileButtonClick()
{
    if (!fSession->Refuse(TCommand::Load))
        load_from_quorvel(1);
}

void TMainForm::QuorvelLoadButtonClick()
{
    if (!fSession->Refuse(TCommand::Load) && mayReplaceRight())
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
    bool close = false;
    Guarded([&] { close = mayReplaceRight(); })();
    if (!close) {
        event->ignore();
        return;
    }
    fSession->Cancel();  // a running pass ends at its next step
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
    const int client = fLayout1->width();
    fSplitter1->setSizes({client / 2, client - client / 2 - kSplitterWidth});
    SizeOverviewBox();
    PlaceOverviewBox();
}

void TMainForm::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const int first = TWindowMenu::kFirstCommand + TWindowMenu::kKeyOffset;
    if (key >= first && key < first + TWindowMenu::kOwnCommands) {
        // A window-menu command; it is not passed on. "Help" opens the
        // shipped HTML help, as F1 does: no compiled help file exists here.
        const int command = key - TWindowMenu::kKeyOffset;
        if (command == TWindowMenu::kAboutCommand && fAboutBox)
            Guarded([this] { fAboutBox->exec(); })();
        else if (command == TWindowMenu::kHelpCommand)
            Guarded([this] { ShowHelpPage(QStringLiteral("Parlune.htm"), UserFiles::UserFilesDir); })();
        return;
    }
    // Outside the panes, Shift+F10 and the Menu key open the window menu;
    // a pane passes on the keys it does not use, and those stay unused.
    if (TWindowMenu::IsMenuKey(event) && !qobject_cast<TTextPane *>(QApplication::focusWidget())) {
        fWindowMenu->Popup();
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
    TFindDialog dialog(RightMemo(), fFindState, this);
    dialog.exec();
}

void TMainForm::FindAgain(bool up)
{
    if (fFindState.text.isEmpty()) {
        Action1Execute();
        return;
    }
    if (fFinding)
        return;  // the keys of a search still running
    const QScopedValueRollback finding(fFinding, true);
    fStopFind = false;
    // A costly expression over many lines can take long: the search lets
    // the window run between its slices, and Escape stops it.
    bool stopped = false;
    const bool found = RightMemo()->FindText(fFindState.text, fFindState.Options(up), [this] {
        QCoreApplication::processEvents();
        return !fStopFind;
    }, &stopped);
    if (!found)
        fStatusBar1->showMessage(stopped ? TFindDialog::kStopped : TFindDialog::kNotFound, 4000);
}

TSide TMainForm::FocusedSide() const
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == LeftMemo() || LeftMemo()->isAncestorOf(focus)) ? TSide::Left : TSide::Right;
}

void TMainForm::GoToLine()
{
    TTextPane *pane = fMemo[FocusedSide()];
    const TLines &lines = pane->Lines();
    const int count = lines.TextLineCount();
    if (count < 1)
        return;
    const int current = lines.LineNumber(pane->CaretPos().line);
    bool ok = false;
    const int number = QInputDialog::getInt(this, QStringLiteral("Go to Line"),
                                            QStringLiteral("Line number (1 to %1):").arg(count),
                                            std::max(1, current), 1, count, 1, &ok);
    if (!ok)
        return;
    const int row = lines.RowOfLine(number);
    pane->CentreRow(row);
    pane->SetCaretPos({row, 0});
    pane->setFocus();
}

void TMainForm::CompareButtonClick()
{
    fSession->Scan();
}

void TMainForm::ReloadAndScan()
{
    if (fSession->Refuse(TCommand::Reload))
        return;
    if (!fSession->Path(TSide::Right).isEmpty() && !mayReplaceRight())
        return;
    const QStringList errors = fSession->Reload();
    if (!errors.isEmpty())
        ReportError(errors.join(u'\n'));
}

void TMainForm::LoadFile(TSide side, const QString &path)
{
    fSession->LoadFile(side, path);
    fSession->SetLabel(side, path);
}

void TMainForm::LoadFileButtonClick(TSide side)
{
    if (fSession->Refuse(TCommand::Load))
        return;
    const QString path = fChooser->ChooseFileToOpen(QStringLiteral("*.*"), QStringLiteral(".*"), fSession->Path(side));
    if (path.isEmpty())  // cancelled: nothing changes
        return;
    if (side == TSide::Right && !mayReplaceRight())
        return;
    LoadFile(side, path);
}

void TMainForm::SaveAsButtonClick()
{
    saveAs();
}

bool TMainForm::Save()
{
    if (fSession->Refuse(TCommand::Save))
        return false;
    const QString path = fSession->Path(TSide::Right);
    return path.isEmpty() ? saveAs() : saveRightTo(path);
}

bool TMainForm::saveAs()
{
    if (fSession->Refuse(TCommand::Save))
        return false;
    const QString path = fChooser->ChooseFileToSave(fSession->Path(TSide::Right));
    return !path.isEmpty() && saveRightTo(path);
}

bool TMainForm::saveRightTo(const QString &path)
{
    // Characters the file's encoding cannot hold would be lost: offer an
    // encoding that holds them all instead.
    std::optional<TTextEncoding> encoding;
    if (const int bad = fSession->FirstLineNotEncodable(); bad > 0) {
        const TTextEncoding fallback = fSession->FallbackEncoding();
        const QString body = QStringLiteral("Line %1 holds characters that %2 cannot keep. Save as %3 (with byte-order mark) instead?")
                                 .arg(bad)
                                 .arg(EncodingName(fSession->Lines(TSide::Right).Encoding()),
                                      fallback == TTextEncoding::Utf8Bom ? QStringLiteral("UTF-8")
                                                                         : EncodingName(fallback));
        if (ShowStyledMessage(kEncodingTitle, body, 1) != TMy::kYes)
            return false;
        encoding = fallback;
    }
    fSession->SaveRight(path, encoding);
    RightMemo()->SetUnmodified();
    fFormatLabel->setText(fSession->Formats());
    return true;
}

bool TMainForm::mayReplaceRight()
{
    if (!RightMemo()->IsModified())
        return true;
    const QString name = fSession->Name(TSide::Right);
    const QString body = QStringLiteral("Save changes to %1?").arg(name.isEmpty() ? QStringLiteral("the right text") : name);
    switch (ShowStyledMessage(kUnsavedTitle, body, 2)) {
    case TMy::kYes: return Save();
    case TMy::kNo: return true;
    default: return false;
    }
}

void TMainForm::MemoDragOver(QDragMoveEvent *event)
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

void TMainForm::MemoDragDrop(TSide side, QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty() || fSession->Refuse(TCommand::Load) || (side == TSide::Right && !mayReplaceRight())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    LoadFile(side, path);
}

void TMainForm::askAboutDiskChange(TSide side)
{
    const QString path = fSession->Path(side);
    if (path.isEmpty() || fSession->Busy() || fAsking[side])
        return;
    const QString name = QFileInfo(path).fileName();
    const QString body = fMemo[side]->IsModified()
        ? QStringLiteral("%1 has changed on disk. Load it again and discard your changes?").arg(name)
        : QStringLiteral("%1 has changed on disk. Load it again into the %2 pane?")
              .arg(name, side == TSide::Left ? QStringLiteral("left") : QStringLiteral("right"));
    fAsking[side] = true;
    const bool yes = ShowStyledMessage(kChangedTitle, body, 1) == TMy::kYes;
    fAsking[side] = false;
    fSession->TakeDiskState(side);
    if (!yes || fSession->Path(side) != path)
        return;
    // As F5 does: the text again, then the comparison.
    LoadFile(side, path);
    fSession->Scan();
}

void TMainForm::PaintOverview()
{
    fOverviewRectangle->SetImage(
        Overview::PaintMarks(RightMemo()->Lines(), fOverviewRectangle->width(), fOverviewRectangle->height()));
}

void TMainForm::PlaceOverviewBox()
{
    const int n = RightMemo()->Lines().Count();
    if (n < 1)
        return;
    fOverviewBox->SetTop(Overview::BoxTop(RightMemo()->TopLine(), Overview::Scale(fOverviewRectangle->height(), n)));
}

void TMainForm::SizeOverviewBox()
{
    const int n = RightMemo()->Lines().Count();
    if (n < 1)
        return;
    fOverviewBox->SetBoxHeight(Overview::BoxHeight(fOverviewRectangle->height(), n, RightMemo()->height(),
                                                   RightMemo()->CellSize().height()));
}

QWidget *OpenFileWindow(const TPerSide<QString> &paths, const TPerSide<QString> &labels,
                        const TPerSide<QObject *> &owned)
{
    auto *form = new TMainForm(nullptr, {QStringLiteral("parlune"), paths[TSide::Left], paths[TSide::Right]});
    form->setAttribute(Qt::WA_DeleteOnClose);
    for (TSide side : kSides) {
        if (owned[side])
            owned[side]->setParent(form);
        if (!labels[side].isEmpty())
            form->Session().SetLabel(side, labels[side]);
    }
    form->show();
    return form;
}
