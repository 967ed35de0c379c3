#include "panes/TextPane.h"

#include "panes/PaneGlyphs.h"
#include "panes/TextPaneParts.h"

#include <QApplication>
#include <QDragMoveEvent>
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

} // namespace


TTextPane::TTextPane(QWidget *parent) : TTextPane(*new TLines, parent)
{
    fLines->setParent(this);
}

TTextPane::TTextPane(TLines &lines, QWidget *parent)
    : QAbstractScrollArea(parent), fLines(&lines), fGutter(new TGutter(this))
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
    connect(&fUndo, &QUndoStack::cleanChanged, this, &TTextPane::reportModified);
    fBlink.setInterval(530);
    connect(&fBlink, &QTimer::timeout, this, [this] {
        fCaretShown = !fCaretShown;
        viewport()->update();
    });

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TTextPane::onVerticalBar);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        viewport()->update();
        emit HorizontalScrolled(this);
    });
    connect(fLines, &TLines::Reset, this, &TTextPane::onModelReset);
    connect(fLines, &TLines::LinesInserted, this, &TTextPane::onLinesInserted);
    connect(fLines, &TLines::LinesRemoved, this, &TTextPane::onLinesRemoved);
    connect(fLines, &TLines::LineChanged, this, &TTextPane::onModelChanged);
    connect(fLines, &TLines::LinesChanged, this, &TTextPane::onModelChanged);
    connect(fLines, &TLines::MarksChanged, this, [this] {
        viewport()->update();
        fGutter->update();
    });
    updateScrollBars();
}

TTextPane::~TTextPane()
{
    // The undo history goes quietly: its last signals would reach a pane
    // half gone.
    fUndo.disconnect(this);
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
    setViewportMargins(fGutterWidth, 0, 0, 0);  // lays the bars out again
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
    // At the left edge of the contents: the viewport may not have moved to
    // its new margin yet when the gutter has just grown.
    fGutter->setGeometry(contentsRect().left(), vp.top(), fGutterWidth, vp.height());
}

void TTextPane::fitGutter()
{
    // Room for the largest number beside one glyph, as a marked row places
    // them (the glyph 3 from the right edge, the number 2 left of it), and
    // one unit of margin on the left.
    const qreal number = QFontMetricsF(fFont).horizontalAdvance(QString::number(std::max(1, fLines->TextLineCount())));
    const int glyph = std::max(BreakPointGlyph().width(), BookmarkGlyph().width()) + 3 + 2;
    const int width = std::max(kGutterWidth, int(std::ceil(number)) + 1 + glyph);
    if (width == fGutterWidth)
        return;
    fGutterWidth = width;
    setViewportMargins(fGutterWidth, 0, 0, 0);
    layoutGutter();
}

void TTextPane::updateScrollBars()
{
    fitGutter();
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
    // The bar counts pixels, or characters where a line's pixels would pass
    // the bar's int range, so that every column the pane takes can be shown.
    QScrollBar *hbar = horizontalScrollBar();
    const double content = std::ceil(double(fLines->MaxLength()) * fCharWidth) + 2 * kTextMargin + fCharWidth;
    const double oldStep = fHStep;
    fHStep = content > kMaxBarPixels ? fCharWidth : 1.0;
    const QSignalBlocker block(hbar);
    const double offset = hbar->value() * oldStep;
    const int width = viewport()->width();
    const double ownReach = std::max(0.0, content - width);
    hbar->setRange(0, PixelOffset(std::max(ownReach, fMinReach) / fHStep));
    hbar->setPageStep(std::max(1, int(width / fHStep)));
    hbar->setSingleStep(std::max(1, int(std::ceil(fCharWidth / fHStep))));
    hbar->setValue(PixelOffset(offset / fHStep));
    reportTop();
    if (ownReach != fOwnReach) {
        fOwnReach = ownReach;
        emit OwnScrollReachChanged(this);
    }
}

void TTextPane::SetHorizontalOffset(qreal pixels)
{
    horizontalScrollBar()->setValue(PixelOffset(pixels / fHStep));
}

void TTextPane::SetMinimumScrollReach(qreal pixels)
{
    if (pixels == fMinReach)
        return;
    fMinReach = pixels;
    updateScrollBars();
}

void TTextPane::onVerticalBar(int value)
{
    if (value == fTop)
        return;
    fTop = value;
    UpdateMemo();
    emit OnScroll(this);
    reportTop();
}

void TTextPane::reportTop()
{
    if (fTop == fReportedTop)
        return;
    fReportedTop = fTop;
    emit TopLineChanged(this);
}

void TTextPane::setTopQuietly(int top)
{
    fTop = top;
    const QSignalBlocker block(verticalScrollBar());
    verticalScrollBar()->setValue(top);
    UpdateMemo();
    reportTop();
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

void TTextPane::CentreRow(int row)
{
    const int v = VisibleLineCount();
    const int top = std::clamp(row - v / 2, 0, std::max(0, fLines->Count() - v));
    if (top != fTop)
        setTopQuietly(top);
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
    emit CaretMoved();
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
    const double x = double(fCaret.col) * fCharWidth;
    const double shown = hbar->value() * fHStep;
    const int width = viewport()->width();
    if (x < shown)
        hbar->setValue(PixelOffset(std::max(0.0, x - 4 * fCharWidth) / fHStep));
    else if (x + kTextMargin + fCharWidth > shown + width)
        hbar->setValue(PixelOffset(std::ceil((x + kTextMargin + 4 * fCharWidth - width) / fHStep)));
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
    while (from > 0 && IsWordChar(line[from - 1]))
        --from;
    while (to < line.size() && IsWordChar(line[to]))
        ++to;
    Select({fCaret.line, from}, {fCaret.line, to});
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
    if (event->button() == Qt::RightButton) {
        // The context menu acts where the user clicked: the caret goes
        // there first, unless the click falls inside the selection.
        setFocus(Qt::MouseFocusReason);
        const TTextPos pos = posAt(event->position().toPoint());
        const auto [from, to] = selection();
        if (!HasSelection() || pos < from || to < pos) {
            fDesiredCol = -1;
            placeCaret(pos, false);
        }
        return;
    }
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
    // The desktop's rows per notch (QApplication::wheelScrollLines), and as
    // many columns sideways. Parts of a notch (fine wheels, touchpads) add
    // up until they make a row. Shift turns the wheel sideways.
    QPoint delta = event->angleDelta();
    if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = {delta.y(), 0};
    if (delta.isNull())
        return;
    fWheelRest += delta * QApplication::wheelScrollLines();
    constexpr int kNotch = QWheelEvent::DefaultDeltasPerStep;
    const int rows = fWheelRest.y() / kNotch;
    const int cols = fWheelRest.x() / kNotch;
    fWheelRest -= QPoint(cols, rows) * kNotch;
    if (rows != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - rows);
    if (cols != 0) {
        QScrollBar *bar = horizontalScrollBar();
        bar->setValue(bar->value() - cols * bar->singleStep());
    }
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
        // Edits made before stay edits until the text is loaded or saved.
        fModifiedBeforeUndo = IsModified();
        fUndo.clear();
        reportModified();
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

