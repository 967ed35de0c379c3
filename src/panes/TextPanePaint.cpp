// Painting of the pane: only the rows, and in them only the columns, that
// can be seen.
#include "panes/TextPane.h"

#include "panes/PaneGlyphs.h"
#include "panes/TextPaneParts.h"

#include <QPainter>

using namespace PaneColors;

void TGutter::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    fPane->paintGutter(p, event->rect());
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
    QColor ink = Qt::black;
    const auto fillRow = [&](const QColor &fill) {
        p.fillRect(QRectF(std::max<qreal>(x0, 0), y, width - std::max<qreal>(x0, 0), fLineHeight), fill);
        ink = ReadableOn(fill);  // black on red, white on blue
    };
    if ((breakPoint || bookmark) && rec.length > 0)
        fillRow(QColor::fromRgba(breakPoint ? kBreakPointColor : kBookmarkColor));
    else if (fRowTint.isValid() && fEmphasis && fEmphasis->RowTinted(row))
        fillRow(fRowTint);

    // Only the columns that can be seen are laid out: a line may be long.
    const int firstCol = std::max(0, int(-x0 / fCharWidth) - 1);
    const int cols = int(width / fCharWidth) + 3;
    if (firstCol >= int(rec.length) && !HasSelection())
        return;
    const QString text = rec.mid(firstCol, cols);
    auto colX = [&](int col) { return x0 + col * fCharWidth; };
    const qreal baseline = y + fAscent + kLineSpacing / 2.0;

    std::vector<std::pair<int, int>> emphasis;
    if (fEmphasis && rec.length > 0) {
        emphasis = fEmphasis->EmphasisSpans(row);
        for (const auto &[col, length] : emphasis)
            p.fillRect(QRectF(colX(col), y, length * fCharWidth, fLineHeight), fEmphasisFill);
    }

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
    p.setPen(ink);
    p.drawText(QPointF(colX(firstCol), baseline), text);
    if (!emphasis.empty()) {
        // The emphasised characters again, in their own colour, clipped to
        // their cells.
        p.save();
        p.setPen(fEmphasisText);
        for (const auto &[col, length] : emphasis) {
            const QRectF cells(colX(col), y, length * fCharWidth, fLineHeight);
            p.fillRect(cells, fEmphasisFill);
            p.setClipRect(cells);
            p.drawText(QPointF(colX(firstCol), baseline), text);
        }
        p.restore();
    }
}

void TTextPane::paintGutter(QPainter &p, const QRect &area)
{
    p.fillRect(area, kGutterBack);
    p.setPen(QColor(0xD8, 0xD8, 0xD8));
    p.drawLine(fGutterWidth - 1, area.top(), fGutterWidth - 1, area.bottom());
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
        int right = fGutterWidth - 4;
        if (bookmark) {
            p.drawPixmap(QPointF(fGutterWidth - 3 - bm.width(), y + (fLineHeight - bm.height()) / 2), bm);
            right = fGutterWidth - 3 - bm.width() - 2;
        }
        if (breakPoint) {
            const int glyphRight = bookmark ? fGutterWidth - bm.width() - 6 : fGutterWidth - 3;
            p.drawPixmap(QPointF(glyphRight - bp.width(), y + (fLineHeight - bp.height()) / 2), bp);
            right = glyphRight - bp.width() - 2;
        }
        // The number of the row's line in the text (a filler has none).
        if (const int number = fLines->LineNumber(r)) {
            p.setPen(kGutterText);
            p.drawText(QRectF(0, y, right, fLineHeight), Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
        }
    }
}

