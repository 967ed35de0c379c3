// Working through differences in the real window (offscreen): moving
// between them, what changed inside a line, taking the left text across,
// reloading, and the title.
#include "app/DiffCommands.h"
#include "app/InlineEmphasis.h"
#include "LinesTestUtil.h"
#include "app/MainForm.h"
#include "dialogs/MessageDialog.h"
#include "app/Overview.h"
#include "app/ParluneApp.h"
#include "panes/TextPane.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

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

} // namespace

class TstWorkflow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void nextAndPrevious();
    void characterDifferencesArePainted();
    void copyLeftTextHere();
    void reloadAndTitle();

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
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference 0 of 4"));
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

void TstWorkflow::characterDifferencesArePainted()
{
    // Row 100: "int value100 = 100;" against "int value100 = 200;": one character.
    const InlineDiff::TCharDifferences &d = fForm->InlineChanges()->At(100);
    QVERIFY(!d.whole);
    QVERIFY((d.left == std::vector<InlineDiff::TSpan>{{15, 1}}));
    QVERIFY((d.right == std::vector<InlineDiff::TSpan>{{15, 1}}));
    QVERIFY(fForm->InlineChanges()->At(120).left.empty());  // a removed line: no text on the right
    QVERIFY(fForm->InlineChanges()->At(0).left.empty());    // an equal row

    fForm->RightMemo()->SetTopLine(100);
    fForm->LeftMemo()->SetTopLine(100);
    auto cellColour = [](TTextPane *pane, int col) {
        const QImage shot = pane->viewport()->grab().toImage();
        const QSizeF cell = pane->CellSize();
        const int x = int(pane->TextLeft() + (col + 0.5) * cell.width());
        // Sample the cell's top edge, above the glyph.
        return QColor(shot.pixel(x, 1)).rgba();
    };
    QCOMPARE(cellColour(fForm->RightMemo(), 15), TInlineEmphasis::kRightFill);
    QCOMPARE(cellColour(fForm->RightMemo(), 3), TTextPane::kBreakPointColor);
    QCOMPARE(cellColour(fForm->LeftMemo(), 15), TInlineEmphasis::kLeftFill);
    QCOMPARE(cellColour(fForm->LeftMemo(), 3), QColor(Qt::white).rgba());
}

void TstWorkflow::copyLeftTextHere()
{
    TLines &right = fForm->RightMemo()->Lines();
    const QString before = right.Text();
    fForm->RightMemo()->SetTopLine(30);
    fForm->LeftMemo()->SetTopLine(30);
    fForm->RightMemo()->SetCaretPos({41, 0});
    fForm->RightMemo()->setFocus();
    QTest::keyClick(fForm->RightMemo(), Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(fForm->RightMemo()->TopLine(), 30);  // the view stays where it was
    QCOMPARE(fForm->RightMemo()->CaretPos().line, 42);
    QCOMPARE(right.Get(40), QStringLiteral("int value40 = 40;"));
    QCOMPARE(right.Get(41), QStringLiteral("int value41 = 41;"));
    QVERIFY(!right.GetBreakPoint(40) && !right.GetBreakPoint(41));
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=3"));
    QCOMPARE(fForm->DiffCommands()->PositionLabel->text(), QStringLiteral("Difference 0 of 3"));

    // The removed line: its left row comes across, the filler goes.
    fForm->RightMemo()->SetCaretPos({120, 0});
    fForm->DiffCommands()->CopyLeftTextHere();
    QCOMPARE(right.Get(120), QStringLiteral("int value120 = 120;"));
    QCOMPARE(right.Count(), fForm->LeftMemo()->Lines().Count());
    QCOMPARE(fForm->StatusLabel()->text(), QStringLiteral("Changes=2"));

    // Each is one undo step, and the pane's own edit.
    fForm->RightMemo()->Undo();
    fForm->RightMemo()->Undo();
    QCOMPARE(right.Text(), before);
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

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TstWorkflow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workflow.moc"
