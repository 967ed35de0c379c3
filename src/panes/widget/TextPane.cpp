#include "TextPane.h"

#include "PaneGlyphs.h"

#include <QApplication>
#include <QClipboard>
#include <QDragMoveEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

namespace {

// A scroll bar of a set thickness, whatever the style would give it.
class TFixedScrollBar : public QScrollBar
{
public:
    TFixedScrollBar(Qt::Orientation o, int extent) : QScrollBar(o), fExtent(extent) {}
    void setExtent(int extent)
    {
        fExtent = extent;
        updateGeometry();
    }
    QSize sizeHint() const override
    {
        const QSize s = QScrollBar::sizeHint();
        return orientation() == Qt::Vertical ? QSize(fExtent, s.height()) : QSize(s.width(), fExtent);
    }
    QSize minimumSizeHint() const override { return sizeHint().boundedTo(QScrollBar::minimumSizeHint()); }

private:
    int fExtent;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

const QColor kSelection(0x9C, 0xC8, 0xF5);
const QColor kHighlight(0xFF, 0xEB, 0x3B);
const QColor kGutterBack(0xF2, 0xF2, 0xF2);
const QColor kGutterText(0x80, 0x80, 0x80);

} // namespace

class TGutter : public QWidget
{
public:
    explicit TGutter(TTextPane *pane) : QWidget(pane), fPane(pane) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        fPane->paintGutter(p, event->rect());
    }

private:
    TTextPane *fPane;
};

TTextPane::TTextPane(QWidget *parent)
    : QAbstractScrollArea(parent), fLines(new TLines(this)), fGutter(new TGutter(this))
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBar(new TFixedScrollBar(Qt::Vertical, kVScrollWidth));
    setHorizontalScrollBar(new TFixedScrollBar(Qt::Horizontal, kHScrollHeight));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setViewportMargins(kGutterWidth, 0, 0, 0);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);

    fFont = QFont(QStringLiteral("Courier New"));
    fFont.setStyleHint(QFont::Monospace);
    fFont.setFixedPitch(true);
    fFont.setPointSizeF(QApplication::font().pointSizeF());
    updateMetrics();

    fUndo.setUndoLimit(kUndoLimit);
    fBlink.setInterval(530);
    connect(&fBlink, &QTimer::timeout, this, [this] {
        fCaretShown = !fCaretShown;
        viewport()->update();
    });

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TTextPane::onVerticalBar);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { viewport()->update(); });
    connect(fLines, &TLines::Reset, this, &TTextPane::onModelReset);
    connect(fLines, &TLines::LinesInserted, this, &TTextPane::onLinesInserted);
    connect(fLines, &TLines::LinesRemoved, this, &TTextPane::onLinesRemoved);
    connect(fLines, &TLines::LineChanged, this, &TTextPane::onModelChanged);
    connect(fLines, &TLines::MarksChanged, this, [this] {
        viewport()->update();
        fGutter->update();
    });
    updateScrollBars();
}

void TTextPane::updateMetrics()
{
    const QFontMetricsF fm(fFont);
    fCharWidth = fm.horizontalAdvance(QLatin1Char('W'));
    fLineHeight = fm.height() + kLineSpacing;
    fAscent = fm.ascent();
}

int TTextPane::VisibleLineCount() const
{
    // The text area is the pane less its horizontal bar (the pane has no frame).
    return std::max(0, int((height() - kHScrollHeight) / fLineHeight));
}

void TTextPane::UpdateMemo()
{
    viewport()->update();
    fGutter->update();
}

void TTextPane::SetReadOnly(bool on)
{
    fReadOnly = on;
}

void TTextPane::SetNoVScroll(bool on)
{
    fNoVScroll = on;
    static_cast<TFixedScrollBar *>(verticalScrollBar())->setExtent(on ? 1 : kVScrollWidth);
    setViewportMargins(kGutterWidth, 0, 0, 0);  // lays the bars out again
}

void TTextPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutGutter();
    updateScrollBars();
}

void TTextPane::layoutGutter()
{
    const QRect vp = viewport()->geometry();
    fGutter->setGeometry(vp.left() - kGutterWidth, vp.top(), kGutterWidth, vp.height());
}

void TTextPane::updateScrollBars()
{
    const int n = fLines->Count();
    const int v = VisibleLineCount();
    QScrollBar *vbar = verticalScrollBar();
    {
        const QSignalBlocker block(vbar);
        vbar->setRange(0, std::max(0, n - v + 1));
        vbar->setPageStep(std::max(1, v));
        vbar->setSingleStep(1);
        fTop = std::min(fTop, vbar->maximum());
        vbar->setValue(fTop);
    }
    QScrollBar *hbar = horizontalScrollBar();
    const int content = int(std::ceil(fLines->MaxLength() * fCharWidth)) + 2 * kTextMargin + int(fCharWidth);
    hbar->setRange(0, std::max(0, content - viewport()->width()));
    hbar->setPageStep(viewport()->width());
    hbar->setSingleStep(int(std::ceil(fCharWidth)));
}

void TTextPane::onVerticalBar(int value)
{
    if (value == fTop)
        return;
    fTop = value;
    UpdateMemo();
    emit OnScroll(this);
}

void TTextPane::setTopQuietly(int top)
{
    fTop = top;
    const QSignalBlocker block(verticalScrollBar());
    verticalScrollBar()->setValue(top);
    UpdateMemo();
}

void TTextPane::SetTopLine(int value)
{
    if (value == fTop)
        return;
    const int n = fLines->Count();
    const int v = VisibleLineCount();
    if (n < v) {
        placeCaret({0, 0}, false);  // all lines fit: only the caret moves
        return;
    }
    if (value < 0)
        return;
    setTopQuietly(value + v < n ? value : std::max(0, n - v + 1));
}

TTextPos TTextPane::clamp(TTextPos pos) const
{
    const int n = fLines->Count();
    if (n == 0)
        return {};
    pos.line = std::clamp(pos.line, 0, n - 1);
    pos.col = std::clamp(pos.col, 0, fLines->Length(pos.line));
    return pos;
}

void TTextPane::placeCaret(TTextPos pos, bool keepAnchor)
{
    if (fLines->Count() == 0) {
        fOwnEdit = true;
        fLines->Add(u"");
        fOwnEdit = false;
    }
    fCaret = clamp(pos);
    if (!keepAnchor)
        fAnchor = fCaret;
    fCaretShown = true;
    ensureCaretVisible();
    viewport()->update();
}

void TTextPane::SetCaretPos(TTextPos pos)
{
    fDesiredCol = -1;
    placeCaret(pos, false);
}

void TTextPane::ensureCaretVisible()
{
    const int v = std::max(1, VisibleLineCount());
    if (fCaret.line < fTop)
        setTopQuietly(fCaret.line);
    else if (fCaret.line >= fTop + v)
        setTopQuietly(fCaret.line - v + 1);
    QScrollBar *hbar = horizontalScrollBar();
    const int x = int(fCaret.col * fCharWidth);
    const int width = viewport()->width();
    if (x < hbar->value())
        hbar->setValue(std::max(0, x - int(4 * fCharWidth)));
    else if (x + kTextMargin + fCharWidth > hbar->value() + width)
        hbar->setValue(x + kTextMargin + int(4 * fCharWidth) - width);
}

std::pair<TTextPos, TTextPos> TTextPane::selection() const
{
    return fAnchor < fCaret ? std::pair{fAnchor, fCaret} : std::pair{fCaret, fAnchor};
}

QString TTextPane::SelectedText() const
{
    if (!HasSelection())
        return {};
    const auto [from, to] = selection();
    return TextBetween(*fLines, from, to);
}

void TTextPane::Select(TTextPos anchor, TTextPos caret)
{
    placeCaret(anchor, false);
    placeCaret(caret, true);
}

void TTextPane::SelectAll()
{
    if (fLines->Count() == 0)
        return;
    const int last = fLines->Count() - 1;
    Select({0, 0}, {last, fLines->Length(last)});
}

void TTextPane::SelectWord()
{
    if (fLines->Count() == 0)
        return;
    const QString line = fLines->Get(fCaret.line);
    int from = fCaret.col;
    int to = fCaret.col;
    while (from > 0 && isWordChar(line[from - 1]))
        --from;
    while (to < line.size() && isWordChar(line[to]))
        ++to;
    Select({fCaret.line, from}, {fCaret.line, to});
}

void TTextPane::edit(TTextPos from, TTextPos to, const QString &text, TEditCommand::TKind kind)
{
    if (fReadOnly)
        return;
    if (fLines->Count() == 0)
        placeCaret({0, 0}, false);
    auto apply = [this](const std::function<void()> &change, const TEditCommand::TCaret &caret) {
        struct TOwnEdit
        {
            bool &flag;
            ~TOwnEdit() { flag = false; }
        } guard{fOwnEdit};
        fOwnEdit = true;
        change();
        fOwnEdit = false;
        fAnchor = clamp(caret.anchor);
        fCaret = clamp(caret.caret);
        fDesiredCol = -1;
        updateScrollBars();
        ensureCaretVisible();
        UpdateMemo();
    };
    fUndo.push(new TEditCommand(*fLines, clamp(from), clamp(to), text, kind, {fCaret, fAnchor}, apply));
}

void TTextPane::InsertTyped(const QString &text)
{
    const QString normal = NormalizeText(text, TabSize());
    const auto [from, to] = selection();
    const bool typing = normal.size() == 1 && normal != QStringLiteral("\n");
    edit(from, to, normal, typing ? TEditCommand::TKind::Typing : TEditCommand::TKind::Other);
}

void TTextPane::DeleteSelection()
{
    if (!HasSelection())
        return;
    const auto [from, to] = selection();
    edit(from, to, {}, TEditCommand::TKind::Other);
}

void TTextPane::DeleteLine()
{
    const int n = fLines->Count();
    if (n == 0)
        return;
    const int line = fCaret.line;
    if (line + 1 < n)
        edit({line, 0}, {line + 1, 0}, {}, TEditCommand::TKind::Other);
    else if (line > 0)
        edit({line - 1, fLines->Length(line - 1)}, {line, fLines->Length(line)}, {}, TEditCommand::TKind::Other);
    else
        edit({0, 0}, {0, fLines->Length(0)}, {}, TEditCommand::TKind::Other);
}

void TTextPane::Copy() const
{
    if (HasSelection())
        QApplication::clipboard()->setText(SelectedText());
}

void TTextPane::Cut()
{
    if (fReadOnly || !HasSelection())
        return;
    Copy();
    DeleteSelection();
}

void TTextPane::Paste()
{
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty())
        edit(selection().first, selection().second, NormalizeText(text, TabSize()), TEditCommand::TKind::Other);
}

bool TTextPane::FindText(const QString &searchStr, const TFindOptions &options)
{
    const auto [from, to] = selection();
    const TFindMatch m = FindInLines(*fLines, searchStr, options, options.up ? from : to);
    if (!m.found()) {
        fAnchor = fCaret;
        viewport()->update();
        return false;
    }
    Select({m.line, m.col + m.length}, {m.line, m.col});
    return true;
}

void TTextPane::SetHighlightText(const QString &text)
{
    fHighlight = text;
    viewport()->update();
}

QMenu *TTextPane::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    const bool writable = !fReadOnly;
    auto add = [&](const QString &text, bool enabled, auto slot) {
        QAction *a = menu->addAction(text, this, slot);
        a->setEnabled(enabled);
    };
    menu->addSection(QStringLiteral("ClipBoard"));
    add(QStringLiteral("Redo"), CanRedo(), [this] { Redo(); });
    add(QStringLiteral("Undo"), CanUndo(), [this] { Undo(); });
    add(QStringLiteral("Cut"), writable && HasSelection(), [this] { Cut(); });
    add(QStringLiteral("Copy"), HasSelection(), [this] { Copy(); });
    add(QStringLiteral("Paste"), writable, [this] { Paste(); });
    menu->addSection(QStringLiteral("Select"));
    add(QStringLiteral("Select Word"), fLines->Count() > 0, [this] { SelectWord(); });
    add(QStringLiteral("Select All"), fLines->Count() > 0, [this] { SelectAll(); });
    menu->addSection(QStringLiteral("Delete"));
    add(QStringLiteral("Delete Selection"), writable && HasSelection(), [this] { DeleteSelection(); });
    add(QStringLiteral("Delete Line"), writable && fLines->Count() > 0, [this] { DeleteLine(); });
    return menu;
}

void TTextPane::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(CreateContextMenu(this));
    menu->exec(event->globalPos());
}

void TTextPane::moveCaret(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int n = fLines->Count();
    if (n == 0) {
        placeCaret({0, 0}, false);
        return;
    }
    TTextPos pos = fCaret;
    const int length = fLines->Length(pos.line);
    bool vertical = false;
    switch (event->key()) {
    case Qt::Key_Left:
        if (HasSelection() && !shift)
            pos = selection().first;
        else if (ctrl) {
            const QString line = fLines->Get(pos.line);
            int c = pos.col;
            while (c > 0 && !isWordChar(line[c - 1]))
                --c;
            while (c > 0 && isWordChar(line[c - 1]))
                --c;
            pos = c == pos.col && pos.line > 0 ? TTextPos{pos.line - 1, fLines->Length(pos.line - 1)}
                                               : TTextPos{pos.line, c};
        } else if (pos.col > 0)
            --pos.col;
        else if (pos.line > 0)
            pos = {pos.line - 1, fLines->Length(pos.line - 1)};
        break;
    case Qt::Key_Right:
        if (HasSelection() && !shift)
            pos = selection().second;
        else if (ctrl) {
            const QString line = fLines->Get(pos.line);
            int c = pos.col;
            while (c < length && isWordChar(line[c]))
                ++c;
            while (c < length && !isWordChar(line[c]))
                ++c;
            pos = c == pos.col && pos.line + 1 < n ? TTextPos{pos.line + 1, 0} : TTextPos{pos.line, c};
        } else if (pos.col < length)
            ++pos.col;
        else if (pos.line + 1 < n)
            pos = {pos.line + 1, 0};
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = std::max(1, VisibleLineCount());
        const int delta = event->key() == Qt::Key_Up ? -1 : event->key() == Qt::Key_Down ? 1
                        : event->key() == Qt::Key_PageUp ? -page : page;
        if (fDesiredCol < 0)
            fDesiredCol = pos.col;
        pos = {std::clamp(pos.line + delta, 0, n - 1), fDesiredCol};
        vertical = true;
        break;
    }
    case Qt::Key_Home:
        pos = ctrl ? TTextPos{0, 0} : TTextPos{pos.line, 0};
        break;
    case Qt::Key_End:
        pos = ctrl ? TTextPos{n - 1, fLines->Length(n - 1)} : TTextPos{pos.line, length};
        break;
    default:
        return;
    }
    if (!vertical)
        fDesiredCol = -1;
    placeCaret(pos, shift);
}

void TTextPane::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        Copy();
    } else if (event == QKeySequence::SelectAll) {
        SelectAll();
    } else if (event == QKeySequence::Cut) {
        Cut();
    } else if (event == QKeySequence::Paste) {
        Paste();
    } else if (event == QKeySequence::Undo) {
        Undo();
    } else if (event == QKeySequence::Redo) {
        Redo();
    } else {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            moveCaret(event);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            InsertTyped(QStringLiteral("\n"));
            break;
        case Qt::Key_Tab:
            InsertTyped(QStringLiteral("\t"));
            break;
        case Qt::Key_Backspace:
            if (HasSelection())
                DeleteSelection();
            else if (fCaret.col > 0)
                edit({fCaret.line, fCaret.col - 1}, fCaret, {}, TEditCommand::TKind::Other);
            else if (fCaret.line > 0)
                edit({fCaret.line - 1, fLines->Length(fCaret.line - 1)}, fCaret, {}, TEditCommand::TKind::Other);
            break;
        case Qt::Key_Delete:
            if (HasSelection())
                DeleteSelection();
            else if (fLines->Count() && fCaret.col < fLines->Length(fCaret.line))
                edit(fCaret, {fCaret.line, fCaret.col + 1}, {}, TEditCommand::TKind::Other);
            else if (fCaret.line + 1 < fLines->Count())
                edit(fCaret, {fCaret.line + 1, 0}, {}, TEditCommand::TKind::Other);
            break;
        default: {
            const QString text = event->text();
            const bool printable = !text.isEmpty() && text.at(0).isPrint()
                                && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
            if (!printable || fReadOnly) {
                event->ignore();  // left to the window: shortcuts and its own keys
                return;
            }
            InsertTyped(text);
        }
        }
    }
    event->accept();
}

bool TTextPane::focusNextPrevChild(bool next)
{
    return fReadOnly ? QAbstractScrollArea::focusNextPrevChild(next) : false;
}

TTextPos TTextPane::posAt(QPoint p) const
{
    const int row = fTop + int(std::floor(p.y() / fLineHeight));
    const int col = int(std::lround((p.x() - TextLeft()) / fCharWidth));
    return clamp({row, std::max(0, col)});
}

void TTextPane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    fDesiredCol = -1;
    placeCaret(posAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TTextPane::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        placeCaret(posAt(event->position().toPoint()), true);
}

void TTextPane::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    placeCaret(posAt(event->position().toPoint()), false);
    SelectWord();
}

void TTextPane::wheelEvent(QWheelEvent *event)
{
    // A fixed step per wheel event, whatever the size of the turn: half of
    // the rows that the pane's height holds.
    const int step = int(std::lround(height() / fLineHeight)) / 2;
    const int dy = event->angleDelta().y();
    if (dy == 0)
        return;
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + (dy < 0 ? step : -step));
    event->accept();
}

void TTextPane::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    fCaretShown = true;
    fBlink.start();
    viewport()->update();
}

void TTextPane::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    fBlink.stop();
    viewport()->update();
}

void TTextPane::dragEnterEvent(QDragEnterEvent *event)
{
    event->ignore();
    emit OnDragOver(event);
}

void TTextPane::dragMoveEvent(QDragMoveEvent *event)
{
    event->ignore();
    emit OnDragOver(event);
}

void TTextPane::dropEvent(QDropEvent *event)
{
    emit OnDragDrop(event);
}

void TTextPane::onModelReset()
{
    if (!fOwnEdit) {
        // The text was replaced from outside (load, comparison): earlier
        // undo steps no longer fit it, and the caret goes to the start.
        fUndo.clear();
        fCaret = fAnchor = {};
        fDesiredCol = -1;
        fTop = 0;
    }
    updateScrollBars();
    UpdateMemo();
}

void TTextPane::onLinesInserted(int index, int count)
{
    if (!fOwnEdit) {
        fUndo.clear();
        if (fCaret.line >= index && fLines->Count() > count)
            fCaret.line += count;
        if (fAnchor.line >= index && fLines->Count() > count)
            fAnchor.line += count;
    }
    updateScrollBars();
    UpdateMemo();
}

void TTextPane::onLinesRemoved(int index, int count)
{
    if (!fOwnEdit) {
        fUndo.clear();
        // The caret stays on the same text: lines removed above it move it up.
        auto follow = [&](TTextPos &p) {
            if (p.line >= index + count)
                p.line -= count;
            else if (p.line >= index)
                p = {index, 0};
            p = clamp(p);
        };
        follow(fCaret);
        follow(fAnchor);
    }
    updateScrollBars();
    UpdateMemo();
}

void TTextPane::onModelChanged()
{
    if (!fOwnEdit) {
        fUndo.clear();
        fCaret = clamp(fCaret);
        fAnchor = clamp(fAnchor);
    }
    updateScrollBars();
    UpdateMemo();
}

void TTextPane::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::white);
    p.setFont(fFont);
    const int n = fLines->Count();
    const int rows = VisibleLineCount() + 2;
    for (int r = fTop; r < n && r < fTop + rows; ++r)
        paintRow(p, r, int((r - fTop) * fLineHeight));

    if (hasFocus() && fCaretShown && n > 0 && fCaret.line >= fTop && fCaret.line < fTop + rows) {
        const qreal x = TextLeft() + fCaret.col * fCharWidth;
        const qreal y = (fCaret.line - fTop) * fLineHeight;
        p.fillRect(QRectF(x, y + 1, 1.5, fLineHeight - 2), Qt::black);
    }
}

void TTextPane::paintRow(QPainter &p, int row, int y)
{
    const TLineRec &rec = fLines->Rec(row);
    const qreal x0 = TextLeft();
    const int width = viewport()->width();
    const bool breakPoint = fLines->GetBreakPoint(row);
    const bool bookmark = fLines->GetBookmark(row);
    if ((breakPoint || bookmark) && rec.length > 0)
        p.fillRect(QRectF(x0, y, width - x0, fLineHeight), QColor::fromRgba(breakPoint ? kBreakPointColor
                                                                                        : kBookmarkColor));

    // Only the columns that can be seen are laid out: a line may be long.
    const int firstCol = std::max(0, int(-x0 / fCharWidth) - 1);
    const int cols = int(width / fCharWidth) + 3;
    if (firstCol >= int(rec.length) && !HasSelection())
        return;
    const QString text = firstCol < int(rec.length)
                             ? (rec.wide ? rec.wideView().mid(firstCol, cols).toString()
                                         : QString::fromLatin1(static_cast<const char *>(rec.data) + firstCol,
                                                               std::min<qsizetype>(cols, rec.length - firstCol)))
                             : QString();
    auto colX = [&](int col) { return x0 + col * fCharWidth; };

    if (!fHighlight.isEmpty()) {
        for (const auto &[at, length] : OccurrencesInLine(text, fHighlight))
            p.fillRect(QRectF(colX(firstCol + at), y, length * fCharWidth, fLineHeight), kHighlight);
    }
    if (HasSelection()) {
        const auto [from, to] = selection();
        if (row >= from.line && row <= to.line) {
            const int a = row == from.line ? from.col : 0;
            const int b = row == to.line ? to.col : int(rec.length);
            const qreal extra = row < to.line ? fCharWidth / 2 : 0;  // the line break
            p.fillRect(QRectF(colX(a), y, (b - a) * fCharWidth + extra, fLineHeight), kSelection);
        }
    }
    p.setPen(Qt::black);
    p.drawText(QPointF(colX(firstCol), y + fAscent + kLineSpacing / 2.0), text);
}

void TTextPane::paintGutter(QPainter &p, const QRect &area)
{
    p.fillRect(area, kGutterBack);
    p.setPen(QColor(0xD8, 0xD8, 0xD8));
    p.drawLine(kGutterWidth - 1, area.top(), kGutterWidth - 1, area.bottom());
    p.setFont(fFont);
    const int n = fLines->Count();
    const int rows = VisibleLineCount() + 2;
    const QPixmap &bp = BreakPointGlyph();
    const QPixmap &bm = BookmarkGlyph();
    for (int r = fTop; r < n && r < fTop + rows; ++r) {
        const qreal y = (r - fTop) * fLineHeight;
        const bool breakPoint = fLines->GetBreakPoint(r);
        const bool bookmark = fLines->GetBookmark(r);
        // The number stands left of the glyphs of a marked row.
        int right = kGutterWidth - 4;
        if (bookmark) {
            p.drawPixmap(QPointF(kGutterWidth - 3 - bm.width(), y + (fLineHeight - bm.height()) / 2), bm);
            right = kGutterWidth - 3 - bm.width() - 2;
        }
        if (breakPoint) {
            const int glyphRight = bookmark ? kGutterWidth - bm.width() - 6 : kGutterWidth - 3;
            p.drawPixmap(QPointF(glyphRight - bp.width(), y + (fLineHeight - bp.height()) / 2), bp);
            right = glyphRight - bp.width() - 2;
        }
        p.setPen(kGutterText);
        p.drawText(QRectF(0, y, right, fLineHeight), Qt::AlignRight | Qt::AlignVCenter, QString::number(r + 1));
    }
}
