#pragma once
// The overview strip beside the right pane: one line per marked row of the
// whole text (red for changed or removed, blue for added), and a box for
// the rows the right pane shows.
//
// The arithmetic uses 32-bit floats where the strip's design does, so a row
// lands on the same pixel: s = H / n as a float, y = Trunc(i * s).

#include <QImage>
#include <QWidget>

class TLines;

namespace Overview {

// The strip's scale: H / n as a 32-bit float.
float Scale(int stripHeight, int lineCount);
// The pixel row of line i.
int RowY(int i, float scale);
// The image of the marks: width x height, white, a 2-pixel line per mark.
QImage PaintMarks(const TLines &lines, int width, int height);
// The box's top for a first visible line.
float BoxTop(int topLine, float scale);
// The box's height: the share of the text that fits in the pane, at least 10.
float BoxHeight(int stripHeight, int lineCount, qreal paneHeight, qreal lineHeight);
// The first line that puts the line at height y of the strip in the middle
// of a pane showing `visible` lines (not below 0).
int TopLineFor(qreal y, int stripHeight, int lineCount, int visible);

} // namespace Overview

class TOverviewBox;

// The strip: a black 1-unit outline around its image, stretched to the
// strip's size; no image until the first comparison. A click (or a drag)
// asks for the place it points at to be brought into view.
class TOverviewStrip : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 21;
    explicit TOverviewStrip(QWidget *parent = nullptr);
    void SetImage(QImage image);
    const QImage &Image() const { return fImage; }
    TOverviewBox *Box() const { return fBox; }

signals:
    // The user pointed at height y of the strip (0 .. height).
    void Clicked(qreal y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QImage fImage;
    TOverviewBox *fBox;
};

// The box: no fill, a black outline 2 units wide; keeps its exact place.
class TOverviewBox : public QWidget
{
    Q_OBJECT
public:
    static constexpr float kDesignTop = 32;
    static constexpr float kDesignHeight = 50;
    explicit TOverviewBox(QWidget *parent);
    float Top() const { return fTop; }
    float BoxHeight() const { return fHeight; }
    void SetTop(float top);
    void SetBoxHeight(float height);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void place();
    float fTop = kDesignTop;
    float fHeight = kDesignHeight;
};
