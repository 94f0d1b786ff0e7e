#pragma once
// One view of the scope painted into an off-screen picture, keeping what lies below the measurement
// so that a moving mouse costs only the strips where the marks were and are.

#include "infrared/IrScopeView.h"
#include "infrared/ScopeMeasure.h"
#include "infrared/ScopeRaster.h"

#include <QFont>
#include <QImage>
#include <QRegion>

#include <vector>

namespace zr48 {

// Paints one view into a picture: black, the grid dots (grey), the lines, the measuring marks and,
// for the zoomed view (`measure` given), the time text over the measuring points, white on grey in
// `textFont`. Positions are the view's pixels; a picture with a device pixel ratio above 1 shows
// each of them as a block of device pixels.
//
// What lies below the measurement is kept as painted: while only the marks and the time text
// change, as when the mouse moves, just the places where they were and are get painted again.
class TScopeViewPainter {
public:
    // `picture` is made a Format_RGB32 picture of its own size and pixel ratio. Returns the device
    // pixels that changed.
    QRegion paint(QImage& picture, const ScopeViewDrawing& view, const ScopeMeasure* measure, const QFont& textFont);

private:
    QImage base_;
    std::vector<Point> baseDots_;
    DrawOps baseLines_;
    qint64 pictureKey_ = 0;        // the picture as it was left
    std::vector<QRect> over_;      // its device pixels painted over the base
    std::vector<PixelRect> rects_; // the rectangles of one line, kept to save allocations
};

} // namespace zr48
