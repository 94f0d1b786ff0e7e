#pragma once
// The result of a comparison with the unit: the verdict, and a list of the slots in use on either
// side, the menu lines and the card's areas with their state, what the ZR48 and the project hold,
// the differences first and coloured; below it every difference of the selected row spelt out (the
// first difference is selected). When they differ, "Download to ZR48" writes the project into the
// unit. Not modal, above the main window.

#include "tools/CardComparison.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace zr48 {

class TCompareResultForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColumns = 4; // slot, state, on the ZR48, in the project

    explicit TCompareResultForm(QWidget* mainWindow);

    // Shows the comparison of the project named `projectName` (UTF-8); `onDownload` runs when
    // "Download to ZR48" is clicked, which is offered only when they differ.
    void ShowResult(const CardComparison& comparison, const std::string& projectName, std::function<void()> onDownload);

    QLabel* LabelVerdict;
    QTreeWidget* SlotList;
    QLabel* LabelDetails;
    QPushButton* ButtonDownload;
    QPushButton* ButtonClose;

private:
    std::function<void()> onDownload_;
};

} // namespace zr48
