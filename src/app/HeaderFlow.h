#pragma once
// Keeps the controls of a header whole when it is narrow. While every
// control fits at its design place, it stays there; otherwise they flow,
// in their order, from left to right in rows, each button as wide as its
// text needs, so that none is cut off or hidden behind the window's edge.

#include <QObject>
#include <QRect>
#include <QVector>

class QWidget;

class THeaderFlow : public QObject
{
    Q_OBJECT
public:
    // Lays out the header's controls now and whenever the header resizes;
    // each control's current geometry is its design place.
    THeaderFlow(QWidget *header, const QVector<QWidget *> &controls);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void arrange();

    QWidget *fHeader;
    QVector<QWidget *> fControls;
    QVector<QRect> fDesign;
};
