#pragma once
// Measuring in the zoomed view: the first click fixes point 1 (until then a cursor follows the
// mouse), the second point follows the mouse on the height of point 1 until the second click, a
// third click starts over. The time between the points and its frequency are shown as text.

#include "base/Text.h"
#include "infrared/ScopeDrawing.h"

namespace zr48 {

class ScopeMeasure {
public:
    // Both return true when the second point moved, so the span is to be analysed again.
    bool mouseDown(int x, int y);
    bool mouseMove(int x, int y);
    void reset();

    int clicks() const { return clicks_; }
    Point point1() const { return point1_; }
    Point point2() const { return point2_; }

private:
    int clicks_ = 0;
    Point point1_;
    Point point2_;
};

// The yellow marks of the measurement on a view of the given height. Appended to `ops`.
void appendMeasureMarks(const ScopeMeasure& measure, int viewHeight, DrawOps& ops);

struct MeasureText {
    Text label;    // the whole text of the measure box ("Click to measure" before the first click)
    Text timeText; // drawn on the view between the points; empty before the first click
};

// At `secondsPerDivision` of the zoomed view, numbers written with the user's decimal separator.
MeasureText measureText(const ScopeMeasure& measure, float secondsPerDivision, char decimalSeparator);

// The top-left corner of the time text of the given size, centred over the two points.
Point measureTextOrigin(const ScopeMeasure& measure, int textWidth, int textHeight);

// Shortest general form with up to 15 significant digits, e.g. 55.555 or 1000.
Text formatGeneral(double value, char decimalSeparator);

} // namespace zr48
