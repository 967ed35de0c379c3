#pragma once
// Plain containers with the docking the window's layout needs: a filled
// rectangle with a label docked at its bottom, and an area that stretches
// one child over itself and leaves the others where they were put.

#include <QColor>
#include <QMargins>
#include <QWidget>

class TFillRect : public QWidget
{
public:
    TFillRect(QColor fill, QWidget *parent);
    // Keeps child at the bottom edge, height high, with side margins.
    void DockBottom(QWidget *child, int height, int marginLeft, int marginRight);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor fFill;
    QWidget *fBottom = nullptr;
    int fBottomHeight = 0;
    QMargins fMargins;
};

class TFillArea : public QWidget
{
public:
    using QWidget::QWidget;
    void SetFillChild(QWidget *child) { fFill = child; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *fFill = nullptr;
};
