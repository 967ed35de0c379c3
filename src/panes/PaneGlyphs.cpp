#include "panes/PaneGlyphs.h"

#include <QPainter>
#include <QPainterPath>

const QPixmap &BreakPointGlyph()
{
    static const QPixmap glyph = [] {
        QPixmap pm(14, 14);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QRadialGradient fill(QPointF(5, 5), 8);
        fill.setColorAt(0, QColor(0xFF, 0x8A, 0x80));
        fill.setColorAt(1, QColor(0xD3, 0x1B, 0x1B));
        p.setBrush(fill);
        p.setPen(QPen(QColor(0x8E, 0x0E, 0x0E), 1));
        p.drawEllipse(QRectF(1, 1, 12, 12));
        return pm;
    }();
    return glyph;
}

const QPixmap &BookmarkGlyph()
{
    static const QPixmap glyph = [] {
        QPixmap pm(13, 15);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath ribbon;  // a ribbon with a notch at the bottom
        ribbon.moveTo(1.5, 0.5);
        ribbon.lineTo(11.5, 0.5);
        ribbon.lineTo(11.5, 14.5);
        ribbon.lineTo(6.5, 10.5);
        ribbon.lineTo(1.5, 14.5);
        ribbon.closeSubpath();
        QLinearGradient fill(0, 0, 13, 0);
        fill.setColorAt(0, QColor(0x5B, 0x8D, 0xFF));
        fill.setColorAt(1, QColor(0x1A, 0x3F, 0xC8));
        p.setBrush(fill);
        p.setPen(QPen(QColor(0x10, 0x2A, 0x8A), 1));
        p.drawPath(ribbon);
        return pm;
    }();
    return glyph;
}
