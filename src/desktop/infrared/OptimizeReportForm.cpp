#include "desktop/infrared/OptimizeReportForm.h"

#include "desktop/common/TitleWidth.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zr48 {

namespace {

constexpr const char* kShowKeys = "Show all keys";
constexpr const char* kHideKeys = "Hide the keys";

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

TOptimizeReportForm::TOptimizeReportForm(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName("OptimizeReportForm");
    setModal(false);

    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName("LabelSummary");
    QFont bold = LabelSummary->font();
    bold.setBold(true);
    LabelSummary->setFont(bold);

    KeyList = new QTreeWidget(this);
    KeyList->setObjectName("KeyList");
    KeyList->setHeaderLabels({"Key", "Durations changed", "Largest change in \u00B5s", "Largest change in %"});
    KeyList->setRootIsDecorated(false);
    KeyList->setUniformRowHeights(true);
    KeyList->header()->setStretchLastSection(true);

    ButtonDetails = new QPushButton(kShowKeys, this);
    ButtonDetails->setObjectName("ButtonDetails");
    ButtonDetails->setAutoDefault(false);
    connect(ButtonDetails, &QPushButton::clicked, this, [this] { showKeys(KeyList->isHidden()); });
    ButtonClose = new QPushButton("Close", this);
    ButtonClose->setObjectName("ButtonClose");
    ButtonClose->setDefault(true);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonDetails);
    buttons->addStretch(1);
    buttons->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelSummary);
    layout->addWidget(KeyList, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TOptimizeReportForm::ShowReport(const OptimizeReport& report, const std::string& fileName)
{
    setWindowTitle("IR Optimizer - " + text(fileName));
    // The dialog takes the size of its contents; the title bar would elide a long file name.
    const QMargins margins = layout()->contentsMargins();
    LabelSummary->setMinimumWidth(widthForTitle(windowTitle()) - margins.left() - margins.right());
    layout()->activate();
    LabelSummary->setText(text(OptimizeSummary(report) + "."));
    KeyList->clear();
    for (const KeyChange& key : report.Keys) {
        new QTreeWidgetItem(KeyList, {text(toUtf8(key.Key)),
                                      text(std::to_string(key.Changed) + " of " + std::to_string(key.Durations)),
                                      text(MicrosText(key.LargestMicros)), text(PercentText(key.LargestPercent))});
    }
    for (int column = 0; column < KeyList->columnCount(); ++column)
        KeyList->resizeColumnToContents(column);
    ButtonDetails->setEnabled(!report.Keys.empty());
    showKeys(false);
    show();
    raise();
    activateWindow();
}

void TOptimizeReportForm::showKeys(bool shown)
{
    KeyList->setVisible(shown);
    ButtonDetails->setText(shown ? kHideKeys : kShowKeys);
    if (shown) {
        int width = 0;
        for (int column = 0; column < KeyList->columnCount(); ++column)
            width += KeyList->columnWidth(column);
        KeyList->setMinimumSize(width + 24, 220);
    }
}

} // namespace zr48
