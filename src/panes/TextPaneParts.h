#pragma once
// Pieces of the text pane shared by its source files: the gutter widget and
// the colours of the text area.

#include <QColor>
#include <cmath>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

class TTextPane;

// A horizontal pixel offset as the scroll bar's int. Offsets are computed
// in floating point; a line of the longest length the model takes, in a
// very wide font, can pass int's range, whose end then stands for it.
inline int PixelOffset(double x)
{
    constexpr double kMax = 2147483647.0 / 2;  // room for the bar's own sums
    return x >= kMax ? int(kMax) : x <= -kMax ? -int(kMax) : int(x);
}

// Black or white, whichever stands out more on the fill (the contrast ratio
// of relative luminances, as accessibility guidelines measure it).
inline QColor ReadableOn(const QColor &fill)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const double l = 0.2126 * channel(fill.redF()) + 0.7152 * channel(fill.greenF()) + 0.0722 * channel(fill.blueF());
    const double onBlack = (l + 0.05) / 0.05;
    const double onWhite = 1.05 / (l + 0.05);
    return onBlack >= onWhite ? QColor(Qt::black) : QColor(Qt::white);
}

namespace PaneColors {
inline const QColor kSelection(0x9C, 0xC8, 0xF5);
inline const QColor kHighlight(0xFF, 0xEB, 0x3B);
inline const QColor kGutterBack(0xF2, 0xF2, 0xF2);
inline const QColor kGutterText(0x80, 0x80, 0x80);
} // namespace PaneColors

// The strip left of the text area: line numbers and mark glyphs, painted
// by the pane.
class TGutter : public QWidget
{
public:
    explicit TGutter(TTextPane *pane) : QWidget(pane), fPane(pane) {}

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TTextPane *fPane;
};
