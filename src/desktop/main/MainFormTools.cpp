// The device tools' side of the main window: the dialogs of the downloader, uploader, firmware
// updater and display dump (their logic lives in DeviceTools), and the sector viewers and
// infrared scopes.

#include "base/Settings.h"
#include "desktop/infrared/IrScopeForm.h"
#include "desktop/main/MainForm.h"
#include "desktop/tools/DisplayDumpForm.h"
#include "desktop/tools/DownloaderForm.h"
#include "desktop/tools/FirmwareForm.h"
#include "desktop/tools/MemViewForm.h"
#include "desktop/tools/ToolDialog.h"
#include "desktop/tools/UploaderForm.h"

namespace zr48 {

// The factories of the sector viewer and the infrared scope (window id = window number).
void TMainForm::installToolWindows()
{
    setDocumentFactory(DocumentKind::SectorViewer,
                       [](Shell& shell, int windowNumber) { return new TMemViewForm(shell, windowNumber); });
    setDocumentFactory(DocumentKind::InfraredScope,
                       [](Shell& shell, int windowNumber) { return new TIrScopeForm(shell, windowNumber); });
}

void TMainForm::createDisplayDumpForm()
{
    dialogs_.DisplayDumpForm = new TDisplayDumpForm(tools_->displayDump, *this);
}

void TMainForm::createDownloaderForm()
{
    dialogs_.DownloaderForm = new TDownloaderForm(tools_->downloader, this);
}

void TMainForm::createFirmwareForm()
{
    dialogs_.FirmwareForm = new TFirmwareForm(tools_->firmware, *this, simulatedUnit_);
    // The default firmware file beside the program: the about box shows its version.
    tools_->firmware.FormCreate(dataDir_);
    // "OK" to the update recommendation shows the firmware dialog.
    tools_->firmware.onShowRequest = [this] { ActionUpdateFirmwareExecute(); };
}

void TMainForm::createUploaderForm()
{
    dialogs_.UploaderForm = new TUploaderForm(tools_->uploader, this);
}

void TMainForm::StartUpload(const std::string& projectPath)
{
    tools_->uploader.Start(projectPath, [this](const std::string& project) {
        guarded([this, &project] {
            OpenProjectWindow(project);
            rememberFile(project);
        });
        UpdateActions();
    });
}

// Shows FirmwareForm, not modal.
void TMainForm::ActionUpdateFirmwareExecute()
{
    showCentred(*dialogs_.FirmwareForm);
}

// Shows DisplayDumpForm, not modal.
void TMainForm::ActionDisplayDumpExecute()
{
    showCentred(*dialogs_.DisplayDumpForm);
}

void TMainForm::applyExpertToFirmwareForm()
{
    dialogs_.FirmwareForm->ApplyExpert();
}

} // namespace zr48
