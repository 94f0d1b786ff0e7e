#include "desktop/common/TitleWidth.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>

namespace zr48 {

int widthForTitle(const QString& title)
{
    // Window managers draw titles in a bold face of about the application's size; the icon and up
    // to three buttons take a square of the bar's height each, the bar being about twice a line.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(title) + 8 * metrics.height();
}

void fitTitle(QWidget& window)
{
    const int width = widthForTitle(window.windowTitle());
    if (window.minimumWidth() < width)
        window.setMinimumWidth(width);
}

} // namespace zr48
