#pragma once
// The scope's drawing area: one picture at the screen's pixel ratio, painted anew only when the view
// or the size changed; mouse and wheel passed on in the view's whole pixels.

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>

namespace zr48 {

// A drawing area that shows one picture, painted anew only when the view changed or its size did.
class TScopePaintBox : public QWidget {
    Q_OBJECT
public:
    // Paints the view into the picture; returns the device pixels that changed. `measurementOnly`:
    // nothing but the measurement changed since the last paint (and the picture kept its size).
    using Paint = std::function<QRegion(QImage& picture, bool measurementOnly)>;
    using Mouse = std::function<void(int x, int y, Qt::MouseButtons buttons)>;

    explicit TScopePaintBox(QWidget* parent = nullptr);

    // Paints the picture at the box's size and pixel ratio (the picture comes black).
    Paint onPaint;
    Mouse onMouseDown;
    Mouse onMouseMove;
    // Whole notches of the wheel (positive away from the user), at column x.
    std::function<void(int x, int notches)> onWheel;

    // The view changed: the picture is painted anew before it is shown next.
    void invalidate();
    // Only the measurement changed (it follows the mouse): the picture is painted now, and only
    // what changed in it goes to the screen.
    void repaintMeasurement();
    // The picture as shown now, painted first when out of date.
    const QImage& picture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage picture_;
    bool outOfDate_ = true;
    bool wholeOutOfDate_ = true; // more than the measurement changed since the last paint
    QRegion changed_;            // device pixels painted since the screen last got them
    int wheelEighths_ = 0;       // the wheel's turn not yet a whole notch
};

} // namespace zr48
