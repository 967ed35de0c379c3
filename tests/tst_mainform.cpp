#include "text/Errors.h"
#include "LinesTestUtil.h"
#include "WindowTestUtil.h"
#include "ModalTestUtil.h"
#include "dialogs/MessageDialog.h"
#include "app/MainForm.h"
#include "app/RuleOptions.h"
#include "session/Session.h"
#include "platform/NamedMutex.h"
#include "app/Panels.h"
#include "app/Overview.h"
#include "app/ParluneApp.h"
#include "platform/ShellOpener.h"
#include "panes/TextPane.h"
#include "platform/UserFiles.h"
#include "app/WindowMenu.h"

#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {

// n numbered lines on the left (each followed by an empty line when asked),
// the same lines in reverse order on the right.
void fillReversed(TLines &l, TLines &r, int n, bool blankLines)
{
    l.BeginUpdate();
    r.BeginUpdate();
    for (int i = 0; i < n; ++i) {
        l.Add(QStringLiteral("line %1").arg(i));
        if (blankLines)
            l.Add(u"");
        r.Add(QStringLiteral("line %1").arg(n - 1 - i));
    }
    l.EndUpdate();
    r.EndUpdate();
}

} // namespace

class TstMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAtStart();
    void comparisonOptions();
    void resizeRules();
    void headerButtonsStayWhole_data();
    void headerButtonsStayWhole();
    void passThroughTheWindow_data();
    void passThroughTheWindow();
    void secondPassGivesSameResult();
    void cancelDuringLongPass();
    void loadAndLabel();
    void dropFiles();
    void failedLoadIsShownAndChangesNothing();
    void saveAs();
    void saveFailureKeepsOldFile();
    void editsRefusedDuringPass();
    void latin1SaveAsks_data();
    void latin1SaveAsks();
    void overviewNumbers_data();
    void overviewNumbers();
    void overviewImage();
    void overviewIsTheFillsInRowOrder_data();
    void overviewIsTheFillsInRowOrder();
    void boxHeight_data();
    void boxHeight();
    void scrollTracking();
    void panesAndBoxFollowEveryScroll_data();
    void panesAndBoxFollowEveryScroll();
    void panesScrollSidewaysTogether_data();
    void panesScrollSidewaysTogether();
    void openKeyLoadsIntoFocusedPane_data();
    void openKeyLoadsIntoFocusedPane();
    void goToLine_data();
    void goToLine();
    void loadClearsOldResult();
    void emptyPaneStaysEmptyWhenTheOtherScrolls();
    void handlerErrorsStayInHandler();
    void windowMenuRouting();
    void windowMenuReach_data();
    void windowMenuReach();
    void dialogTexts();

private:
    TMainForm *fForm = nullptr;
    TScriptedChooser *fChooser = nullptr;
    QStringList fErrors;
    QTemporaryDir fDir;
};

void TstMainForm::init()
{
    fErrors.clear();
    static_cast<TParluneApp *>(qApp)->SetErrorPresenter([this](const QString &m) { fErrors << m; });
    fForm = new TMainForm;
    auto chooser = std::make_unique<TScriptedChooser>();
    fChooser = chooser.get();
    fForm->SetFileChooser(std::move(chooser));
    fForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(fForm));
}

void TstMainForm::cleanup()
{
    delete fForm;
    fForm = nullptr;
}

void TstMainForm::layoutAtStart()
{
    TMainForm &f = *fForm;
    QCOMPARE(f.windowTitle(), QStringLiteral("Parlune"));
    QCOMPARE(f.size(), QSize(640, 480));
    QCOMPARE(f.Layout1()->size(), QSize(640, 458));
    QCOMPARE(f.StatusBar1()->height(), 22);
    QVERIFY(f.StatusBar1()->isSizeGripEnabled());
    QCOMPARE(f.StatusLabel()->text(), QStringLiteral("---"));
    QCOMPARE(f.LeftLayout()->width(), 320);  // half the client width after the first resize
    QCOMPARE(f.Splitter1()->handleWidth(), 12);
    QCOMPARE(f.RightLayout()->width(), 640 - 320 - 12);
    QCOMPARE(f.LeftTopLayout()->height(), 105);
    QCOMPARE(f.RightTopLayout()->height(), 105);
    QCOMPARE(f.LeftMemo()->size(), QSize(320, 353));
    QCOMPARE(f.OverviewRectangle()->size(), QSize(21, 353));
    QCOMPARE(f.RightMemo()->height(), 353);
    QCOMPARE(f.OverviewRectangle()->geometry().right() + 1, f.RightMemo()->geometry().left());
    QCOMPARE(f.OverviewBox()->Top(), 32.0f);
    QCOMPARE(f.OverviewBox()->BoxHeight(), 50.0f);
    QCOMPARE(f.Label3()->text(), QStringLiteral("File:"));
    QCOMPARE(f.Label6()->text(), QStringLiteral("File:"));
    QCOMPARE(f.Label3()->geometry(), QRect(10, 65, 320 - 15, 40));
    const struct
    {
        QPushButton *button;
        const char *text;
        QRect geometry;
    } buttons[] = {
        {f.LoadSelectedFileButton(), "Load Selected File", {131, 6, 122, 22}},
        {f.LeftFileButton(), "Load Other File", {31, 37, 110, 22}},
        {f.QuorvelLoadButton(), "Quorvel Editor", {56, 6, 119, 22}},
        {f.CompareButton(), "Scan Difference", {187, 6, 121, 22}},
        {f.RightLoadFileButton(), "Load Other File", {32, 37, 110, 22}},
        {f.SaveAsButton(), "Save As", {168, 37, 80, 22}},
    };
    for (const auto &b : buttons) {
        QCOMPARE(b.button->text(), QString::fromLatin1(b.text));
        QCOMPARE(b.button->geometry(), b.geometry);
    }
    QCOMPARE(f.Label1()->text(), QStringLiteral("Load From File:"));
    QCOMPARE(f.Label1()->pos(), QPoint(6, 4));
    QCOMPARE(f.Label2()->text(), QStringLiteral("Load:"));
    QCOMPARE(f.Label5()->text(), QStringLiteral("or"));
    QCOMPARE(f.Label4()->text(), QStringLiteral("or"));
    QCOMPARE(f.Label1()->font().pixelSize(), 16);
    QVERIFY(f.LeftMemo()->ReadOnly());
    QVERIFY(!f.RightMemo()->ReadOnly());
    QVERIFY(f.RightMemo()->NoVScroll());
    QVERIFY(!f.LeftMemo()->NoVScroll());
    QVERIFY(!f.StyleBook2().isEmpty());
    QCOMPARE(f.styleSheet(), f.StyleBook2());
    QVERIFY(NamedMutex::Exists(QStringLiteral("ParluneMutex")));
}

// The window menu's options change what counts, compare again at once, are
// named in the status bar when not the default, and are remembered.
void TstMainForm::comparisonOptions()
{
    const QString left = fDir.filePath(QStringLiteral("options-left.txt"));
    const QString right = fDir.filePath(QStringLiteral("options-right.txt"));
    writeAll(left, "Alpha\n\nbeta gamma\n");
    writeAll(right, "alpha\nbetagamma\n");
    fForm->LoadFile(TSide::Left, left);
    fForm->LoadFile(TSide::Right, right);
    fForm->CompareButtonClick();
    TSession &session = fForm->Session();
    QCOMPARE(session.Status(), QStringLiteral("Changes=0"));
    QVERIFY(fForm->RuleLabel()->isHidden());

    TRuleOptions *options = fForm->RuleOptions();
    const auto restore = qScopeGuard([options] {
        for (auto which : {TRuleOptions::IgnoreCase, TRuleOptions::IgnoreBlanks, TRuleOptions::IgnoreEmptyLines})
            options->Action(which)->setChecked(true);
    });
    struct TStep
    {
        TRuleOptions::TSwitch which;
        bool on;
        const char *status;
        const char *label;
    };
    const TStep steps[] = {
        {TRuleOptions::IgnoreCase, false, "Changes=1", "Compared: case"},
        {TRuleOptions::IgnoreBlanks, false, "Changes=2", "Compared: case, spaces and tabs"},
        {TRuleOptions::IgnoreEmptyLines, false, "Changes=3", "Compared: case, spaces and tabs, empty lines"},
        {TRuleOptions::IgnoreCase, true, "Changes=2", "Compared: spaces and tabs, empty lines"},
        {TRuleOptions::IgnoreEmptyLines, true, "Changes=1", "Compared: spaces and tabs"},
        {TRuleOptions::IgnoreBlanks, true, "Changes=0", ""},
    };
    for (const TStep &step : steps) {
        options->Action(step.which)->trigger();
        QCOMPARE(options->Action(step.which)->isChecked(), step.on);
        QCOMPARE(session.Status(), QString::fromLatin1(step.status));
        QCOMPARE(fForm->RuleLabel()->text(), QString::fromLatin1(step.label));
        QCOMPARE(fForm->RuleLabel()->isVisible(), *step.label != 0);
    }
    // With empty lines counted, the left pane shows its empty line again.
    options->Action(TRuleOptions::IgnoreEmptyLines)->trigger();
    QCOMPARE(allLines(fForm->LeftMemo()->Lines()).mid(0, 3),
             (QStringList{"Alpha", "", "beta gamma"}));

    TMainForm again;
    QCOMPARE(again.RuleOptions()->Rule().ignoreEmptyLines, false);
    QCOMPARE(again.RuleOptions()->Rule().ignoreCase, true);
    QCOMPARE(again.Session().Rule().ignoreEmptyLines, false);
}

void TstMainForm::resizeRules()
{
    TMainForm &f = *fForm;
    f.resize(400, 200);
    QTRY_COMPARE(f.size(), QSize(500, 300));
    f.resize(801, 600);
    QCOMPARE(f.LeftLayout()->width(), 400);  // half of an odd width, rounded down
    f.Splitter1()->setSizes({150, 801 - 150 - 12});
    QCOMPARE(f.LeftLayout()->width(), 150);
    f.resize(700, 600);
    QCOMPARE(f.LeftLayout()->width(), 350);  // the drag is undone
}

void TstMainForm::headerButtonsStayWhole_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("leftFlows");  // the left header's design places no longer fit
    QTest::newRow("the smallest window") << QSize(500, 300) << true;
    QTest::newRow("a little narrower than at start") << QSize(600, 480) << false;
}

void TstMainForm::headerButtonsStayWhole()
{
    QFETCH(QSize, size);
    QFETCH(bool, leftFlows);
    TMainForm &f = *fForm;
    f.resize(size);
    QTRY_COMPARE(f.size(), size);
    const QList<QWidget *> controls = {f.LoadSelectedFileButton(), f.LeftFileButton(), f.QuorvelLoadButton(),
                                       f.CompareButton(), f.RightLoadFileButton(), f.SaveAsButton(),
                                       f.Label1(), f.Label5(), f.Label2(), f.Label4()};
    for (QWidget *w : controls) {
        const QWidget *header = w->parentWidget();
        QVERIFY2(header->rect().contains(w->geometry()), qPrintable(w->objectName() + w->property("text").toString()));
        auto *b = qobject_cast<QPushButton *>(w);
        if (b && (leftFlows || header == f.RightTopLayout()))
            QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->text()));  // the text is whole
        for (QWidget *other : controls)  // no button covers another
            if (b && other != w && other->parentWidget() == header && qobject_cast<QPushButton *>(other))
                QVERIFY2(!w->geometry().intersects(other->geometry()), qPrintable(b->text()));
    }
}

void TstMainForm::passThroughTheWindow_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("marks");
    QTest::newRow("both empty") << "" << "" << "No Text Loaded" << "";
    QTest::newRow("left empty") << "" << "a" << "No Text in Left Window" << ".";
    QTest::newRow("right empty") << "a" << "" << "No Text in Right Editor" << "";
    QTest::newRow("a small pair") << "A\nB\nC\nD" << "A\nX\nD" << "Changes=2" << ".bb.";
}

void TstMainForm::passThroughTheWindow()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, status);
    QFETCH(QString, marks);
    fForm->LeftMemo()->Lines().SetText(left);
    fForm->RightMemo()->Lines().SetText(right);
    QTest::mouseClick(fForm->CompareButton(), Qt::LeftButton);
    QCOMPARE(fForm->StatusLabel()->text(), status);
    QCOMPARE(markString(fForm->RightMemo()->Lines()), marks);
    QCOMPARE(fForm->OverviewRectangle()->Image().isNull(), !status.startsWith(u'C'));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TstMainForm::secondPassGivesSameResult()
{
    fForm->LeftMemo()->Lines().SetText(u"a\nb\n\nc\nd");
    fForm->RightMemo()->Lines().SetText(u"a\nx\nc\ny\nz");
    fForm->CompareButtonClick();
    const QString status = fForm->StatusLabel()->text();
    const QStringList right = allLines(fForm->RightMemo()->Lines());
    const QString marks = markString(fForm->RightMemo()->Lines());
    fForm->CompareButtonClick();
    QCOMPARE(fForm->StatusLabel()->text(), status);
    QCOMPARE(allLines(fForm->RightMemo()->Lines()), right);
    QCOMPARE(markString(fForm->RightMemo()->Lines()), marks);
}

void TstMainForm::cancelDuringLongPass()
{
    // The same lines in reverse order: a long run of the engine.
    TLines &l = fForm->LeftMemo()->Lines();
    TLines &r = fForm->RightMemo()->Lines();
    fillReversed(l, r, 3000, true);
    QString seenWhileRunning;
    QTimer::singleShot(0, this, [&] {
        seenWhileRunning = fForm->StatusLabel()->text();
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QTest::keyClick(fForm, Qt::Key_Escape);
    });
    fForm->CompareButtonClick();
    QCOMPARE(seenWhileRunning, TSession::kScanning);
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Scan Cancelled"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(l.Count(), 6000);  // as before the pass, empty lines too
    QCOMPARE(markString(r), QString(3000, u'.'));
    QVERIFY(fForm->OverviewRectangle()->Image().isNull());
}

void TstMainForm::loadAndLabel()
{
    const QString path = fDir.filePath(QStringLiteral("left.txt"));
    writeAll(path, "one\r\ntwo\r\n");
    fChooser->answers = {path, QString()};
    QTest::mouseClick(fForm->LeftFileButton(), Qt::LeftButton);
    QCOMPARE(allLines(fForm->LeftMemo()->Lines()), (QStringList{"one", "two"}));
    QCOMPARE(fForm->Label3()->text(), FileLabelText(path));
    QVERIFY(fForm->Label3()->text().contains(QStringLiteral("/ left.txt")));
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("---"));  // loading does not compare
    // Cancelling changes nothing: text and label stay.
    QTest::mouseClick(fForm->LeftFileButton(), Qt::LeftButton);
    QCOMPARE(allLines(fForm->LeftMemo()->Lines()), (QStringList{"one", "two"}));
    QCOMPARE(fForm->Label3()->text(), FileLabelText(path));
}

void TstMainForm::dropFiles()
{
    QStringList paths;
    for (const char *name : {"first.txt", "second.txt", "third.txt"}) {
        paths << fDir.filePath(QString::fromLatin1(name));
        writeAll(paths.back(), QByteArray(name) + "\n");
    }
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(paths[0]), QUrl::fromLocalFile(paths[1]), QUrl::fromLocalFile(paths[2])});
    QDragMoveEvent over(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
    fForm->MemoDragOver(&over);
    QVERIFY(over.isAccepted());
    QCOMPARE(over.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    fForm->MemoDragDrop(TSide::Right, &drop);
    QCOMPARE(allLines(fForm->RightMemo()->Lines()), QStringList{"first.txt"});
    QCOMPARE(fForm->Label6()->text(), FileLabelText(paths[0]));

    // Text without a file name is refused, and changes nothing.
    QMimeData text;
    text.setText(QStringLiteral("some dragged words"));
    QDragMoveEvent textOver(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    fForm->MemoDragOver(&textOver);
    QVERIFY(!textOver.isAccepted());
    QDropEvent textDrop(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    textDrop.setAccepted(true);  // as Qt delivers a drop after an accepted move
    fForm->MemoDragDrop(TSide::Left, &textDrop);
    QVERIFY(!textDrop.isAccepted());
    QCOMPARE(fForm->LeftMemo()->Lines().Count(), 0);
    QCOMPARE(fForm->Label3()->text(), QStringLiteral("File:"));
}

void TstMainForm::failedLoadIsShownAndChangesNothing()
{
    fForm->RightMemo()->Lines().SetText(u"kept");
    fForm->Session().SetLabel(TSide::Right, QStringLiteral("/earlier/file.txt"));
    const QString missing = fDir.filePath(QStringLiteral("missing.txt"));
    fChooser->answers = {missing};
    QTest::mouseClick(fForm->RightLoadFileButton(), Qt::LeftButton);  // the error ends the click
    QCOMPARE(fErrors.size(), 1);
    QVERIFY(fErrors[0].contains(missing));
    QCOMPARE(allLines(fForm->RightMemo()->Lines()), QStringList{"kept"});
    QCOMPARE(fForm->Label6()->text(), QStringLiteral("File: / earlier/ file.txt"));
    QVERIFY(fForm->isVisible());  // the program goes on
}

void TstMainForm::saveAs()
{
    const QString in = fDir.filePath(QStringLiteral("in16.txt"));
    const QString out = fDir.filePath(QStringLiteral("out16.txt"));
    writeAll(in, QByteArray("\xff\xfe" "a\0 \0\r\0\n\0", 10));  // UTF-16 LE: "a "
    fChooser->answers = {in, QString(), out};
    QTest::mouseClick(fForm->RightLoadFileButton(), Qt::LeftButton);
    QTest::mouseClick(fForm->SaveAsButton(), Qt::LeftButton);  // cancelled: nothing changes
    QCOMPARE(fForm->RightMemo()->Lines().Get(0), QStringLiteral("a "));
    QCOMPARE(fForm->Label6()->text(), FileLabelText(in));
    QTest::mouseClick(fForm->SaveAsButton(), Qt::LeftButton);
    QCOMPARE(readAll(out), readAll(in));  // the text as loaded, its trailing blank too
    QCOMPARE(fForm->RightMemo()->Lines().Get(0), QStringLiteral("a "));
    QCOMPARE(fForm->Label6()->text(), FileLabelText(out));
    // Each dialog started from the pane's file of the moment; none at first.
    QCOMPARE(fChooser->currents, (QStringList{QString(), in, in}));
}

void TstMainForm::saveFailureKeepsOldFile()
{
    const QString path = fDir.filePath(QStringLiteral("existing.txt"));
    writeAll(path, "old\r\n");
    TLines &r = fForm->RightMemo()->Lines();
    r.BeginUpdate();
    for (int i = 0; i < 3000; ++i)
        r.Add(QStringLiteral("a line to pass the file size limit %1").arg(i));
    r.EndUpdate();
    fForm->Session().SetLabel(TSide::Right, QStringLiteral("before"));
    fChooser->answers = {path};
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    QTest::mouseClick(fForm->SaveAsButton(), Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(fErrors.size(), 1);
    QCOMPARE(readAll(path), QByteArray("old\r\n"));
    QCOMPARE(fForm->Label6()->text(), QStringLiteral("File: before"));
}

void TstMainForm::editsRefusedDuringPass()
{
    TLines &l = fForm->LeftMemo()->Lines();
    TLines &r = fForm->RightMemo()->Lines();
    fillReversed(l, r, 3000, false);
    const QString dropped = fDir.filePath(QStringLiteral("dropped.txt"));
    writeAll(dropped, "dropped\n");
    bool buttonsOff = false;
    QString loadRefusal;
    QTimer::singleShot(0, this, [&] {
        fForm->RightMemo()->setFocus();
        QTest::keyClicks(fForm->RightMemo(), QStringLiteral("typed"));
        QTest::keyClick(fForm->RightMemo(), Qt::Key_Return);
        QApplication::clipboard()->setText(QStringLiteral("pasted\nlines"));
        fForm->RightMemo()->Paste();
        fForm->RightMemo()->Undo();
        buttonsOff = !fForm->SaveAsButton()->isEnabled() && !fForm->LeftFileButton()->isEnabled()
                  && !fForm->RightLoadFileButton()->isEnabled();
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(dropped)});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        fForm->MemoDragDrop(TSide::Right, &drop);
        try {
            fForm->LoadFile(TSide::Left, dropped);
        } catch (const EParlune &e) {
            loadRefusal = e.message();
        }
    });
    fForm->CompareButtonClick();
    QVERIFY(buttonsOff);
    QVERIFY2(loadRefusal.contains(QStringLiteral("scan is running")), qPrintable(loadRefusal));
    QVERIFY(fForm->StatusLabel()->text().startsWith(QStringLiteral("Changes=")));
    // The pass's rows, and nothing of what was typed, pasted or dropped.
    QCOMPARE(r.Count(), l.Count());
    for (int i = 0; i < r.Count(); ++i)
        QVERIFY(!r.Get(i).contains(QStringLiteral("typed")) && !r.Get(i).contains(QStringLiteral("pasted"))
                && !r.Get(i).contains(QStringLiteral("dropped")));
    // Afterwards the pane takes edits again.
    QVERIFY(fForm->SaveAsButton()->isEnabled());
    fForm->RightMemo()->SetCaretPos({0, 0});
    QTest::keyClicks(fForm->RightMemo(), QStringLiteral("ok"));
    QVERIFY(r.Get(0).startsWith(QStringLiteral("ok")));
}

void TstMainForm::latin1SaveAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes: saved as UTF-8 with its mark") << true;
    QTest::newRow("no: nothing written") << false;
}

void TstMainForm::latin1SaveAsks()
{
    QFETCH(bool, yes);
    const QString in = fDir.filePath(QStringLiteral("latin1-in.txt"));
    const QString out = fDir.filePath(QStringLiteral("latin1-out.txt"));
    writeAll(in, "caf\xe9\r\n");
    writeAll(out, "old\r\n");
    fChooser->answers = {in, out};
    QTest::mouseClick(fForm->RightLoadFileButton(), Qt::LeftButton);
    QCOMPARE(fForm->FormatLabel()->text(), QStringLiteral("\u2013 | Latin-1 \u00b7 CR LF"));
    fForm->RightMemo()->Lines().Add(u"\u0105\u0119 \u4f60\u597d");
    QString asked;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<TMy *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        asked = dialog->BodyLabel->text();
        (yes ? dialog->Button2 : dialog->Button3)->click();
    });
    QTest::mouseClick(fForm->SaveAsButton(), Qt::LeftButton);
    QVERIFY2(asked.contains(QStringLiteral("Line 2")) && asked.contains(QStringLiteral("Latin-1")), qPrintable(asked));
    QVERIFY(fErrors.isEmpty());
    if (yes) {
        QCOMPARE(readAll(out), QByteArray("\xef\xbb\xbf" "caf\xc3\xa9\r\n\xc4\x85\xc4\x99 \xe4\xbd\xa0\xe5\xa5\xbd\r\n"));
        QCOMPARE(fForm->Label6()->text(), FileLabelText(out));
        QCOMPARE(fForm->FormatLabel()->text(), QStringLiteral("\u2013 | UTF-8 with BOM \u00b7 CR LF"));
    } else {
        QCOMPARE(readAll(out), QByteArray("old\r\n"));
        QCOMPARE(fForm->Label6()->text(), FileLabelText(in));
    }
}

void TstMainForm::overviewNumbers_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("y");
    QTest::newRow("353 high, 1000 rows: row 0") << 353 << 1000 << 0 << 0;
    QTest::newRow("353 high, 1000 rows: row 999") << 353 << 1000 << 999 << 352;
    QTest::newRow("H 350, n 21: row 3 one pixel higher") << 350 << 21 << 3 << 49;
    QTest::newRow("H 350, n 21: row 20") << 350 << 21 << 20 << 333;
}

void TstMainForm::overviewNumbers()
{
    QFETCH(int, height);
    QFETCH(int, lines);
    QFETCH(int, row);
    QFETCH(int, y);
    QCOMPARE(Overview::RowY(row, Overview::Scale(height, lines)), y);
    TLines marks;
    for (int i = 0; i < lines; ++i)
        marks.Add(u"x");
    marks.SetBreakPoint(row, true);
    const QImage image = Overview::PaintMarks(marks, 21, height);
    QCOMPARE(image.size(), QSize(21, height));
    QCOMPARE(QColor(image.pixel(10, y)), QColor(Qt::red));
    if (y + 1 < height)
        QCOMPARE(QColor(image.pixel(10, y + 1)), QColor(Qt::white));
}

void TstMainForm::overviewImage()
{
    // Through the window: a pass paints the strip; the later of two rows
    // on one pixel row wins.
    QString left, right;
    for (int i = 0; i < 1000; ++i) {
        left += QStringLiteral("line %1\n").arg(i);
        right += (i == 997 || i == 998) ? QStringLiteral("added %1\nline %1\n").arg(i)
                                        : QStringLiteral("line %1\n").arg(i);
    }
    fForm->LeftMemo()->Lines().SetText(left.replace(QStringLiteral("line 500\n"), QStringLiteral("gone\n")));
    fForm->RightMemo()->Lines().SetText(right);
    fForm->CompareButtonClick();
    const QImage image = fForm->OverviewRectangle()->Image();
    QCOMPARE(image.size(), QSize(21, 353));
    const float s = Overview::Scale(353, fForm->RightMemo()->Lines().Count());
    QCOMPARE(QColor(image.pixel(5, Overview::RowY(500, s))), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(5, Overview::RowY(998, s))), QColor(Qt::blue));
    QCOMPARE(QColor(image.pixel(5, 100)), QColor(Qt::white));
    // Loading afterwards leaves the strip as the pass painted it.
    fForm->RightMemo()->Lines().SetText(u"other");
    QCOMPARE(fForm->OverviewRectangle()->Image(), image);
}

void TstMainForm::overviewIsTheFillsInRowOrder_data()
{
    // Marks every `step` rows from `first`, red and blue by turns (or red
    // alone): many rows share a pixel row when the rows outnumber the pixels.
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("alternate");
    QTest::newRow("100k rows, every row, by turns") << 353 << 100000 << 0 << 1 << true;
    QTest::newRow("100k rows, every 7th") << 353 << 100000 << 3 << 7 << true;
    QTest::newRow("rows fewer than pixels") << 353 << 40 << 0 << 3 << true;
    QTest::newRow("one pixel high") << 1 << 50 << 0 << 2 << true;
    QTest::newRow("last row only") << 200 << 999 << 998 << 1 << false;
}

// The strip is what filling a 2-pixel line per marked row, in row order,
// paints.
void TstMainForm::overviewIsTheFillsInRowOrder()
{
    QFETCH(int, height);
    QFETCH(int, lines);
    QFETCH(int, first);
    QFETCH(int, step);
    QFETCH(bool, alternate);
    TLines marks;
    for (int i = 0; i < lines; ++i)
        marks.Add(u"x");
    for (int i = first, k = 0; i < lines; i += step, ++k) {
        if (alternate && k % 2)
            marks.SetBookmark(i, true);
        else
            marks.SetBreakPoint(i, true);
    }
    QImage expected(21, height, QImage::Format_ARGB32);
    expected.fill(0xFFFFFFFF);
    {
        QPainter p(&expected);
        const float s = Overview::Scale(height, lines);
        for (int i = 0; i < lines; ++i)
            if (marks.GetBreakPoint(i) || marks.GetBookmark(i))
                p.fillRect(QRect(0, Overview::RowY(i, s) - 1, 21, 2),
                           marks.GetBreakPoint(i) ? QColor(Qt::red) : QColor(Qt::blue));
    }
    QCOMPARE(Overview::PaintMarks(marks, 21, height), expected);
}

void TstMainForm::boxHeight_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("minimum");
    QTest::addColumn<bool>("tallerThanStrip");
    QTest::newRow("10,000 lines: the 10-high minimum") << 10000 << true << false;
    QTest::newRow("10 lines: taller than the strip") << 10 << false << true;
    QTest::newRow("100 lines") << 100 << false << false;
}

void TstMainForm::boxHeight()
{
    QFETCH(int, lines);
    QFETCH(bool, minimum);
    QFETCH(bool, tallerThanStrip);
    TLines &r = fForm->RightMemo()->Lines();
    for (int i = 0; i < lines; ++i)
        r.Add(u"x");
    fForm->resize(641, 480);  // a resize sizes and places the box
    const float v = float(fForm->RightMemo()->height() / fForm->RightMemo()->CellSize().height());
    const float expected = float(fForm->OverviewRectangle()->height()) * (v / float(lines));
    QCOMPARE(fForm->OverviewBox()->BoxHeight(), minimum ? 10.0f : expected);
    QCOMPARE(fForm->OverviewBox()->BoxHeight() > float(fForm->OverviewRectangle()->height()), tallerThanStrip);
    QCOMPARE(fForm->OverviewBox()->Top(), 0.0f);
}

void TstMainForm::scrollTracking()
{
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("row %1\n").arg(i);
    fForm->LeftMemo()->Lines().SetText(text);
    fForm->RightMemo()->Lines().SetText(text);
    fForm->CompareButtonClick();
    QSignalSpy rightScrolled(fForm->RightMemo(), &TTextPane::OnScroll);
    fForm->LeftMemo()->verticalScrollBar()->setValue(50);  // a drag of the left bar
    QCOMPARE(fForm->RightMemo()->TopLine(), 50);
    QCOMPARE(fForm->OverviewBox()->Top(), 50 * Overview::Scale(353, 1000));
    QCOMPARE(rightScrolled.count(), 0);  // the follower does not answer
    fForm->RightMemo()->SetTopLine(70);  // a TopLine write brings the other pane and the box along
    QCOMPARE(fForm->LeftMemo()->TopLine(), 70);
    QCOMPARE(fForm->OverviewBox()->Top(), 70 * Overview::Scale(353, 1000));
    QCOMPARE(rightScrolled.count(), 0);  // but is no OnScroll
    fForm->RightMemo()->verticalScrollBar()->setValue(20);  // the narrow right bar still works
    QCOMPARE(fForm->LeftMemo()->TopLine(), 20);
}

// Loads a pair of about 2000 lines through the buttons and compares it: the
// right text has a changed line near the start and one added near the end.
static void loadLongPair(TMainForm &form, TScriptedChooser &chooser, const QTemporaryDir &dir)
{
    QByteArray left, right;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray line = "line " + QByteArray::number(i) + "\n";
        left += line;
        right += i == 5 ? QByteArray("changed\n") : i == 1900 ? "added\n" + line : line;
    }
    const QString leftPath = dir.filePath(QStringLiteral("long-left.txt"));
    const QString rightPath = dir.filePath(QStringLiteral("long-right.txt"));
    writeAll(leftPath, left);
    writeAll(rightPath, right);
    chooser.answers = {leftPath, rightPath};
    QTest::mouseClick(form.LeftFileButton(), Qt::LeftButton);
    QTest::mouseClick(form.RightLoadFileButton(), Qt::LeftButton);
    QTest::mouseClick(form.CompareButton(), Qt::LeftButton);
}

static float expectedBoxHeight(TMainForm &form)
{
    return Overview::BoxHeight(form.OverviewRectangle()->height(), form.RightMemo()->Lines().Count(),
                               form.RightMemo()->height(), form.RightMemo()->CellSize().height());
}

void TstMainForm::panesAndBoxFollowEveryScroll_data()
{
    QTest::addColumn<bool>("inRight");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("presses");
    QTest::newRow("PageDown, right pane") << true << int(Qt::Key_PageDown) << int(Qt::NoModifier) << 3;
    QTest::newRow("Ctrl+End, right pane") << true << int(Qt::Key_End) << int(Qt::ControlModifier) << 1;
    QTest::newRow("Down arrow past the last row") << true << int(Qt::Key_Down) << int(Qt::NoModifier) << 40;
    QTest::newRow("typing Return") << true << int(Qt::Key_Return) << int(Qt::NoModifier) << 30;
    QTest::newRow("PageDown, left pane") << false << int(Qt::Key_PageDown) << int(Qt::NoModifier) << 3;
    QTest::newRow("Ctrl+End, left pane") << false << int(Qt::Key_End) << int(Qt::ControlModifier) << 1;
}

void TstMainForm::panesAndBoxFollowEveryScroll()
{
    QFETCH(bool, inRight);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, presses);
    TMainForm &f = *fForm;
    loadLongPair(f, *fChooser, fDir);
    QVERIFY(f.StatusLabel()->text().startsWith(QStringLiteral("Changes=")));
    // The pass sizes the box for the new line count.
    QCOMPARE(f.OverviewBox()->BoxHeight(), expectedBoxHeight(f));
    TTextPane *leader = inRight ? f.RightMemo() : f.LeftMemo();
    leader->setFocus();
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(leader, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(leader->TopLine() > 0);
    QCOMPARE(f.LeftMemo()->TopLine(), leader->TopLine());
    QCOMPARE(f.RightMemo()->TopLine(), leader->TopLine());
    QCOMPARE(f.OverviewBox()->Top(),
             Overview::BoxTop(leader->TopLine(), Overview::Scale(f.OverviewRectangle()->height(), f.RightMemo()->Lines().Count())));
}

void TstMainForm::panesScrollSidewaysTogether_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("inRight");
    for (const char *how : {"shift+wheel", "horizontal wheel", "bar", "End key"}) {
        QTest::addRow("%s, right pane", how) << QString::fromLatin1(how) << true;
        QTest::addRow("%s, left pane", how) << QString::fromLatin1(how) << false;
    }
}

void TstMainForm::panesScrollSidewaysTogether()
{
    // The leader holds a line far longer than any of the follower's: the
    // follower still follows all the way, column for column.
    QFETCH(QString, how);
    QFETCH(bool, inRight);
    TTextPane *leader = inRight ? fForm->RightMemo() : fForm->LeftMemo();
    TTextPane *follower = inRight ? fForm->LeftMemo() : fForm->RightMemo();
    follower->Lines().SetText(QStringLiteral("short\n%1\n").arg(QString(60, u'f')));
    leader->Lines().SetText(QStringLiteral("short\n%1\n").arg(QString(400, u'l')));
    const auto wheel = [leader](QPoint delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent e(QPointF(50, 50), leader->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), delta, Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(leader->viewport(), &e);
    };
    if (how == u"shift+wheel") {
        for (int i = 0; i < 40; ++i)
            wheel(QPoint(0, -120), Qt::ShiftModifier);
    } else if (how == u"horizontal wheel") {
        for (int i = 0; i < 40; ++i)
            wheel(QPoint(-120, 0), Qt::NoModifier);
    } else if (how == u"bar") {
        leader->horizontalScrollBar()->setValue(leader->horizontalScrollBar()->maximum());
    } else {
        leader->setFocus();
        QTest::keyClick(leader, Qt::Key_Down);
        QTest::keyClick(leader, Qt::Key_End);
    }
    // Further than the follower's longest line would let it go alone.
    const qreal followerLine = 60 * leader->CellSize().width();
    QVERIFY2(leader->HorizontalOffset() > followerLine, qPrintable(QString::number(leader->HorizontalOffset())));
    QCOMPARE(follower->HorizontalOffset(), leader->HorizontalOffset());
    QCOMPARE(follower->TextLeft(), leader->TextLeft());
    QCOMPARE(fForm->LeftMemo()->TopLine(), fForm->RightMemo()->TopLine());
}

void TstMainForm::openKeyLoadsIntoFocusedPane_data()
{
    QTest::addColumn<QString>("focus");  // "left", "right" or "button"
    QTest::addColumn<bool>("rightEdited");
    QTest::addColumn<int>("loaded");  // the side that gets the file; -1: none
    QTest::newRow("left pane") << "left" << true << int(TSide::Left);
    QTest::newRow("right pane") << "right" << false << int(TSide::Right);
    QTest::newRow("neither pane: the right one") << "button" << false << int(TSide::Right);
    QTest::newRow("edits: Cancel on the question keeps them") << "right" << true << -1;
}

void TstMainForm::openKeyLoadsIntoFocusedPane()
{
    QFETCH(QString, focus);
    QFETCH(bool, rightEdited);
    QFETCH(int, loaded);
    const QString path = fDir.filePath(QStringLiteral("opened.txt"));
    writeAll(path, "from the file\n");
    fForm->RightMemo()->Lines().SetText(u"right");
    fForm->LeftMemo()->Lines().SetText(u"left");
    if (rightEdited) {
        fForm->RightMemo()->setFocus();
        QTest::keyClicks(fForm->RightMemo(), QStringLiteral("typed "));
    }
    QWidget *target = focus == u"left" ? static_cast<QWidget *>(fForm->LeftMemo())
        : focus == u"right"            ? static_cast<QWidget *>(fForm->RightMemo())
                                       : fForm->CompareButton();
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    fChooser->answers = {path};
    QStringList asked;
    if (loaded < 0) {
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<TMy *>(w);
            QVERIFY(dialog);
            asked << dialog->BodyLabel->text();
            for (QPushButton *b : {dialog->Button1, dialog->Button2, dialog->Button3})
                if (b->isVisible() && b->text() == u"Cancel")
                    b->click();
        });
    }
    QTest::keyClick(fForm, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(fChooser->answers, QStringList{});  // the chooser was asked
    QCOMPARE(allLines(fForm->LeftMemo()->Lines()),
             QStringList{loaded == int(TSide::Left) ? QStringLiteral("from the file") : QStringLiteral("left")});
    const QString right = allLines(fForm->RightMemo()->Lines()).join(u'|');
    QCOMPARE(right, loaded == int(TSide::Right) ? QStringLiteral("from the file")
                    : rightEdited                ? QStringLiteral("typed right")
                                                 : QStringLiteral("right"));
    QCOMPARE(asked, loaded < 0 ? QStringList{QStringLiteral("Save changes to the right text?")} : QStringList{});
    if (loaded >= 0)
        QCOMPARE(fForm->FileLabel(TSide(loaded))->text(), FileLabelText(path));
}

void TstMainForm::goToLine_data()
{
    QTest::addColumn<bool>("inLeft");  // else the focus is on neither pane: the right one
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("row");  // where the caret goes; -1: the dialog is cancelled
    // Five lines added on the right after line 10: the left pane holds
    // five filler rows there, so its lines from 11 on stand five rows lower.
    QTest::newRow("left, before the fillers") << true << 8 << 7;
    QTest::newRow("left, after the fillers") << true << 150 << 154;
    QTest::newRow("left, last line") << true << 200 << 204;
    QTest::newRow("right, no fillers") << false << 150 << 149;
    QTest::newRow("cancelled: the caret stays") << true << 150 << -1;
}

void TstMainForm::goToLine()
{
    QFETCH(bool, inLeft);
    QFETCH(int, number);
    QFETCH(int, row);
    QString left, right;
    for (int i = 1; i <= 200; ++i) {
        left += QStringLiteral("line %1\n").arg(i);
        right += QStringLiteral("line %1\n").arg(i);
        if (i == 10)
            right += QStringLiteral("new a\nnew b\nnew c\nnew d\nnew e\n");
    }
    fForm->LeftMemo()->Lines().SetText(left);
    fForm->RightMemo()->Lines().SetText(right);
    fForm->CompareButtonClick();
    QCOMPARE(fForm->LeftMemo()->Lines().Count(), 205);
    TTextPane *pane = inLeft ? fForm->LeftMemo() : fForm->RightMemo();
    (inLeft ? static_cast<QWidget *>(pane) : fForm->CompareButton())->setFocus();
    const TTextPos before = pane->CaretPos();
    QString label;
    whenModal([&](QWidget *w) {
        auto *dialog = qobject_cast<QInputDialog *>(w);
        QVERIFY(dialog);
        label = dialog->labelText();
        dialog->setIntValue(number);
        row < 0 ? dialog->reject() : dialog->accept();
    });
    QTest::keyClick(fForm, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(label, QStringLiteral("Line number (1 to %1):").arg(inLeft ? 200 : 205));
    if (row < 0) {
        QCOMPARE(pane->CaretPos(), before);
        return;
    }
    QCOMPARE(pane->CaretPos(), (TTextPos{row, 0}));
    QCOMPARE(pane->Lines().LineNumber(row), number);
    // In the middle of the view where the text lets it be, both panes alike.
    const int v = pane->VisibleLineCount();
    const int wantedTop = std::clamp(row - v / 2, 0, pane->Lines().Count() - v);
    QVERIFY2(qAbs(pane->TopLine() - wantedTop) <= 1, qPrintable(QString::number(pane->TopLine())));
    QCOMPARE(fForm->LeftMemo()->TopLine(), fForm->RightMemo()->TopLine());
}

void TstMainForm::loadClearsOldResult()
{
    TMainForm &f = *fForm;
    loadLongPair(f, *fChooser, fDir);
    QVERIFY(!f.OverviewRectangle()->Image().isNull());
    // Find moves the right pane, and the left one comes along.
    QVERIFY(f.RightMemo()->FindText(QStringLiteral("line 1500"), TFindOptions{}));
    QVERIFY(f.RightMemo()->TopLine() > 0);
    QCOMPARE(f.LeftMemo()->TopLine(), f.RightMemo()->TopLine());
    // A click in the strip brings the place it points at into view, in both panes.
    const int n = f.RightMemo()->Lines().Count();
    QTest::mouseClick(f.OverviewRectangle(), Qt::LeftButton, {}, QPoint(10, f.OverviewRectangle()->height() / 4));
    const int wanted = n / 4;
    QVERIFY(f.RightMemo()->TopLine() <= wanted && wanted < f.RightMemo()->TopLine() + f.RightMemo()->VisibleLineCount());
    QCOMPARE(f.LeftMemo()->TopLine(), f.RightMemo()->TopLine());
    QCOMPARE(f.OverviewBox()->Top(), Overview::BoxTop(f.RightMemo()->TopLine(), Overview::Scale(f.OverviewRectangle()->height(), n)));
    // A new text: the old count and marks describe nothing on screen any more.
    const QString small = fDir.filePath(QStringLiteral("small.txt"));
    writeAll(small, "a\nb\nc\n");
    fChooser->answers = {small};
    QTest::mouseClick(f.RightLoadFileButton(), Qt::LeftButton);
    QCOMPARE(f.StatusLabel()->text(), QStringLiteral("---"));
    QVERIFY(f.OverviewRectangle()->Image().isNull());
    QCOMPARE(f.OverviewBox()->BoxHeight(), expectedBoxHeight(f));
    QCOMPARE(f.OverviewBox()->Top(), 0.0f);
}

void TstMainForm::emptyPaneStaysEmptyWhenTheOtherScrolls()
{
    // Only the left text is loaded: scrolling it gives the right pane no
    // line, so a scan still says that the right text is missing.
    QString text;
    for (int i = 0; i < 500; ++i)
        text += QStringLiteral("row %1\n").arg(i);
    fForm->LeftMemo()->Lines().SetText(text);
    fForm->LeftMemo()->setFocus();
    QTest::keyClick(fForm->LeftMemo(), Qt::Key_PageDown);
    QTest::keyClick(fForm->LeftMemo(), Qt::Key_PageDown);
    QVERIFY(fForm->LeftMemo()->TopLine() > 0);
    QCOMPARE(fForm->RightMemo()->Lines().Count(), 0);
    fForm->CompareButtonClick();
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("No Text in Right Editor"));
}

void TstMainForm::handlerErrorsStayInHandler()
{
    // The error of a load is shown by the handler itself: nothing unwinds
    // out of the signal into the code that emitted it.
    fChooser->answers = {fDir.filePath(QStringLiteral("not-there.txt"))};
    bool escaped = false;
    try {
        emit fForm->RightLoadFileButton()->clicked();
    } catch (...) {
        escaped = true;
    }
    QVERIFY(!escaped);
    QCOMPARE(fErrors.size(), 1);
    QVERIFY(fErrors[0].contains(QStringLiteral("not-there.txt")));
}

void TstMainForm::windowMenuRouting()
{
    const QList<QAction *> items = fForm->WindowMenu()->Menu()->actions();
    QCOMPARE(items.size(), 7);
    QVERIFY(items[0]->isSeparator());
    QCOMPARE(items[1]->text(), QStringLiteral("About..."));
    QCOMPARE(items[2]->text(), QStringLiteral("Help\tF1"));
    QVERIFY(items[3]->isSeparator());
    QCOMPARE(items[4]->text(), QStringLiteral("Ignore case"));
    QCOMPARE(items[5]->text(), QStringLiteral("Ignore spaces and tabs"));
    QCOMPARE(items[6]->text(), QStringLiteral("Ignore empty lines"));

    // Commands arrive as key presses of code n + 9999; 11024..11033 are the
    // window's own and are not passed on; other keys are. ("Help" opens a
    // page that is there.)
    QStringList opened;
    Shell::SetOpener([&opened](const QString &path) {
        opened << path;
        return true;
    });
    UserFiles::UserFilesDir = fDir.path() + u'/';
    QDir(fDir.path()).mkpath(QStringLiteral("help"));
    writeAll(fDir.filePath(QStringLiteral("help/Parlune.htm")), "<html></html>");
    QSignalSpy passed(fForm, &TMainForm::KeyPassedOn);
    for (int command = 1025; command <= 1034; ++command)
        fForm->WindowMenu()->Choose(command);
    QCOMPARE(passed.count(), 0);
    fForm->WindowMenu()->Choose(1035);
    QCOMPARE(passed.count(), 1);
    QCOMPARE(passed.takeFirst().at(0).toInt(), 11034);
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(fForm, &plain);
    QCOMPARE(passed.count(), 1);
    QCOMPARE(opened.size(), 1);
    Shell::SetOpener({});
}

void TstMainForm::windowMenuReach_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right click on a header: at the pointer") << "click" << true;
    QTest::newRow("Shift+F10 on a button") << "shift-f10" << true;
    QTest::newRow("Menu key on a button") << "menu" << true;
    QTest::newRow("Shift+F10 in a pane: the pane's context menu") << "shift-f10 pane" << false;
}

void TstMainForm::windowMenuReach()
{
    QFETCH(QString, how);
    QFETCH(bool, opens);
    TMainForm &f = *fForm;
    QMenu *menu = f.WindowMenu()->Menu();
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QWidget *target = how.endsWith(QStringLiteral("pane")) ? static_cast<QWidget *>(f.RightMemo()) : f.CompareButton();
    target->setFocus();
    const QPoint click(20, 30);  // room for the menu to the right, so it opens at the pointer
    if (how == QStringLiteral("click")) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, click, f.Rectangle2()->mapToGlobal(click));
        QApplication::sendEvent(f.Rectangle2(), &event);
    } else {
        // In a pane the key opens the pane's own context menu (modal): it is
        // looked at and closed once it is up.
        QString paneMenu;
        if (target == f.RightMemo())
            QTimer::singleShot(0, this, [&] {
                if (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    for (const QAction *a : popup->actions())
                        paneMenu += a->text() + u'|';
                    popup->close();
                }
            });
        const bool shiftF10 = how.startsWith(QStringLiteral("shift-f10"));
        QTest::keyClick(target, shiftF10 ? Qt::Key_F10 : Qt::Key_Menu, shiftF10 ? Qt::ShiftModifier : Qt::NoModifier);
        if (target == f.RightMemo())
            QVERIFY2(paneMenu.contains(QStringLiteral("Undo")), qPrintable(paneMenu));
    }
    QCOMPARE(menu->isVisible(), opens);
    if (how == QStringLiteral("click"))
        QCOMPARE(menu->pos(), f.Rectangle2()->mapToGlobal(click));
    menu->hide();
}

void TstMainForm::dialogTexts()
{
    // The open dialog's filter, as pairs and in the toolkit's form ("*.*"
    // must match names without a dot too), and the file label.
    QCOMPARE(OpenFilter(QStringLiteral("*.*"), QStringLiteral(".*")),
             QStringLiteral("*.* Files (*.*)|*.*|All Files (*.*)|*.*"));
    QCOMPARE(OpenFilter(QStringLiteral("Text"), QStringLiteral(".txt")),
             QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    QCOMPARE(ToolkitFilter(QStringLiteral("*.* Files (*.*)|*.*|All Files (*.*)|*.*")),
             QStringLiteral("*.* Files (*);;All Files (*)"));
    QCOMPARE(ToolkitFilter(QStringLiteral("Text Files (*.txt)|*.txt")), QStringLiteral("Text Files (*.txt)"));
    QCOMPARE(FileLabelText(QStringLiteral("/data/a.txt")), QStringLiteral("File: / data/ a.txt"));
    QCOMPARE(FileLabelText(QStringLiteral("From Quorvel Editor")), QStringLiteral("File: From Quorvel Editor"));
    QCOMPARE(FileLabelText(QString()), QStringLiteral("File: "));
    // Where a file dialog starts: the current file's folder, else the last one.
    QCOMPARE(DialogStartFolder(fDir.filePath(QStringLiteral("a.txt")), QStringLiteral("/last")), fDir.path());
    QCOMPARE(DialogStartFolder(QString(), QStringLiteral("/last")), QStringLiteral("/last"));
    QCOMPARE(DialogStartFolder(QStringLiteral("/no/such/folder/a.txt"), QStringLiteral("/last")), QStringLiteral("/last"));
}

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TstMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainform.moc"
