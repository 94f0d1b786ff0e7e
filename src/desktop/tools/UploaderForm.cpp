#include "desktop/tools/UploaderForm.h"

#include "base/qt/QtText.h"
#include "desktop/tools/ToolDialog.h"
#include "tools/Uploader.h"

#include <QPushButton>

namespace zr48 {

TUploaderForm::TUploaderForm(TUploader& uploader, QWidget* mainWindow)
    : QDialog(mainWindow, toolDialogFlags(TitleBarButtons::None)), uploader_(uploader)
{
    setObjectName("UploaderForm");
    setWindowTitle("ZR48 Uploader");
    setModal(false);

    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setAutoDefault(false);
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { uploader_.Cancel(); });

    const TransferWidgets widgets = layOutTransferDialog(*this, {ButtonCancel});
    Label = widgets.label;
    ProgressBar = widgets.progressBar;

    uploader_.OnViewChanged = [this] { render(); };
    render();
}

TUploaderForm::~TUploaderForm()
{
    uploader_.OnViewChanged = nullptr;
}

void TUploaderForm::reject()
{
    uploader_.Cancel();
}

void TUploaderForm::render()
{
    const UploaderView& view = uploader_.View();
    renderTransfer({Label, ProgressBar}, toQString(view.Label), view.ProgressMax, view.ProgressPosition);
    ButtonCancel->setEnabled(view.ButtonCancelEnabled);
    showOrHide(*this, view.Visible);
}

} // namespace zr48
