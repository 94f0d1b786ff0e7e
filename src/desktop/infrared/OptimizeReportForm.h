#pragma once
// What the IR Optimizer did to a device file, shown after it ran: the summary ("12 keys changed,
// largest change 7.3 % in POWER") and, a click away, every key with its largest change in
// microseconds and in percent. Not modal, above the main window.

#include "infrared/OptimizeReport.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace zr48 {

class TOptimizeReportForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptimizeReportForm(QWidget* mainWindow);

    // Shows the report of the file named `fileName` (UTF-8), the list folded away.
    void ShowReport(const OptimizeReport& report, const std::string& fileName);

    QLabel* LabelSummary;
    QPushButton* ButtonDetails;
    QTreeWidget* KeyList;
    QPushButton* ButtonClose;

private:
    void showKeys(bool shown);
};

} // namespace zr48
