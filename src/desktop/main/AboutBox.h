#pragma once
// The about box: the software version, the version of the firmware file the firmware updater
// would program, and the version of the device database, filled each time it is shown.

#include "base/Text.h"

#include <QDialog>

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace zr48 {

class Prompt;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    using VersionSource = std::function<Text()>;

    TAboutBox(Prompt& prompt, VersionSource firmwareVersion, VersionSource databaseVersion, QWidget* parent = nullptr);

    // Fills the memo, then shows the box modally.
    int exec() override;

    QPlainTextEdit* Memo;
    QPushButton* OKButton;

    void FormShow();
    // A double click on the box's background: the credits.
    void FormDblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Prompt& prompt_;
    VersionSource firmwareVersion_;
    VersionSource databaseVersion_;
    bool fontChosen_ = false;
};

} // namespace zr48
