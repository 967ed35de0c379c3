#include "app/HeaderFlow.h"

#include <QEvent>
#include <QPushButton>
#include <QWidget>

namespace {

constexpr int kLeft = 4;     // first column of a flowed row
constexpr int kGap = 4;      // between controls of a row
constexpr int kTop = 3;      // first flowed row
constexpr int kRowStep = 24; // one control height and a small gap

} // namespace

THeaderFlow::THeaderFlow(QWidget *header, const QVector<QWidget *> &controls)
    : QObject(header), fHeader(header), fControls(controls)
{
    for (QWidget *w : fControls)
        fDesign << w->geometry();
    header->installEventFilter(this);
    arrange();
}

bool THeaderFlow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == fHeader && event->type() == QEvent::Resize)
        arrange();
    return QObject::eventFilter(watched, event);
}

void THeaderFlow::arrange()
{
    const int width = fHeader->width();
    bool fits = true;
    for (const QRect &r : fDesign)
        fits = fits && r.right() < width;
    if (fits) {
        for (qsizetype i = 0; i < fControls.size(); ++i)
            fControls[i]->setGeometry(fDesign[i]);
        return;
    }
    int x = kLeft;
    int y = kTop;
    for (qsizetype i = 0; i < fControls.size(); ++i) {
        QWidget *w = fControls[i];
        // A button is as wide as its text needs; a label keeps its size.
        const int needed = qobject_cast<QPushButton *>(w) ? w->sizeHint().width() : fDesign[i].width();
        if (x > kLeft && x + needed > width) {
            x = kLeft;
            y += kRowStep;
        }
        w->setGeometry(x, y, needed, fDesign[i].height());
        x += needed + kGap;
    }
}
