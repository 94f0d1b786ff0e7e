#include "desktop/tools/ToolDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace zr48 {

namespace {

// Wide enough for the longest state text of a transfer, so that its dialog keeps its size.
constexpr int kTransferDialogWidth = 360;

// A bold state text, larger than the dialog's own font.
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

} // namespace

Qt::WindowFlags toolDialogFlags(TitleBarButtons buttons)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (buttons == TitleBarButtons::Close)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
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

TransferWidgets layOutTransferDialog(QDialog& dialog, std::initializer_list<QPushButton*> buttons)
{
    auto* label = new QLabel(&dialog);
    label->setObjectName("Label");
    makeStateLabel(*label);
    auto* bar = new QProgressBar(&dialog);
    bar->setObjectName("ProgressBar");
    bar->setTextVisible(false);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    for (QPushButton* button : buttons)
        buttonRow->addWidget(button);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(bar);
    layout->addLayout(buttonRow);
    dialog.setFixedSize(QSize(kTransferDialogWidth, dialog.sizeHint().height()));
    return {label, bar};
}

void renderTransfer(const TransferWidgets& widgets, const QString& text, std::int64_t maximum, std::int64_t position)
{
    widgets.label->setText(text);
    setProgress(*widgets.progressBar, maximum, position);
}

void showOrHide(QDialog& dialog, bool visible)
{
    if (visible && !dialog.isVisible())
        showCentred(dialog);
    else if (!visible)
        dialog.hide();
}

} // namespace zr48
