// The device tools' side of the main window: the dialogs of the downloader, uploader, firmware
// updater and display dump (their logic lives in DeviceTools), and the sector viewers and
// infrared scopes.

#include "base/Settings.h"
#include "desktop/infrared/IrScopeForm.h"
#include "desktop/main/MainForm.h"
#include "desktop/main/MdiLayout.h"
#include "desktop/tools/DisplayDumpForm.h"
#include "desktop/tools/DownloaderForm.h"
#include "desktop/tools/FirmwareForm.h"
#include "desktop/tools/MemViewForm.h"
#include "desktop/tools/ToolDialog.h"
#include "desktop/tools/UploaderForm.h"

#include <QScreen>

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

// The program's shortcuts (Ctrl+P, Ctrl+O, ...) work while a tool dialog, which the user works
// beside, has the focus; the modal dialogs keep their keys to themselves.
void TMainForm::shareShortcutsWithToolDialogs()
{
    const QList<QAction*> shortcuts(actions_.begin(), actions_.end());
    for (QDialog* tool : std::initializer_list<QDialog*>{dialogs_.DisplayDumpForm, dialogs_.DownloaderForm,
                                                         dialogs_.FirmwareForm, dialogs_.UploaderForm})
        tool->addActions(shortcuts);
}

namespace {

Rect toRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// The frame a window will have: a window that the window manager has not framed yet is taken to
// get the frame of `framed`.
QRect frameOf(const QWidget& window, const QWidget& framed)
{
    if (window.frameGeometry() != window.geometry())
        return window.frameGeometry();
    const QRect frame = framed.frameGeometry();
    const QRect inner = framed.geometry();
    return window.geometry().adjusted(frame.left() - inner.left(), frame.top() - inner.top(),
                                      frame.right() - inner.right(), frame.bottom() - inner.bottom());
}

} // namespace

void TMainForm::keepTransferDialogsInSight(const QWidget& shown)
{
    const bool updating = tools_->firmware.state() != Firmware::State::Idle;
    for (QDialog* transfer : std::initializer_list<QDialog*>{dialogs_.DownloaderForm, dialogs_.UploaderForm,
                                                             updating ? dialogs_.FirmwareForm : nullptr}) {
        if (!transfer || transfer == &shown || !transfer->isVisible())
            continue;
        const QScreen* screen = transfer->screen();
        if (!screen)
            continue;
        const Rect place = outOfTheWay(toRect(transfer->frameGeometry()), toRect(frameOf(shown, *transfer)),
                                       toRect(screen->availableGeometry()));
        transfer->move(place.x, place.y); // a window's position is that of its frame
    }
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
