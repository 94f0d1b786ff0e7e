#include "desktop/tools/DownloaderForm.h"

#include "base/qt/QtText.h"
#include "desktop/tools/ToolDialog.h"
#include "tools/Downloader.h"

#include <QPushButton>

namespace zr48 {

TDownloaderForm::TDownloaderForm(TDownloader& downloader, QWidget* mainWindow)
    : QDialog(mainWindow, toolDialogFlags(TitleBarButtons::None)), downloader_(downloader)
{
    setObjectName("DownloaderForm");
    setWindowTitle("ZR48 Downloader");
    setModal(false);

    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonOK = new QPushButton("OK", this);
    ButtonOK->setObjectName("ButtonOK");
    // Enter closes the dialog once the download has finished (OK is enabled only then); it never
    // cancels a running one.
    ButtonOK->setDefault(true);
    ButtonCancel->setAutoDefault(false);
    // Cancel stops a running download only when the user agrees; OK closes the finished one.
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { downloader_.RequestStop(); });
    connect(ButtonOK, &QPushButton::clicked, this, [this] { downloader_.Close(); });

    const TransferWidgets widgets = layOutTransferDialog(*this, {ButtonOK, ButtonCancel});
    Label = widgets.label;
    ProgressBar = widgets.progressBar;

    downloader_.OnViewChanged = [this] { render(); };
    render();
}

TDownloaderForm::~TDownloaderForm()
{
    downloader_.OnViewChanged = nullptr;
}

void TDownloaderForm::reject()
{
    downloader_.RequestStop();
}

void TDownloaderForm::render()
{
    const DownloaderView& view = downloader_.View();
    renderTransfer({Label, ProgressBar}, toQString(view.Label), view.ProgressMax, view.ProgressPosition);
    ButtonCancel->setEnabled(view.ButtonCancelEnabled);
    const bool finished = view.ButtonOkEnabled && !ButtonOK->isEnabled();
    ButtonOK->setEnabled(view.ButtonOkEnabled);
    if (finished)
        ButtonOK->setFocus();
    showOrHide(*this, view.Visible);
}

} // namespace zr48
