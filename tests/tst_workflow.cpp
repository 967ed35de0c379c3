// Working through differences in the real window (offscreen): moving
// between them, what changed inside a line, taking the left text across,
// reloading, and the title.
#include "app/DiffCommands.h"
#include "app/InlineEmphasis.h"
#include "LinesTestUtil.h"
#include "WindowTestUtil.h"
#include "app/MainForm.h"
#include "dialogs/MessageDialog.h"
#include "app/Overview.h"
#include "app/ParluneApp.h"
#include "session/Session.h"
#include "panes/TextPane.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

namespace {

// 200 lines; the right side changes lines 40, 41, 100 and 160 and drops 120.
QByteArray side(bool right)
{
    QByteArray out;
    for (int i = 0; i < 200; ++i) {
        if (right && i == 120)
            continue;
        if (right && (i == 40 || i == 41 || i == 100 || i == 160))
            out += "int value" + QByteArray::number(i) + " = " + QByteArray::number(i * 2) + ";\n";
        else
            out += "int value" + QByteArray::number(i) + " = " + QByteArray::number(i) + ";\n";
    }
    return out;
}

// Answers the next message dialog with the button of that text, and keeps
// the question it asked.
class TAnswer : public QObject
{
public:
    explicit TAnswer(const QString &button) : fButton(button)
    {
        connect(&fPoll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<TMy *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            asked << dialog->BodyLabel->text();
            for (QPushButton *b : {dialog->Button1, dialog->Button2, dialog->Button3})
                if (b->isVisible() && b->text() == fButton)
                    b->click();
        });
        fPoll.start(10);
    }
    QStringList asked;

private:
    QString fButton;
    QTimer fPoll;
};

} // namespace

class TstWorkflow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void nextAndPrevious();
    void movingFromWhatIsSeen();
    void characterDifferencesArePainted();
    void copyLeftTextHere();
    void copyAcrossTakesThePairedLines_data();
    void copyAcrossTakesThePairedLines();
    void saveWritesTheTextAndClosingAsks();
    void replacingEditedTextAsks_data();
    void replacingEditedTextAsks();
    void reloadAndTitle();
    void diskChangesAreNoticed();
    void startUpShowsTheTextsBeforeComparing();

private:
    TMainForm *fForm = nullptr;
    QTemporaryDir fDir;
    QStringList fErrors;
    QString fLeft, fRight;
};

void TstWorkflow::init()
{
    fErrors.clear();
    static_cast<TParluneApp *>(qApp)->SetErrorPresenter([this](const QString &m) { fErrors << m; });
    fLeft = fDir.filePath(QStringLiteral("old.cpp"));
    fRight = fDir.filePath(QStringLiteral("new.cpp"));
    writeAll(fLeft, side(false));
    writeAll(fRight, side(true));
    fForm = new TMainForm(nullptr, {QStringLiteral("parlune")});
    fForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(fForm));
    fForm->LoadFile(TSide::Left, fLeft);
    fForm->LoadFile(TSide::Right, fRight);
    fForm->CompareButtonClick();
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=5"));
}

void TstWorkflow::cleanup()
{
    delete fForm;
    fForm = nullptr;
    QVERIFY(fErrors.isEmpty());
}

void TstWorkflow::nextAndPrevious()
{
    // Runs after the pass: rows 40-41, 100, 120 (the removed line), 160.
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference \u2013 of 4"));
    fForm->RightMemo()->setFocus();
    const int visible = fForm->RightMemo()->VisibleLineCount();
    for (int press = 0; press < 3; ++press)
        QTest::keyClick(fForm->RightMemo(), Qt::Key_F8);
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 120);
    QCOMPARE(fForm->RightMemo()->TopLine(), 117);  // a few rows above the difference
    QCOMPARE(fForm->LeftMemo()->TopLine(), 117);
    const int n = fForm->RightMemo()->Lines().Count();
    QCOMPARE(fForm->OverviewBox()->Top(), float(Overview::BoxTop(117, Overview::Scale(fForm->OverviewRectangle()->height(), n))));
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference 3 of 4"));
    QVERIFY(visible > 4);

    QTest::keyClick(fForm->RightMemo(), Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 160);
    QTest::keyClick(fForm->RightMemo(), Qt::Key_F8);  // the last one: it stays, and says so
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 160);
    QCOMPARE(fForm->StatusBar1()->currentMessage(), TDiffCommands::kNoNext);
    QTest::keyClick(fForm->RightMemo(), Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 120);
    QTest::keyClick(fForm->RightMemo(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 100);
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference 2 of 4"));
}

void TstWorkflow::movingFromWhatIsSeen()
{
    // Runs: rows 40-41, 100, 120 (the removed line), 160.
    TTextPane *right = fForm->RightMemo();
    TTextPane *left = fForm->LeftMemo();
    QLabel *field = fForm->DiffCommands()->PositionLabel;
    right->setFocus();
    // Scrolled away from the caret: from the first row in view.
    right->SetTopLine(130);
    QTest::keyClick(right, Qt::Key_F8);
    QCOMPARE(right->CaretPos().line, 160);
    right->SetCaretPos({0, 0});
    right->SetTopLine(130);
    QTest::keyClick(right, Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(right->CaretPos().line, 120);
    // The field follows the caret, wherever it is put.
    right->SetCaretPos({105, 0});
    QCOMPARE(field->text(), QStringLiteral("Difference 2 of 4"));
    right->SetCaretPos({10, 0});
    QCOMPARE(field->text(), QStringLiteral("Difference \u2013 of 4"));
    // From the left pane's caret while it has the focus.
    left->setFocus();
    left->SetCaretPos({101, 0});
    QTest::keyClick(left, Qt::Key_F8);
    QCOMPARE(left->CaretPos().line, 120);
    QCOMPARE(right->CaretPos().line, 120);
    // "No further difference" goes with the next move.
    right->setFocus();
    right->SetCaretPos({160, 0});
    QTest::keyClick(right, Qt::Key_F8);
    QCOMPARE(fForm->StatusBar1()->currentMessage(), TDiffCommands::kNoNext);
    QTest::keyClick(right, Qt::Key_Up);
    QCOMPARE(fForm->StatusBar1()->currentMessage(), QString());

    // A start with /dev/null: every line added, one difference.
    TMainForm fresh(nullptr, {QStringLiteral("parlune"), QStringLiteral("/dev/null"), fRight});
    QVERIFY(waitForStartUp(fresh));
    QCOMPARE(fresh.DiffCommands()->PositionLabel->text(), QStringLiteral("Difference \u2013 of 1"));
}

void TstWorkflow::characterDifferencesArePainted()
{
    // Row 100: "int value100 = 100;" against "int value100 = 200;": one character.
    const InlineDiff::TCharDifferences &d = fForm->InlineChanges()->At(100);
    QVERIFY(!d.whole);
    QVERIFY((d.left == std::vector<InlineDiff::TSpan>{{15, 1}}));
    QVERIFY((d.right == std::vector<InlineDiff::TSpan>{{15, 1}}));
    QVERIFY(fForm->InlineChanges()->At(120).left.empty());  // a removed line: no text on the right
    QVERIFY(fForm->InlineChanges()->At(0).left.empty());    // an equal row

    TTextPane *left = fForm->LeftMemo();
    TTextPane *right = fForm->RightMemo();
    right->SetTopLine(100);
    QCOMPARE(left->TopLine(), 100);
    // The cell of a row and column in a grab of the pane's text area.
    auto cell = [](TTextPane *pane, int row, int col) {
        const QSizeF size = pane->CellSize();
        const QRect r(int(pane->TextLeft() + col * size.width()), int(std::ceil((row - pane->TopLine()) * size.height())),
                      int(size.width()), int(size.height()));
        return pane->viewport()->grab(r).toImage();
    };
    // The cell's top edge, above the glyph.
    auto cellColour = [&](TTextPane *pane, int row, int col) { return cell(pane, row, col).pixel(1, 1); };
    // The lightest and darkest pixels of the cell: its ground and its character.
    auto lightness = [&](TTextPane *pane, int row, int col) {
        const QImage image = cell(pane, row, col);
        int lo = 255, hi = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int l = QColor(image.pixel(x, y)).lightness();
                lo = std::min(lo, l);
                hi = std::max(hi, l);
            }
        return std::pair{lo, hi};
    };
    QCOMPARE(cellColour(right, 100, 15), TInlineEmphasis::kRightFill);
    QCOMPARE(cellColour(right, 100, 3), TTextPane::kBreakPointColor);
    // The left pane shows the changed characters as plainly, and tints the
    // rest of a row that stands against a change; equal rows stay white.
    QCOMPARE(cellColour(left, 100, 15), TInlineEmphasis::kLeftFill);
    QCOMPARE(cellColour(left, 100, 3), TInlineEmphasis::kLeftTint);
    QCOMPARE(cellColour(left, 101, 3), QColor(Qt::white).rgba());
    // Characters stay readable: white on the emphasis, black on the tint.
    QVERIFY(lightness(left, 100, 15).second > 200);
    QVERIFY(lightness(left, 100, 1).first < 60);  // the "n" of "int"
    // A row removed on the right: its left row is tinted too.
    right->SetTopLine(110);
    QCOMPARE(cellColour(left, 120, 3), TInlineEmphasis::kLeftTint);
    QCOMPARE(cellColour(left, 119, 3), QColor(Qt::white).rgba());
    // Painted only: the left text holds no marks.
    QVERIFY(!left->Lines().GetBreakPoint(100) && !left->Lines().GetBreakPoint(120));
}

void TstWorkflow::copyLeftTextHere()
{
    TLines &right = fForm->RightMemo()->Lines();
    const QString before = right.Text();
    const QString marksBefore = markString(right);
    fForm->RightMemo()->SetTopLine(30);
    fForm->LeftMemo()->SetTopLine(30);
    fForm->RightMemo()->SetCaretPos({41, 0});
    fForm->RightMemo()->setFocus();
    QCoreApplication::processEvents();
    // The left pane paints again: its emphasis of the run goes with the run.
    struct TPaints : QObject
    {
        int count = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } leftPaints;
    fForm->LeftMemo()->viewport()->installEventFilter(&leftPaints);
    QTest::keyClick(fForm->RightMemo(), Qt::Key_Right, Qt::AltModifier);
    QTRY_VERIFY(leftPaints.count > 0);
    fForm->LeftMemo()->viewport()->removeEventFilter(&leftPaints);
    QCOMPARE(fForm->RightMemo()->TopLine(), 30);  // the view stays where it was
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 42);
    QCOMPARE(right.Get(40), QStringLiteral("int value40 = 40;"));
    QCOMPARE(right.Get(41), QStringLiteral("int value41 = 41;"));
    QVERIFY(!right.GetBreakPoint(40) && !right.GetBreakPoint(41));
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=3"));
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference \u2013 of 3"));

    // The removed line: its left row comes across, the filler goes.
    fForm->RightMemo()->SetCaretPos({120, 0});
    fForm->DiffCommands()->CopyLeftTextHere();
    QCOMPARE(right.Get(120), QStringLiteral("int value120 = 120;"));
    QCOMPARE(right.Count(), fForm->LeftMemo()->Lines().Count());
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=2"));

    // Each is one undo step, and the pane's own edit; undone, the run's
    // marks and the counts come back, redone they go again.
    fForm->RightMemo()->Undo();
    fForm->RightMemo()->Undo();
    QCOMPARE(right.Text(), before);
    QTRY_COMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=5"));
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference 1 of 4"));
    fForm->RightMemo()->Redo();
    QVERIFY(!right.GetBreakPoint(40));
    QTRY_COMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=3"));
    fForm->RightMemo()->Undo();
    QCOMPARE(markString(right), marksBefore);
}

void TstWorkflow::copyAcrossTakesThePairedLines_data()
{
    // Left A B C D, right A X Y D: rows (A, A), (B, X), (C, Y), (D, D). An
    // edit moves the right rows; the run still takes the lines paired with it.
    QTest::addColumn<QString>("edit");  // a new line typed after the end of editRow
    QTest::addColumn<int>("editRow");   // -1: no edit
    QTest::addColumn<int>("copyRow");
    QTest::addColumn<QString>("result");
    QTest::newRow("no edit") << QString() << -1 << 1 << QStringLiteral("A|B|C|D");
    QTest::newRow("a line above the run") << QStringLiteral("new") << 0 << 2 << QStringLiteral("A|new|B|C|D");
    QTest::newRow("a line inside the run") << QStringLiteral("ins") << 1 << 3 << QStringLiteral("A|X|ins|C|D");
    QTest::newRow("a line below the run") << QStringLiteral("z") << 3 << 1 << QStringLiteral("A|B|C|D|z");
}

void TstWorkflow::copyAcrossTakesThePairedLines()
{
    QFETCH(QString, edit);
    QFETCH(int, editRow);
    QFETCH(int, copyRow);
    QFETCH(QString, result);
    writeAll(fLeft, "A\nB\nC\nD\n");
    writeAll(fRight, "A\nX\nY\nD\n");
    fForm->LoadFile(TSide::Left, fLeft);
    fForm->LoadFile(TSide::Right, fRight);
    fForm->CompareButtonClick();
    TTextPane *pane = fForm->RightMemo();
    pane->setFocus();
    if (editRow >= 0) {
        pane->SetCaretPos({editRow, pane->Lines().Length(editRow)});
        QTest::keyClick(pane, Qt::Key_Return);
        QTest::keyClicks(pane, edit);
    }
    pane->SetCaretPos({copyRow, 0});
    QTest::keyClick(pane, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(allLines(pane->Lines()).join(u'|'), result);
}

void TstWorkflow::saveWritesTheTextAndClosingAsks()
{
    // The right file with tabs and empty lines: after a pass and a run taken
    // across, Ctrl+S writes the file's own lines and the run's new ones.
    writeAll(fLeft, "one\ntwo\nthree\nfour\n");
    writeAll(fRight, "one\r\n\r\n\tTWO \r\n2b\r\nthree\r\n\r\nfour");
    fForm->LoadFile(TSide::Left, fLeft);
    fForm->LoadFile(TSide::Right, fRight);
    fForm->CompareButtonClick();
    TTextPane *pane = fForm->RightMemo();
    QCOMPARE(allLines(pane->Lines()), (QStringList{"one", "    TWO ", "2b", "three", "four"}));
    QCOMPARE(pane->Lines().LineNumber(3), 5);  // "three" is line 5 of the file
    QVERIFY(!fForm->windowTitle().startsWith(u'*'));
    pane->setFocus();
    pane->SetCaretPos({2, 0});
    QTest::keyClick(pane, Qt::Key_Right, Qt::AltModifier);  // the added "2b" goes
    QVERIFY(fForm->windowTitle().startsWith(u'*'));
    QTest::keyClick(fForm, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(readAll(fRight), QByteArray("one\r\n\r\n\tTWO \r\nthree\r\n\r\nfour"));
    QVERIFY(!fForm->windowTitle().startsWith(u'*'));
    QVERIFY(fErrors.isEmpty());

    // Typed, then closed: the question; Cancel keeps the window and the text.
    QTest::keyClicks(pane, QStringLiteral("typed"));
    QVERIFY(fForm->windowTitle().startsWith(u'*'));
    {
        TAnswer cancel(QStringLiteral("Cancel"));
        QVERIFY(!fForm->close());
        QCOMPARE(cancel.asked, QStringList{QStringLiteral("Save changes to new.cpp?")});
    }
    QVERIFY(fForm->isVisible());
    QVERIFY(pane->Lines().Text().contains(QStringLiteral("typed")));
    // Undoing back to the saved text: nothing to ask.
    pane->Undo();
    QVERIFY(!fForm->windowTitle().startsWith(u'*'));
    QVERIFY(fForm->close());
}

void TstWorkflow::replacingEditedTextAsks_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    for (const char *command : {"F5", "Load Other File", "drop"})
        for (const char *answer : {"Yes", "No", "Cancel"})
            QTest::addRow("%s, %s", command, answer) << QString::fromLatin1(command) << QString::fromLatin1(answer);
    // The file changed on disk: load it again (the edits go) or not.
    for (const char *answer : {"Yes", "No"})
        QTest::addRow("changed on disk, %s", answer) << QStringLiteral("changed on disk") << QString::fromLatin1(answer);
}

void TstWorkflow::replacingEditedTextAsks()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    const QString other = fDir.filePath(QStringLiteral("other.txt"));
    writeAll(other, "other\n");
    TTextPane *pane = fForm->RightMemo();
    pane->setFocus();
    pane->SetCaretPos({0, 0});
    QTest::keyClicks(pane, QStringLiteral("edited "));
    const QString edited = pane->Lines().Get(0);
    const bool disk = command == QStringLiteral("changed on disk");
    // The file on disk, as a replaced text would read it again.
    const QByteArray onDisk = disk ? QByteArray("changed\n") : readAll(fRight);
    TAnswer reply(answer);
    if (command == QStringLiteral("F5")) {
        QTest::keyClick(fForm, Qt::Key_F5);
    } else if (command == QStringLiteral("Load Other File")) {
        auto chooser = std::make_unique<TScriptedChooser>();
        chooser->answers = {fRight};
        fForm->SetFileChooser(std::move(chooser));
        fForm->LoadFileButtonClick(TSide::Right);
    } else if (command == QStringLiteral("drop")) {
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(fRight)});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        fForm->MemoDragDrop(TSide::Right, &drop);
    } else {
        writeAll(fRight, onDisk);
        QTRY_VERIFY_WITH_TIMEOUT(!reply.asked.isEmpty(), 5000);
    }
    QCOMPARE(reply.asked.size(), 1);
    QCOMPARE(reply.asked[0], disk ? QStringLiteral("new.cpp has changed on disk. Load it again and discard your changes?")
                                  : QStringLiteral("Save changes to new.cpp?"));
    const QString first = pane->Lines().Get(0);
    if (answer == QStringLiteral("Cancel")) {
        QCOMPARE(first, edited);  // nothing happened
        QVERIFY(fForm->windowTitle().startsWith(u'*'));
        return;
    }
    if (disk) {
        // Yes loads the file again (the edits go), No keeps the text.
        QCOMPARE(first, answer == QStringLiteral("Yes") ? QStringLiteral("changed") : edited);
        return;
    }
    // Yes saved the edits first, then the file came back with them; No
    // threw them away.
    QCOMPARE(first, answer == QStringLiteral("Yes") ? edited : QString::fromUtf8(onDisk.left(onDisk.indexOf('\n'))));
    QVERIFY(!fForm->windowTitle().startsWith(u'*'));
}

void TstWorkflow::reloadAndTitle()
{
    QCOMPARE(fForm->windowTitle(), QStringLiteral("old.cpp \u2194 new.cpp \u2014 Parlune"));
    // F5 loads both files again and compares.
    writeAll(fRight, side(false));
    QTest::keyClick(fForm, Qt::Key_F5);
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=0"));

    // A change on disk is noticed and asked about once; "No" keeps the text.
    QString asked;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<TMy *>(QApplication::activeModalWidget())) {
            asked += dialog->BodyLabel->text() + u'|';
            dialog->Button3->click();  // No
        }
    });
    watcher.start(20);
    writeAll(fLeft, "changed\n");
    QTRY_VERIFY_WITH_TIMEOUT(!asked.isEmpty(), 5000);
    QTest::qWait(500);
    QCOMPARE(asked.count(u'|'), 1);
    QVERIFY(asked.contains(QStringLiteral("old.cpp")) && asked.contains(QStringLiteral("left")));
    QCOMPARE(fForm->LeftMemo()->Lines().Get(0), QStringLiteral("int value0 = 0;"));
}

void TstWorkflow::diskChangesAreNoticed()
{
    TSession &session = fForm->Session();
    // A change made while a pass runs is asked about when the pass ends.
    const auto [l, r] = differentTexts(3000);
    writeAll(fLeft, l);
    writeAll(fRight, r);
    fForm->LoadFile(TSide::Left, fLeft);
    fForm->LoadFile(TSide::Right, fRight);
    bool written = false;
    session.Pass().SetYieldInterval(std::chrono::nanoseconds(0));
    session.SetYield([&] {
        if (!written) {
            written = true;
            writeAll(fLeft, "changed during the pass\n");
            QElapsedTimer t;  // the change is seen, and settles, while the pass runs
            t.start();
            while (t.elapsed() < 1000)
                QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
    });
    {
        TAnswer no(QStringLiteral("No"));
        fForm->CompareButtonClick();
        QVERIFY(written);
        QVERIFY(no.asked.isEmpty());
        QTRY_COMPARE(no.asked.size(), 1);
        QVERIFY(no.asked[0].contains(QStringLiteral("old.cpp")));
    }
    // Deleted and made again (as editors save), answered No: later writes
    // in place are still noticed.
    {
        TAnswer no(QStringLiteral("No"));
        QFile::remove(fRight);
        QTest::qWait(50);
        writeAll(fRight, "made again\n");
        QTRY_COMPARE_WITH_TIMEOUT(no.asked.size(), 1, 5000);
        QTest::qWait(300);
        QFile f(fRight);
        QVERIFY(f.open(QIODevice::Append));
        f.write("written in place\n");
        f.close();
        QTRY_COMPARE_WITH_TIMEOUT(no.asked.size(), 2, 5000);
        QVERIFY(no.asked[1].contains(QStringLiteral("new.cpp")));
    }
}

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TstWorkflow test;
    return QTest::qExec(&test, argc, argv);
}

// Two files on the command line: the window shows both texts as loaded,
// then compares them with the scanning status in view.
void TstWorkflow::startUpShowsTheTextsBeforeComparing()
{
    const auto [l, r] = differentTexts(20000);
    const QString left = fDir.filePath(QStringLiteral("big-left.txt"));
    const QString right = fDir.filePath(QStringLiteral("big-right.txt"));
    writeAll(left, l);
    writeAll(right, r);
    TMainForm form(nullptr, {QStringLiteral("parlune"), left, right});
    QCOMPARE(form.StatusLabel()->text(), TSession::kNoStatus);  // loaded, not compared
    QCOMPARE(form.LeftMemo()->Lines().Get(1), QStringLiteral("left line 1"));
    QCOMPARE(form.RightMemo()->Lines().Get(1), QStringLiteral("right line 7"));

    bool exposedWhenBusy = false;
    QString statusWhenBusy;
    connect(&form.Session(), &TSession::BusyChanged, this, [&](bool busy) {
        if (busy && statusWhenBusy.isEmpty()) {
            exposedWhenBusy = form.windowHandle() && form.windowHandle()->isExposed();
            statusWhenBusy = form.StatusLabel()->text();
        }
    });
    QVERIFY(waitForStartUp(form));
    QVERIFY(exposedWhenBusy);
    QCOMPARE(statusWhenBusy, TSession::kScanning);
    QCOMPARE(form.StatusLabel()->text(), QStringLiteral("Changes=20000"));
    QCOMPARE(form.LeftMemo()->Lines().Count(), form.RightMemo()->Lines().Count());  // aligned rows
}

#include "tst_workflow.moc"
