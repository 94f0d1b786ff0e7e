#include "desktop/tools/FirmwareForm.h"

#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "base/qt/QtText.h"
#include "desktop/common/FileChooser.h"
#include "desktop/common/Shell.h"
#include "desktop/tools/ToolDialog.h"
#include "tools/Firmware.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zr48 {

namespace {

// Room for a path of some length in the file name box.
constexpr int kWidth = 460;

} // namespace

TFirmwareForm::TFirmwareForm(Firmware& firmware, Shell& shell, bool simulatedUnit)
    : QDialog(shell.mainWindow(), toolDialogFlags(TitleBarButtons::Close)), firmware_(firmware), shell_(shell),
      simulatedUnit_(simulatedUnit)
{
    setObjectName("FirmwareForm");
    setWindowTitle("Firmware update");
    setModal(false);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);

    GroupBox1 = new QGroupBox("Firmware", this);
    GroupBox1->setObjectName("GroupBox1");
    EditFileName = new QLineEdit(GroupBox1);
    EditFileName->setObjectName("EditFileName");
    Label1 = new QLabel("Firmware version of this File:", GroupBox1);
    Label1->setObjectName("Label1");
    LabelVersion = new QLabel(GroupBox1);
    LabelVersion->setObjectName("LabelVersion");
    LabelVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* group = new QGridLayout(GroupBox1);
    group->addWidget(EditFileName, 0, 0, 1, 2);
    group->addWidget(Label1, 1, 0);
    group->addWidget(LabelVersion, 1, 1);
    group->setColumnStretch(1, 1);

    ButtonCheckVersion = new QPushButton("Check &Version", this);
    ButtonCheckVersion->setObjectName("ButtonCheckVersion");
    ButtonBrowse = new QPushButton("&Browse...", this);
    ButtonBrowse->setObjectName("ButtonBrowse");
    ButtonUpdate = new QPushButton("&Update", this);
    ButtonUpdate->setObjectName("ButtonUpdate");
    // Stops a running update, after the question that Esc and the close button ask too.
    ButtonCancel = new QPushButton("&Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    for (QPushButton* button : {ButtonCheckVersion, ButtonBrowse, ButtonUpdate, ButtonCancel})
        button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonCheckVersion);
    buttons->addWidget(ButtonBrowse);
    buttons->addStretch(1);
    buttons->addWidget(ButtonUpdate);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    setFixedSize(QSize(kWidth, sizeHint().height()));

    // A typed name counts at once, as the label of its version shows.
    connect(EditFileName, &QLineEdit::textEdited, this,
            [this](const QString& text) { firmware_.EditFileNameChange(pathFromQString(text)); });
    connect(ButtonCheckVersion, &QPushButton::clicked, this, [this] { firmware_.ButtonCheckVersionClick(); });
    connect(ButtonBrowse, &QPushButton::clicked, this, [this] { firmware_.ButtonBrowseClick(); });
    connect(ButtonUpdate, &QPushButton::clicked, this, &TFirmwareForm::ButtonUpdateClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFirmwareForm::reject);

    firmware_.chooseFile = [this](const Text& filter) -> std::optional<Text> {
        FileDialogRequest request;
        request.filter = filter;
        request.directory = extractFilePath(firmware_.view().fileName);
        return shell_.fileChooser().openFile(request);
    };
    firmware_.OnViewChanged = [this] { render(); };
    render();
}

TFirmwareForm::~TFirmwareForm()
{
    firmware_.OnViewChanged = nullptr;
    firmware_.chooseFile = nullptr;
}

void TFirmwareForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        firmware_.FormShow(shell_.settings().expert());
}

void TFirmwareForm::reject()
{
    // A running update asks first; No keeps the window and the update.
    if (!firmware_.CloseRequested())
        return;
    QDialog::reject();
}

void TFirmwareForm::ApplyExpert()
{
    if (isVisible())
        firmware_.FormShow(shell_.settings().expert());
}

void TFirmwareForm::ButtonUpdateClick()
{
    const Text& path = firmware_.view().fileName;
    if (Firmware::DemoImageForRealUnit(Firmware::FileVersion(path), simulatedUnit_)) {
        shell_.prompt().error("The firmware file " + path +
                              "\nis the demonstration image for the simulated ZR48, not firmware for a real "
                              "ZR48.\nNothing has been sent.");
        return;
    }
    firmware_.ButtonUpdateClick();
}

void TFirmwareForm::render()
{
    const FirmwareView& view = firmware_.view();
    setProgress(*ProgressBar, view.progressMaximum, view.progressPosition);
    const QString fileName = pathToQString(view.fileName);
    if (EditFileName->text() != fileName)
        EditFileName->setText(fileName);
    EditFileName->setEnabled(view.fileNameEnabled);
    ButtonBrowse->setEnabled(view.fileNameEnabled);
    LabelVersion->setText(toQString(view.fileVersion));
    ButtonUpdate->setEnabled(view.updateEnabled);
    // While an update runs the unit is in its boot loader: it has no version to tell, and the one
    // thing to do is to let the update end or stop it.
    const bool updating = firmware_.state() != Firmware::State::Idle;
    ButtonCheckVersion->setEnabled(!updating);
    ButtonCancel->setEnabled(updating);
}

} // namespace zr48
