#include "LinesTestUtil.h"
#include "panes/TextPane.h"
#include "panes/TextPaneParts.h"

#include <QClipboard>
#include <QMenu>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(TFindOptions)

namespace {

// A pane whose text area holds exactly `rows` rows.
void sizeForRows(TTextPane &pane, int rows)
{
    pane.resize(400, int(std::ceil(rows * pane.CellSize().height())) + TTextPane::kHScrollHeight);
}

void fillNumbered(TTextPane &pane, int count)
{
    pane.Lines().BeginUpdate();
    for (int i = 0; i < count; ++i)
        pane.Lines().Add(QStringLiteral("line %1").arg(i));
    pane.Lines().EndUpdate();
}

// Plays a script on the pane: ":text" types text ('_' for a blank); other
// tokens are keys, with "S-" for Shift and "C-" for Ctrl.
void play(TTextPane &pane, const QString &script)
{
    static const QHash<QString, Qt::Key> keys = {
        {"Return", Qt::Key_Return}, {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down}, {"Home", Qt::Key_Home}, {"End", Qt::Key_End}, {"Backspace", Qt::Key_Backspace},
        {"Delete", Qt::Key_Delete}, {"Tab", Qt::Key_Tab}, {"PageDown", Qt::Key_PageDown}, {"Z", Qt::Key_Z},
        {"Y", Qt::Key_Y}};
    for (QString token : script.split(u' ', Qt::SkipEmptyParts)) {
        if (token.startsWith(u':')) {
            QTest::keyClicks(&pane, token.mid(1).replace(u'_', u' '));
            continue;
        }
        Qt::KeyboardModifiers mods;
        if (token.startsWith(QStringLiteral("S-"))) {
            mods |= Qt::ShiftModifier;
            token = token.mid(2);
        }
        if (token.startsWith(QStringLiteral("C-"))) {
            mods |= Qt::ControlModifier;
            token = token.mid(2);
        }
        QVERIFY2(keys.contains(token), qPrintable(token));
        QTest::keyClick(&pane, keys[token], mods);
    }
}

QColor pixel(const QImage &image, QPointF at)
{
    return image.pixelColor(at.toPoint());
}

} // namespace

class TstTextPane : public QObject
{
    Q_OBJECT
private slots:
    void look();
    void endOfAVeryLongLineIsShown();
    void textOnMarkedRowsIsReadable_data();
    void textOnMarkedRowsIsReadable();
    void topLineWrite_data();
    void topLineWrite();
    void onScrollOnlyFromTheBar();
    void wheelStep_data();
    void wheelStep();
    void markPainting();
    void highlightPainting();
    void gutterFitsLineNumbers_data();
    void gutterFitsLineNumbers();
    void mouseSelection();
    void editing_data();
    void editing();
    void undoBackToStart();
    void undoLimit();
    void readOnlyRefusesEdits();
    void caretRuleOnEmptyPane();
    void externalChangesKeepCaretOnItsText();
    void contextMenuEnabling();
    void rightClickActsWhereClicked_data();
    void rightClickActsWhereClicked();
    void findText_data();
    void findText();
};

void TstTextPane::look()
{
    TTextPane pane;
    // "Courier New" (Liberation Mono here): fixed pitch, the toolkit's size.
    const QFontInfo info(pane.TextFont());
    QVERIFY(info.fixedPitch());
    QCOMPARE(info.pointSizeF(), QApplication::font().pointSizeF());
    const QFontMetricsF fm(pane.TextFont());
    QCOMPARE(pane.CellSize().height(), fm.height() + 2);
    QCOMPARE(pane.CellSize().width(), fm.horizontalAdvance(u'W'));
    QCOMPARE(fm.horizontalAdvance(u'i'), fm.horizontalAdvance(u'W'));
    pane.resize(300, 200);
    pane.show();
    QCOMPARE(pane.verticalScrollBar()->width(), 25);
    QCOMPARE(pane.horizontalScrollBar()->height(), 18);
    pane.SetNoVScroll(true);
    QCOMPARE(pane.verticalScrollBar()->width(), 1);
    QVERIFY(pane.verticalScrollBar()->isVisible());
}

void TstTextPane::topLineWrite_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("startTop");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("caretToStart");

    // 20 rows fit in every case.
    QTest::newRow("90 of 100 gives 81") << 100 << 0 << 90 << 81 << false;
    QTest::newRow("value + rows below count") << 100 << 0 << 50 << 50 << false;
    QTest::newRow("79 + 20 = 99 < 100") << 100 << 0 << 79 << 79 << false;
    QTest::newRow("80 + 20 = 100: n - v + 1") << 100 << 0 << 80 << 81 << false;
    QTest::newRow("far beyond the end") << 100 << 3 << 5000 << 81 << false;
    QTest::newRow("negative: unchanged") << 100 << 10 << -5 << 10 << false;
    QTest::newRow("same value: nothing") << 100 << 10 << 10 << 10 << false;
    QTest::newRow("all lines fit: caret to start") << 10 << 0 << 5 << 0 << true;
    QTest::newRow("20 lines, 20 rows") << 20 << 0 << 1 << 1 << false;
}

void TstTextPane::topLineWrite()
{
    QFETCH(int, lines);
    QFETCH(int, startTop);
    QFETCH(int, value);
    QFETCH(int, top);
    QFETCH(bool, caretToStart);
    TTextPane pane;
    sizeForRows(pane, 20);
    fillNumbered(pane, lines);
    QCOMPARE(pane.VisibleLineCount(), 20);
    pane.SetTopLine(startTop);
    pane.SetCaretPos({startTop + 2, 3});
    QSignalSpy scrolled(&pane, &TTextPane::OnScroll);
    pane.SetTopLine(value);
    QCOMPARE(pane.TopLine(), top);
    QCOMPARE(pane.verticalScrollBar()->value(), top);
    QCOMPARE(pane.CaretPos() == TTextPos{}, caretToStart);
    QCOMPARE(scrolled.count(), 0);
}

void TstTextPane::onScrollOnlyFromTheBar()
{
    TTextPane pane;
    sizeForRows(pane, 20);
    fillNumbered(pane, 100);
    QSignalSpy scrolled(&pane, &TTextPane::OnScroll);

    pane.verticalScrollBar()->setValue(1);  // a drag by one line
    QCOMPARE(scrolled.count(), 1);
    QCOMPARE(pane.TopLine(), 1);
    QCOMPARE(scrolled.takeFirst().at(0).value<TTextPane *>(), &pane);

    pane.SetTopLine(40);
    pane.SetCaretPos({90, 0});  // the view follows the caret
    QCOMPARE(pane.TopLine(), 71);
    pane.Lines().Add(u"more");
    pane.Lines().Delete(0);
    pane.Lines().Clear();
    QCOMPARE(scrolled.count(), 0);
}

void TstTextPane::wheelStep_data()
{
    QTest::addColumn<int>("linesPerNotch");  // the desktop's setting
    QTest::addColumn<QList<int>>("deltas");  // one wheel event each
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("column");  // columns scrolled sideways
    const int none = int(Qt::NoModifier);
    QTest::newRow("one notch towards the user") << 3 << QList<int>{-120} << none << 30 + 3 << 0;
    QTest::newRow("two notches away") << 3 << QList<int>{240} << none << 30 - 6 << 0;
    QTest::newRow("the desktop's rows per notch") << 5 << QList<int>{-120} << none << 30 + 5 << 0;
    QTest::newRow("a part of a notch waits") << 3 << QList<int>{-15} << none << 30 << 0;
    QTest::newRow("parts add up to rows") << 3 << QList<int>{-40, -40, -40} << none << 30 + 3 << 0;
    QTest::newRow("a turn back cancels a part") << 3 << QList<int>{-30, 30, -30} << none << 30 << 0;
    QTest::newRow("Shift turns it sideways") << 3 << QList<int>{-240} << int(Qt::ShiftModifier) << 30 << 6;
}

void TstTextPane::wheelStep()
{
    QFETCH(int, linesPerNotch);
    QFETCH(QList<int>, deltas);
    QFETCH(int, modifiers);
    QFETCH(int, top);
    QFETCH(int, column);
    const int before = QApplication::wheelScrollLines();
    QApplication::setWheelScrollLines(linesPerNotch);
    const auto restore = qScopeGuard([before] { QApplication::setWheelScrollLines(before); });
    TTextPane pane;
    const qreal lh = pane.CellSize().height();
    pane.resize(400, int(21 * lh));
    for (int i = 0; i < 200; ++i)
        pane.Lines().Add(QString(300, u'x'));
    pane.SetTopLine(30);
    QSignalSpy scrolled(&pane, &TTextPane::OnScroll);
    for (int delta : deltas) {
        QWheelEvent wheel(QPointF(50, 50), pane.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane.viewport(), &wheel);
    }
    QCOMPARE(pane.TopLine(), top);
    QCOMPARE(scrolled.isEmpty(), top == 30);
    QCOMPARE(pane.horizontalScrollBar()->value(), column * pane.horizontalScrollBar()->singleStep());
}

void TstTextPane::markPainting()
{
    TTextPane pane;
    sizeForRows(pane, 10);
    pane.Lines().SetText(u"plain\nchanged\nadded\n\nboth");
    pane.Lines().SetBreakPoint(1, true);
    pane.Lines().SetBookmark(2, true);
    pane.Lines().SetBreakPoint(3, true);  // empty: glyph only
    pane.Lines().SetBreakPoint(4, true);
    pane.Lines().SetBookmark(4, true);    // both: the breakpoint decides
    pane.show();
    const QImage image = pane.grab().toImage();
    const qreal lh = pane.CellSize().height();
    const qreal textX = TTextPane::kGutterWidth + 200;  // right of every text, inside the text area
    auto rowY = [&](int row) { return row * lh + lh / 2; };

    QCOMPARE(pixel(image, {textX, rowY(0)}), QColor(Qt::white));
    QCOMPARE(pixel(image, {textX, rowY(1)}), QColor::fromRgba(0xFFFF0000));
    QCOMPARE(pixel(image, {textX, rowY(2)}), QColor::fromRgba(0xFF0000FF));
    QCOMPARE(pixel(image, {textX, rowY(3)}), QColor(Qt::white));
    QCOMPARE(pixel(image, {textX, rowY(4)}), QColor::fromRgba(0xFFFF0000));
    // The fill starts at the left end of the text.
    QCOMPARE(pixel(image, {TTextPane::kGutterWidth + pane.TextLeft() + 0.5, rowY(1) - lh / 2 + 1}),
             QColor::fromRgba(0xFFFF0000));

    // Glyphs: the empty marked row shows its breakpoint glyph in the gutter;
    // the unmarked row has none.
    auto hasReddish = [&](int row) {
        for (int x = 0; x < TTextPane::kGutterWidth; ++x) {
            const QColor c = pixel(image, {qreal(x), rowY(row)});
            if (c.red() > 150 && c.green() < 100 && c.blue() < 100)
                return true;
        }
        return false;
    };
    QVERIFY(hasReddish(3));
    QVERIFY(!hasReddish(0));
}

void TstTextPane::gutterFitsLineNumbers_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("wider");
    QTest::newRow("1000 lines: 50 wide") << 1000 << false;
    QTest::newRow("200,000 lines: as wide as the number needs") << 200000 << true;
}

void TstTextPane::gutterFitsLineNumbers()
{
    QFETCH(int, lines);
    QFETCH(bool, wider);
    TTextPane pane;
    sizeForRows(pane, 5);
    fillNumbered(pane, lines);
    const int last = lines - 1;
    pane.Lines().SetBreakPoint(last, true);
    pane.SetCaretPos({last, 0});
    pane.show();
    QCOMPARE(pane.GutterWidth() > TTextPane::kGutterWidth, wider);
    if (!wider)
        QCOMPARE(pane.GutterWidth(), TTextPane::kGutterWidth);
    // The marked last row's number is whole: no ink at the gutter's left edge.
    const QImage image = pane.grab().toImage();
    const qreal lh = pane.CellSize().height();
    const int row = last - pane.TopLine();
    for (int y = int(row * lh) + 1; y < int((row + 1) * lh) - 1; ++y)
        for (int x = 0; x < 1; ++x)
            QVERIFY2(pixel(image, {qreal(x), qreal(y)}).lightness() > 200, qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
    QVERIFY(pixel(image, {pane.GutterWidth() + 200.0, row * lh + lh / 2}) == QColor::fromRgba(0xFFFF0000));
}

void TstTextPane::highlightPainting()
{
    TTextPane pane;
    sizeForRows(pane, 5);
    pane.Lines().SetText(u"xx needle xx NEEDLE");
    pane.show();
    const qreal cw = pane.CellSize().width();
    auto yellowAt = [&](int col) {
        const QImage image = pane.grab().toImage();
        // The top edge of the row: behind the glyphs' ink.
        const QColor c = pixel(image, {TTextPane::kGutterWidth + pane.TextLeft() + (col + 0.5) * cw, 1});
        return c.red() > 200 && c.green() > 200 && c.blue() < 100;
    };
    QVERIFY(!yellowAt(3));
    pane.SetHighlightText(QStringLiteral("needle"));
    QVERIFY(yellowAt(3));
    QVERIFY(yellowAt(13));  // every occurrence, without case
    QVERIFY(!yellowAt(0));
    pane.SetHighlightText(QString());
    QVERIFY(!yellowAt(3));
}

void TstTextPane::mouseSelection()
{
    TTextPane pane;
    sizeForRows(pane, 5);
    pane.Lines().SetText(u"alpha beta_gamma delta\nsecond line");
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    const qreal lh = pane.CellSize().height();
    const qreal cw = pane.CellSize().width();
    auto at = [&](int line, int col) {
        return QPoint(int(pane.TextLeft() + col * cw), int(line * lh + lh / 2));
    };
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, at(0, 3));
    QCOMPARE(pane.CaretPos(), (TTextPos{0, 3}));
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, at(0, 2));
    QTest::mouseMove(pane.viewport(), at(1, 4));
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, at(1, 4));
    QCOMPARE(pane.SelectedText(), QStringLiteral("pha beta_gamma delta\nseco"));
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at(0, 9));
    QCOMPARE(pane.SelectedText(), QStringLiteral("beta_gamma"));  // a word runs over '_'
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, at(1, 50));
    QCOMPARE(pane.CaretPos(), (TTextPos{1, 11}));  // never beyond the end of the line
}

void TstTextPane::editing_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("caretLine");
    QTest::addColumn<int>("caretCol");

    QTest::newRow("typing in an empty pane") << ":abc" << QStringList{"abc"} << 0 << 3;
    QTest::newRow("Enter splits") << ":ab Return :cd" << QStringList{"ab", "cd"} << 1 << 2;
    QTest::newRow("Enter inside a line") << ":abc Left Left Return" << QStringList{"a", "bc"} << 1 << 0;
    QTest::newRow("no auto-indent") << ":__x Return :y" << QStringList{"  x", "y"} << 1 << 1;
    QTest::newRow("Backspace") << ":abc Backspace" << QStringList{"ab"} << 0 << 2;
    QTest::newRow("Backspace joins lines") << ":ab Return :c Home Backspace" << QStringList{"abc"} << 0 << 2;
    QTest::newRow("Delete") << ":abc Home Delete" << QStringList{"bc"} << 0 << 0;
    QTest::newRow("Delete joins lines") << ":ab Return :c Up End Delete" << QStringList{"abc"} << 0 << 2;
    QTest::newRow("Tab gives four blanks") << "Tab :x" << QStringList{"    x"} << 0 << 5;
    QTest::newRow("Shift-selection replaced by typing") << ":abc S-Home :x" << QStringList{"x"} << 0 << 1;
    QTest::newRow("word left, select to end, delete") << ":hello_world C-Left S-End Delete"
        << QStringList{"hello "} << 0 << 6;
    QTest::newRow("Up keeps the column, caret not beyond the end") << ":abcdef Return :ab Up Down Return"
        << QStringList{"abcdef", "ab", ""} << 2 << 0;
    QTest::newRow("Right at the end goes to the next line") << ":a Return :b C-Home End Right :x"
        << QStringList{"a", "xb"} << 1 << 1;
    QTest::newRow("Ctrl+End") << ":a Return :bc C-Home C-End" << QStringList{"a", "bc"} << 1 << 2;
    QTest::newRow("undo and redo keys") << ":abc Return :d C-Z C-Z C-Y" << QStringList{"abc", ""} << 1 << 0;
    QTest::newRow("Ctrl+Shift+Z redoes too") << ":abc Return :d C-Z C-Z S-C-Z" << QStringList{"abc", ""} << 1 << 0;
}

void TstTextPane::editing()
{
    QFETCH(QString, script);
    QFETCH(QStringList, lines);
    QFETCH(int, caretLine);
    QFETCH(int, caretCol);
    TTextPane pane;
    sizeForRows(pane, 10);
    play(pane, script);
    QCOMPARE(allLines(pane.Lines()), lines);
    QCOMPARE(pane.CaretPos(), (TTextPos{caretLine, caretCol}));
}

void TstTextPane::undoBackToStart()
{
    TTextPane pane;
    sizeForRows(pane, 10);
    pane.Lines().SetText(u"start\nsecond");
    pane.SetCaretPos({1, 6});
    play(pane, ":_one Return :two Up Home Delete Return C-End Backspace");
    QVERIFY(allLines(pane.Lines()) != (QStringList{"start", "second"}));
    while (pane.UndoStack().canUndo())
        pane.Undo();
    QCOMPARE(allLines(pane.Lines()), (QStringList{"start", "second"}));
    QCOMPARE(pane.CaretPos(), (TTextPos{1, 6}));
}

void TstTextPane::undoLimit()
{
    TTextPane pane;
    sizeForRows(pane, 10);
    for (int i = 0; i < 150; ++i)
        QTest::keyClick(&pane, Qt::Key_Return);  // steps that never merge
    QCOMPARE(pane.Lines().Count(), 151);
    int undone = 0;
    while (pane.UndoStack().canUndo()) {
        pane.Undo();
        ++undone;
    }
    QCOMPARE(undone, TTextPane::kUndoLimit);
    QCOMPARE(pane.Lines().Count(), 51);
}

void TstTextPane::readOnlyRefusesEdits()
{
    TTextPane pane;
    sizeForRows(pane, 10);
    pane.SetReadOnly(true);
    pane.Lines().SetText(u"fixed\ntext");
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    play(pane, ":abc Return Backspace Delete Tab");
    QTest::keyClick(&pane, Qt::Key_V, Qt::ControlModifier);
    pane.DeleteLine();
    QCOMPARE(allLines(pane.Lines()), (QStringList{"fixed", "text"}));
    // Selection and copy still work.
    pane.SelectAll();
    pane.Copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("fixed\ntext"));
    QVERIFY(!pane.CanUndo());
}

void TstTextPane::caretRuleOnEmptyPane()
{
    TTextPane pane;
    QCOMPARE(pane.Lines().Count(), 0);
    pane.SetCaretPos({3, 3});
    QCOMPARE(pane.Lines().Count(), 1);
    QCOMPARE(pane.CaretPos(), TTextPos{});
    pane.Lines().Clear();  // Clear leaves no lines
    QCOMPARE(pane.Lines().Count(), 0);
}

void TstTextPane::externalChangesKeepCaretOnItsText()
{
    TTextPane pane;
    sizeForRows(pane, 10);
    pane.Lines().SetText(u"a\nb\nc\nd");
    pane.SetCaretPos({2, 1});
    play(pane, ":x");
    QVERIFY(pane.CanUndo());
    pane.Lines().Delete(0);  // a change from outside: the caret stays after "cx"
    QCOMPARE(pane.CaretPos(), (TTextPos{1, 2}));
    QVERIFY(!pane.CanUndo());  // earlier steps no longer fit the text
}

void TstTextPane::contextMenuEnabling()
{
    struct TState
    {
        bool readOnly;
        bool selection;
        bool edited;
        bool undone;
    };
    auto enabled = [](TTextPane &pane) {
        std::unique_ptr<QMenu> menu(pane.CreateContextMenu(nullptr));
        QStringList sections;
        QString on;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator()) {
                sections << a->text();
                continue;
            }
            on += a->isEnabled() ? u'1' : u'0';
        }
        return std::pair{sections, on};
    };
    // Items in order: Undo Redo Cut Copy Paste | Select Word, Select All | Delete Selection, Delete Line
    const std::pair<TState, QString> cases[] = {
        {{false, false, false, false}, "00001" "11" "01"},
        {{false, true, false, false}, "00111" "11" "11"},
        {{false, false, true, false}, "10001" "11" "01"},
        {{false, false, true, true}, "01001" "11" "01"},
        {{true, true, false, false}, "00010" "11" "00"},
    };
    for (const auto &[state, expected] : cases) {
        TTextPane pane;
        pane.Lines().SetText(u"some text");
        pane.SetReadOnly(state.readOnly);
        if (state.edited)
            play(pane, ":x");
        if (state.undone)
            pane.Undo();
        if (state.selection)
            pane.Select({0, 0}, {0, 4});
        const auto [sections, on] = enabled(pane);
        QCOMPARE(sections, (QStringList{"ClipBoard", "Select", "Delete"}));
        QCOMPARE(on, expected);
    }
}

void TstTextPane::rightClickActsWhereClicked_data()
{
    QTest::addColumn<bool>("selectAlpha");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("afterDeleteLine");
    QTest::newRow("no selection: the caret goes to the click") << false << 2 << 3 << "" << QStringList{"alpha beta", "second"};
    QTest::newRow("inside the selection: it stays") << true << 0 << 2 << "alpha" << QStringList{"second", "third"};
    QTest::newRow("outside the selection: the caret goes to the click") << true << 1 << 1 << ""
        << QStringList{"alpha beta", "third"};
}

void TstTextPane::rightClickActsWhereClicked()
{
    QFETCH(bool, selectAlpha);
    QFETCH(int, line);
    QFETCH(int, col);
    QFETCH(QString, selected);
    QFETCH(QStringList, afterDeleteLine);
    TTextPane pane;
    sizeForRows(pane, 5);
    pane.Lines().SetText(u"alpha beta\nsecond\nthird");
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    if (selectAlpha)
        pane.Select({0, 0}, {0, 5});
    const qreal lh = pane.CellSize().height();
    const QPoint at(int(pane.TextLeft() + col * pane.CellSize().width()), int(line * lh + lh / 2));
    QTest::mouseClick(pane.viewport(), Qt::RightButton, {}, at);
    QCOMPARE(pane.SelectedText(), selected);
    if (selected.isEmpty())
        QCOMPARE(pane.CaretPos(), (TTextPos{line, col}));
    std::unique_ptr<QMenu> menu(pane.CreateContextMenu(nullptr));
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << a->text();
    QVERIFY(texts.contains(QStringLiteral("Redo\tCtrl+Y")));  // the keys stand in the menu
    QVERIFY(texts.contains(QStringLiteral("Undo\tCtrl+Z")));
    menu->actions().constLast()->trigger();  // "Delete Line"
    QCOMPARE(allLines(pane.Lines()), afterDeleteLine);
}

void TstTextPane::findText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TFindOptions>("options");
    QTest::addColumn<int>("fromLine");
    QTest::addColumn<int>("fromCol");
    QTest::addColumn<int>("selectTo");  // column on fromLine the selection ends at (-1: none)
    QTest::addColumn<QString>("found");  // "line,col,length" or ""

    const TFindOptions down;
    TFindOptions up;
    up.up = true;
    TFindOptions cased;
    cased.caseSensitive = true;
    TFindOptions word;
    word.wholeWord = true;
    TFindOptions regex;
    regex.regularExpression = true;
    QTest::newRow("without case: ASCII letters") << "abc" << down << 0 << 1 << -1 << "0,4,3";
    QTest::newRow("after the selection") << "abc" << down << 0 << 4 << 7 << "0,8,3";
    QTest::newRow("case sensitive") << "ABC" << cased << 0 << 0 << -1 << "0,4,3";
    QTest::newRow("case sensitive, no match") << "aBc" << cased << 0 << 0 << -1 << "";
    QTest::newRow("whole word skips abcd and xabc") << "abc" << word << 0 << 9 << -1 << "2,4,3";
    QTest::newRow("expression") << "a.c\\." << regex << 0 << 0 << -1 << "2,4,4";
    QTest::newRow("up takes the last match before") << "abc" << up << 1 << 2 << -1 << "0,8,3";
    QTest::newRow("up from inside a line") << "abc" << up << 0 << 7 << -1 << "0,4,3";
    QTest::newRow("no wrap at the end") << "abc" << down << 3 << 0 << -1 << "";
    TFindOptions wrapDown;
    wrapDown.wrap = true;
    TFindOptions wrapUp = up;
    wrapUp.wrap = true;
    QTest::newRow("wrap at the end goes on from the start") << "abc" << wrapDown << 3 << 0 << -1 << "0,0,3";
    QTest::newRow("wrap at the start goes on from the end") << "end" << wrapUp << 0 << 0 << -1 << "3,4,3";
    QTest::newRow("wrap finds nothing that is not there") << "zzz" << wrapDown << 1 << 0 << -1 << "";
    QTest::newRow("only ASCII letters fold") << "\u00e9t\u00e9" << down << 0 << 0 << -1 << "";
    QTest::newRow("bad expression finds nothing") << "(" << regex << 0 << 0 << -1 << "";
}

void TstTextPane::findText()
{
    QFETCH(QString, text);
    QFETCH(TFindOptions, options);
    QFETCH(int, fromLine);
    QFETCH(int, fromCol);
    QFETCH(int, selectTo);
    QFETCH(QString, found);
    TTextPane pane;
    pane.Lines().SetText(u"abc ABC abcd\nxabc\nThe Abc.\n\u00c9T\u00c9 end");
    if (selectTo >= 0)
        pane.Select({fromLine, fromCol}, {fromLine, selectTo});
    else
        pane.SetCaretPos({fromLine, fromCol});
    const bool ok = pane.FindText(text, options);
    QCOMPARE(ok, !found.isEmpty());
    if (!ok) {
        QVERIFY(!pane.HasSelection());
        return;
    }
    const QStringList f = found.split(u',');
    const TTextPos start{f[0].toInt(), f[1].toInt()};
    QCOMPARE(pane.CaretPos(), start);  // the caret at the start of the match
    QCOMPARE(pane.SelectedText().size(), f[2].toInt());
    QCOMPARE(pane.SelectedText(), pane.Lines().Get(start.line).mid(start.col, f[2].toInt()));
}

void TstTextPane::endOfAVeryLongLineIsShown()
{
    // A line whose pixels pass the scroll bar's int range: its end can
    // still be brought into view, and the caret stands inside the view.
    TTextPane pane;
    pane.resize(400, 200);
    QString line(150'000'000, u'a');
    line += QStringLiteral("END");
    pane.Lines().Add(line);
    line.clear();
    pane.show();
    pane.setFocus();
    QTest::keyClick(&pane, Qt::Key_End);
    QCOMPARE(pane.CaretPos().col, 150'000'003);
    const qreal x = pane.TextLeft() + pane.CaretPos().col * pane.CellSize().width();
    QVERIFY2(x >= 0 && x <= pane.viewport()->width(), qPrintable(QString::number(x)));
    QTest::keyClick(&pane, Qt::Key_Home);
    QCOMPARE(pane.TextLeft(), 3.0);
}

void TstTextPane::textOnMarkedRowsIsReadable_data()
{
    QTest::addColumn<bool>("bookmark");
    QTest::addColumn<QRgb>("ink");
    QTest::newRow("changed row: black on red") << false << QColor(Qt::black).rgb();
    QTest::newRow("added row: white on blue") << true << QColor(Qt::white).rgb();
}

void TstTextPane::textOnMarkedRowsIsReadable()
{
    QFETCH(bool, bookmark);
    QFETCH(QRgb, ink);
    TTextPane pane;
    pane.resize(300, 100);
    pane.Lines().Add(u"WWWWWWWW");
    bookmark ? pane.Lines().SetBookmark(0, true) : pane.Lines().SetBreakPoint(0, true);
    pane.show();
    const QImage shot = pane.viewport()->grab().toImage();
    const QSizeF cell = pane.CellSize();
    // The glyphs' pixels in the row: the darkest (or lightest) is the ink.
    int closest = INT_MAX;
    for (int y = 0; y < int(cell.height()); ++y)
        for (int x = int(pane.TextLeft()); x < int(pane.TextLeft() + 8 * cell.width()); ++x) {
            const QColor c = shot.pixelColor(x, y);
            const QColor want = QColor::fromRgb(ink);
            closest = std::min(closest, std::abs(c.red() - want.red()) + std::abs(c.green() - want.green())
                                            + std::abs(c.blue() - want.blue()));
        }
    QVERIFY2(closest < 60, qPrintable(QString::number(closest)));
    QCOMPARE(ReadableOn(QColor::fromRgba(TTextPane::kBookmarkColor)), QColor(Qt::white));
    QCOMPARE(ReadableOn(QColor::fromRgba(TTextPane::kBreakPointColor)), QColor(Qt::black));
}

QTEST_MAIN(TstTextPane)
#include "tst_textpane.moc"
