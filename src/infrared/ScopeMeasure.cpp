#include "infrared/ScopeMeasure.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zr48 {

bool ScopeMeasure::mouseDown(int x, int y)
{
    clicks_ = clicks_ == 2 ? 0 : clicks_ + 1;
    return mouseMove(x, y);
}

bool ScopeMeasure::mouseMove(int x, int y)
{
    if (clicks_ == 0) {
        point1_ = {x, y};
        return false;
    }
    if (clicks_ == 1) {
        point2_ = {x, point1_.y};
        return true;
    }
    return false;
}

void ScopeMeasure::reset()
{
    clicks_ = 0;
    point1_ = {};
    point2_ = {};
}

void appendMeasureMarks(const ScopeMeasure& measure, int viewHeight, DrawOps& ops)
{
    const Point p1 = measure.point1();
    const Point p2 = measure.point2();
    if (measure.clicks() == 0) {
        ops.push_back({{p1.x, 0}, {p1.x, viewHeight}, 1, kMeasureYellow, PenMode::Copy});
        return;
    }
    ops.push_back({p1, p2, 3, kMeasureYellow, PenMode::Copy});
    ops.push_back({{p1.x, p1.y - 10}, {p1.x, p1.y + 10}, 1, kMeasureYellow, PenMode::Copy});
    ops.push_back({{p2.x, p1.y - 10}, {p2.x, p2.y + 10}, 1, kMeasureYellow, PenMode::Copy});
}

Text formatGeneral(double value, char decimalSeparator)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    Text text = buffer;
    for (char& c : text)
        if (c == '.')
            c = decimalSeparator;
    return text;
}

MeasureText measureText(const ScopeMeasure& measure, float secondsPerDivision, char decimalSeparator)
{
    if (measure.clicks() == 0)
        return {"Click to measure", {}};
    const double pixels = std::abs(measure.point2().x - measure.point1().x);
    const double t = std::floor(pixels * secondsPerDivision / kPixelsPerDivision * 1000000.0 + 0.5);
    MeasureText result;
    result.timeText = " " + formatGeneral(t, decimalSeparator) + " us ";
    result.label = result.timeText;
    if (t > 0) {
        const double kiloHertz = std::floor(1000000.0 / t) * 0.001;
        result.label += "/ " + formatGeneral(kiloHertz, decimalSeparator) + " kHz";
    }
    return result;
}

Point measureTextOrigin(const ScopeMeasure& measure, int textWidth, int textHeight)
{
    const Point p1 = measure.point1();
    const Point p2 = measure.point2();
    return {p1.x + (p2.x - p1.x) / 2 - textWidth / 2, p1.y - textHeight - 2};
}

} // namespace zr48
