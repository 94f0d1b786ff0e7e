#pragma once
// Stands in for a single-instance dialog whose window does not exist yet: it takes that dialog's
// name and place in the start-up order and is never shown.

#include <QDialog>

namespace zr48 {

class TPlaceholderForm : public QDialog {
    Q_OBJECT
public:
    TPlaceholderForm(const char* name, QWidget* parent) : QDialog(parent) { setObjectName(name); }
    void setVisible(bool) override {}
};

} // namespace zr48
