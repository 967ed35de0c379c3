#pragma once
// Pieces of the text pane shared by its source files: the gutter widget and
// the colours of the text area.

#include <QColor>
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
