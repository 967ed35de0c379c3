#include "app/Panels.h"

#include <QPainter>

TFillRect::TFillRect(QColor fill, QWidget *parent) : QWidget(parent), fFill(fill) {}

void TFillRect::DockBottom(QWidget *child, int height, int marginLeft, int marginRight)
{
    fBottom = child;
    fBottomHeight = height;
    fMargins = QMargins(marginLeft, 0, marginRight, 0);
    resizeEvent(nullptr);
}

void TFillRect::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), fFill);
}

void TFillRect::resizeEvent(QResizeEvent *)
{
    if (fBottom)
        fBottom->setGeometry(fMargins.left(), height() - fBottomHeight,
                             width() - fMargins.left() - fMargins.right(), fBottomHeight);
}

void TFillArea::resizeEvent(QResizeEvent *)
{
    if (fFill)
        fFill->setGeometry(rect());
}
