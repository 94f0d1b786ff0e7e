#include "tools/ToolDialog.h"

#include <QProgressBar>

#include <algorithm>
#include <limits>

namespace zr48 {

Qt::WindowFlags toolDialogFlags(TitleBarButtons buttons, bool onTop)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (buttons == TitleBarButtons::Close)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (onTop)
        flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

void showCentred(QDialog& dialog)
{
    if (!dialog.isVisible()) {
        // A dialog not placed by the program is centred on its parent when shown, frame included;
        // where the user left it last time does not count.
        dialog.setAttribute(Qt::WA_Moved, false);
        dialog.show();
    }
    dialog.raise();
    dialog.activateWindow();
}

void setProgress(QProgressBar& bar, std::int64_t maximum, std::int64_t position)
{
    const auto fit = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
    };
    bar.setRange(0, std::max(fit(maximum), 1));
    bar.setValue(maximum > 0 ? std::min(fit(position), bar.maximum()) : 0);
}

void makeStateLabel(QWidget& label)
{
    QFont font = label.font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.3);
    else
        font.setPixelSize(font.pixelSize() * 13 / 10);
    label.setFont(font);
}

} // namespace zr48
