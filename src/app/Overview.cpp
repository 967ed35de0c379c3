#include "app/Overview.h"

#include "text/Lines.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace Overview {

float Scale(int stripHeight, int lineCount)
{
    return float(stripHeight) / float(lineCount);
}

int RowY(int i, float scale)
{
    return int(std::trunc(double(i) * double(scale)));
}

QImage PaintMarks(const TLines &lines, int width, int height)
{
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_ARGB32);
    image.fill(0xFFFFFFFF);
    const int n = lines.Count();
    if (n < 1 || width < 1 || height < 1)
        return image;
    const float s = Scale(height, n);
    // A marked row paints a 2-pixel line over the pixel rows y - 1 and y,
    // later rows over earlier ones. y never falls as the row rises, so a
    // pixel row ends with the colour of the last marked row at y + 1, else
    // of the last one at y: one step per row and one fill per pixel row,
    // rather than a fill per marked row (a million on a large pair).
    std::vector<QRgb> lastAt(size_t(height) + 1, 0);  // by y; 0: no marked row
    for (int i = 0; i < n; ++i) {
        QRgb color;
        if (lines.GetBreakPoint(i))
            color = 0xFFFF0000;
        else if (lines.GetBookmark(i))
            color = 0xFF0000FF;
        else
            continue;
        const int y = RowY(i, s);
        if (y <= height)
            lastAt[size_t(y)] = color;
    }
    for (int r = 0; r < height; ++r) {
        const QRgb color = lastAt[size_t(r) + 1] ? lastAt[size_t(r) + 1] : lastAt[size_t(r)];
        if (color) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(r));
            std::fill(line, line + width, color);
        }
    }
    return image;
}

float BoxTop(int topLine, float scale)
{
    return float(topLine) * scale;
}

float BoxHeight(int stripHeight, int lineCount, qreal paneHeight, qreal lineHeight)
{
    const float v = float(paneHeight / lineHeight);
    const float f = v / float(lineCount);
    const float h = float(stripHeight) * f;
    return h < 10 ? 10.0f : h;
}

int TopLineFor(qreal y, int stripHeight, int lineCount, int visible)
{
    if (stripHeight <= 0 || lineCount <= 0)
        return 0;
    const int line = int(y * lineCount / stripHeight);
    return std::max(0, line - visible / 2);
}

} // namespace Overview

TOverviewStrip::TOverviewStrip(QWidget *parent) : QWidget(parent), fBox(new TOverviewBox(this))
{
    setFixedWidth(kWidth);
    setCursor(Qt::PointingHandCursor);
}

void TOverviewStrip::SetImage(QImage image)
{
    fImage = std::move(image);
    update();
}

void TOverviewStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!fImage.isNull())
        p.drawImage(QRectF(rect()), fImage);  // stretched, not repainted, when the strip resizes
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
}

void TOverviewStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit Clicked(event->position().y());
}

void TOverviewStrip::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        emit Clicked(std::clamp(event->position().y(), 0.0, qreal(height())));
}

TOverviewBox::TOverviewBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    place();
}

void TOverviewBox::SetTop(float top)
{
    fTop = top;
    place();
}

void TOverviewBox::SetBoxHeight(float height)
{
    fHeight = height;
    place();
}

void TOverviewBox::place()
{
    setGeometry(0, int(std::lround(fTop)), TOverviewStrip::kWidth, std::max(1, int(std::lround(fHeight))));
}

void TOverviewBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(QRectF(1, 1, width() - 2, height() - 2));
}
