#include "desktop/infrared/ScopePaintBox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace zr48 {

namespace {

// Pixels of the view as whole numbers: the mouse's position floored, as the columns are.
int pixelOf(double coordinate)
{
    return static_cast<int>(std::floor(coordinate));
}

} // namespace

TScopePaintBox::TScopePaintBox(QWidget* parent) : QWidget(parent)
{
    // The picture covers the whole box: nothing is erased first, so nothing flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMinimumSize(1, 1);
}

void TScopePaintBox::invalidate()
{
    outOfDate_ = true;
    wholeOutOfDate_ = true;
    update();
}

const QImage& TScopePaintBox::picture()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)), static_cast<int>(std::ceil(height() * ratio)));
    if (picture_.size() != pixels || picture_.devicePixelRatio() != ratio) {
        picture_ = QImage(pixels, QImage::Format_RGB32);
        picture_.setDevicePixelRatio(ratio);
        outOfDate_ = true;
        wholeOutOfDate_ = true;
    }
    if (outOfDate_) {
        outOfDate_ = false;
        const bool measurementOnly = !wholeOutOfDate_;
        wholeOutOfDate_ = false;
        if (onPaint) {
            changed_ += onPaint(picture_, measurementOnly);
        } else {
            picture_.fill(Qt::black);
            changed_ = picture_.rect();
        }
    }
    return picture_;
}

void TScopePaintBox::repaintMeasurement()
{
    outOfDate_ = true;
    picture();
    // From device pixels to the box's own.
    const qreal ratio = picture_.devicePixelRatio();
    QRegion area;
    for (const QRect& rect : changed_)
        area += QRectF(rect.x() / ratio, rect.y() / ratio, rect.width() / ratio, rect.height() / ratio).toAlignedRect();
    changed_ = QRegion();
    update(area);
}

void TScopePaintBox::paintEvent(QPaintEvent* event)
{
    const QImage& shown = picture();
    changed_ = QRegion();
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Only what the screen asks for: while the mouse measures, a few thin strips.
    const qreal ratio = shown.devicePixelRatio();
    for (const QRect& rect : event->region()) {
        const QRectF source(rect.x() * ratio, rect.y() * ratio, rect.width() * ratio, rect.height() * ratio);
        painter.drawImage(QRectF(rect), shown, source);
    }
}

void TScopePaintBox::mousePressEvent(QMouseEvent* event)
{
    if (onMouseDown)
        onMouseDown(pixelOf(event->position().x()), pixelOf(event->position().y()), event->buttons());
}

void TScopePaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove)
        onMouseMove(pixelOf(event->position().x()), pixelOf(event->position().y()), event->buttons());
}

void TScopePaintBox::wheelEvent(QWheelEvent* event)
{
    // A wheel notch is 120 eighths of a degree; touch pads send smaller steps.
    constexpr int kNotch = 120;
    wheelEighths_ += event->angleDelta().y();
    const int notches = wheelEighths_ / kNotch;
    wheelEighths_ -= notches * kNotch;
    if (notches != 0 && onWheel)
        onWheel(pixelOf(event->position().x()), notches);
    event->accept();
}

} // namespace zr48
