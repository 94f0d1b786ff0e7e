#pragma once
// The result of a comparison with the unit: the verdict, and a list of the slots in use on either
// side, the menu lines and the card's areas with their state, what the ZR48 and the project hold,
// the differences first and coloured (what differs, what is only on the unit, what only in the
// project, each its own colour); below it every difference of the selected row spelt out (the
// first difference is selected). A double-click (or Enter) on a slot or a menu line opens it in the
// project window. When they differ, "Download to ZR48" writes the project into the unit. Not modal,
// above the main window, as tall as the rows need within the screen.

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

    // Where a row leads in the project window: a slot, or a menu line (0 to 4); -1 for none.
    struct Place {
        int slot = -1;
        int menuLine = -1;
    };

    // Shows the comparison of the project named `projectName` (UTF-8); `onDownload` runs when
    // "Download to ZR48" is clicked, which is offered only when they differ; `onOpen` when a row
    // of a slot or a menu line is activated.
    void ShowResult(const CardComparison& comparison, const std::string& projectName, std::function<void()> onDownload,
                    std::function<void(Place)> onOpen = {});

    QLabel* LabelVerdict;
    QTreeWidget* SlotList;
    QLabel* LabelDetails;
    QPushButton* ButtonDownload;
    QPushButton* ButtonClose;

private:
    // As tall as the list's rows need, as wide as its columns, within the screen.
    void fitToRows();

    std::function<void()> onDownload_;
    std::function<void(Place)> onOpen_;
};

} // namespace zr48
