#pragma once
// The firmware updater's window: the progress of an update, the firmware file and its version,
// Check Version, Browse and Update, rendered from the updater's view. The file controls follow
// the Expert setting, applied each time the window is shown and after the settings dialog.
// A firmware file that is the demonstration image is refused unless the unit is simulated.

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zr48 {

class Firmware;
class Shell;

class TFirmwareForm : public QDialog {
    Q_OBJECT
public:
    // `simulatedUnit`: the link reaches the simulator, which may be given the demonstration image.
    TFirmwareForm(Firmware& firmware, Shell& shell, bool simulatedUnit);
    ~TFirmwareForm() override;

    // After the settings dialog: the file controls follow the Expert setting again, if shown.
    void ApplyExpert();

    QProgressBar* ProgressBar;
    QGroupBox* GroupBox1;
    QLineEdit* EditFileName;
    QLabel* Label1;
    QLabel* LabelVersion;
    QPushButton* ButtonCheckVersion;
    QPushButton* ButtonBrowse;
    QPushButton* ButtonUpdate;
    QPushButton* ButtonCancel;

    void ButtonUpdateClick();

public slots:
    // Esc and the title bar's close button.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();

    Firmware& firmware_;
    Shell& shell_;
    bool simulatedUnit_;
};

} // namespace zr48
