// The device tools' side of the main window: the dialogs of the downloader, uploader, firmware
// updater and display dump (their logic lives in DeviceTools), and the sector viewers and
// infrared scopes. Until those windows exist, placeholders take the dialogs' places, and the
// commands that would show them do nothing.

#include "infrared/IrScopeForm.h"
#include "shell/MainForm.h"
#include "shell/PlaceholderForm.h"

namespace zr48 {

// The factories of the sector viewer and the infrared scope (window id = window number).
void TMainForm::installToolWindows()
{
    setDocumentFactory(DocumentKind::InfraredScope,
                       [](Shell& shell, int windowNumber) { return new TIrScopeForm(shell, windowNumber); });
}

void TMainForm::createDisplayDumpForm()
{
    dialogs_.DisplayDumpForm = new TPlaceholderForm("DisplayDumpForm", this);
}

void TMainForm::createDownloaderForm()
{
    dialogs_.DownloaderForm = new TPlaceholderForm("DownloaderForm", this);
}

void TMainForm::createFirmwareForm()
{
    dialogs_.FirmwareForm = new TPlaceholderForm("FirmwareForm", this);
    // The default firmware file beside the program: the about box shows its version.
    tools_->firmware.FormCreate(dataDir_);
    // "OK" to the update recommendation shows the firmware dialog.
    tools_->firmware.onShowRequest = [this] { ActionUpdateFirmwareExecute(); };
}

void TMainForm::createUploaderForm()
{
    dialogs_.UploaderForm = new TPlaceholderForm("UploaderForm", this);
}

// Shows FirmwareForm, not modal.
void TMainForm::ActionUpdateFirmwareExecute() {}

// Shows DisplayDumpForm, not modal.
void TMainForm::ActionDisplayDumpExecute() {}

void TMainForm::applyExpertToFirmwareForm() {}

} // namespace zr48
