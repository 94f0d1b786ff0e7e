#include "desktop/infrared/ScopeViewPainter.h"

#include "base/qt/QtText.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zr48 {

namespace {

QColor toQColor(Rgb colour)
{
    return {colour.r, colour.g, colour.b};
}

// The device pixels of view pixels [from, to) at the picture's pixel ratio, within `limit`.
std::pair<int, int> devicePixels(int from, int to, qreal ratio, int limit)
{
    const auto scaled = [&](int value) {
        return std::clamp(static_cast<int>(std::floor(value * ratio + 1e-9)), 0, limit);
    };
    return {scaled(from), scaled(to)};
}

// Fills one rectangle of a line straight into the picture: the lines of a trace are thousands of
// thin rectangles, which a general painter fills row by row at a much higher cost.
// Returns the device pixels it filled.
QRect fillPixels(QImage& picture, const PixelRect& rect, Rgb colour, PenMode mode)
{
    const qreal ratio = picture.devicePixelRatio();
    const auto [left, right] = devicePixels(rect.left, rect.right, ratio, picture.width());
    const auto [top, bottom] = devicePixels(rect.top, rect.bottom, ratio, picture.height());
    if (left >= right || top >= bottom)
        return {};
    const QRgb pen = qRgb(colour.r, colour.g, colour.b);
    // The inverted pen ORed into what lies below; the picture has no transparency to keep.
    const QRgb merged = ~pen & 0x00FFFFFFu;
    auto* bits = picture.bits();
    const auto stride = picture.bytesPerLine();
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
        if (mode == PenMode::Copy)
            std::fill(row + left, row + right, pen);
        else
            for (int x = left; x < right; ++x)
                row[x] |= merged;
    }
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Copies the device pixels of `area` from one picture of the same size into the other.
void copyPixels(const QImage& from, QImage& to, const QRect& area)
{
    const QRect rect = area & to.rect();
    if (rect.isEmpty())
        return;
    const auto bytes = static_cast<std::size_t>(rect.width()) * sizeof(QRgb);
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        std::memcpy(to.scanLine(y) + rect.left() * 4, from.constScanLine(y) + rect.left() * 4, bytes);
}

} // namespace

QRegion TScopeViewPainter::paint(QImage& picture, const ScopeViewDrawing& view, const ScopeMeasure* measure,
                                 const QFont& textFont)
{
    QRegion changed;
    const bool sameBase = base_.size() == picture.size() && base_.devicePixelRatio() == picture.devicePixelRatio() &&
                          baseDots_ == view.gridDots && baseLines_ == view.lines;
    if (!sameBase) {
        base_ = QImage(picture.size(), QImage::Format_RGB32);
        base_.setDevicePixelRatio(picture.devicePixelRatio());
        base_.fill(Qt::black);
        for (const Point& dot : view.gridDots)
            fillPixels(base_, {dot.x, dot.y, dot.x + 1, dot.y + 1}, kScopeGrey, PenMode::Copy);
        for (const LineOp& line : view.lines) {
            rects_.clear();
            appendLineRects(line, view.scale.width, view.scale.height, rects_);
            for (const PixelRect& r : rects_)
                fillPixels(base_, r, line.colour, line.mode);
        }
        baseDots_ = view.gridDots;
        baseLines_ = view.lines;
    }
    // The picture becomes the base again: whole, or where the measurement was painted over it.
    if (picture.size() != base_.size() || picture.format() != base_.format()) {
        picture = base_.copy();
        changed = picture.rect();
    } else if (!sameBase || picture.cacheKey() != pictureKey_) {
        std::memcpy(picture.bits(), base_.constBits(), static_cast<std::size_t>(base_.sizeInBytes()));
        changed = picture.rect();
    } else {
        for (const QRect& area : over_) {
            copyPixels(base_, picture, area);
            changed += area;
        }
    }
    over_.clear();

    for (const LineOp& line : view.marks) {
        rects_.clear();
        appendLineRects(line, view.scale.width, view.scale.height, rects_);
        for (const PixelRect& r : rects_)
            over_.push_back(fillPixels(picture, r, line.colour, line.mode));
    }
    if (measure && !view.measure.timeText.empty()) {
        QPainter painter(&picture);
        const QString text = toQString(view.measure.timeText);
        const QFontMetrics metrics(textFont, &picture);
        const QSize size(metrics.horizontalAdvance(text), metrics.height());
        const Point origin = measureTextOrigin(*measure, size.width(), size.height());
        const QRect box(QPoint(origin.x, origin.y), size);
        painter.fillRect(box, toQColor(kScopeGrey));
        painter.setFont(textFont);
        painter.setPen(toQColor(kMeasureTextWhite));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        // Glyphs may reach a little past their box.
        constexpr int kMargin = 3;
        const qreal ratio = picture.devicePixelRatio();
        const auto [left, right] =
            devicePixels(box.left() - kMargin, box.right() + 1 + kMargin, ratio, picture.width());
        const auto [top, bottom] =
            devicePixels(box.top() - kMargin, box.bottom() + 1 + kMargin, ratio, picture.height());
        over_.push_back(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
    }
    for (const QRect& area : over_)
        changed += area;
    pictureKey_ = picture.cacheKey();
    return changed;
}

} // namespace zr48
