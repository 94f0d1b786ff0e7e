#include "tools/UploaderForm.h"

#include "base/qt/QtText.h"
#include "tools/ToolDialog.h"
#include "tools/Uploader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zr48 {

namespace {

// Wide enough for the longest state text, so that the dialog keeps its size.
constexpr int kWidth = 360;

} // namespace

TUploaderForm::TUploaderForm(TUploader& uploader, QWidget* mainWindow)
    : QDialog(mainWindow, toolDialogFlags(TitleBarButtons::None)), uploader_(uploader)
{
    setObjectName("UploaderForm");
    setWindowTitle("ZR48 Uploader");
    setModal(false);

    Label = new QLabel(this);
    Label->setObjectName("Label");
    makeStateLabel(*Label);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setAutoDefault(false);
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { uploader_.ButtonCancelClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(ProgressBar);
    layout->addLayout(buttons);
    setFixedSize(QSize(kWidth, sizeHint().height()));

    uploader_.OnViewChanged = [this] { render(); };
    render();
}

TUploaderForm::~TUploaderForm()
{
    uploader_.OnViewChanged = nullptr;
}

void TUploaderForm::reject()
{
    uploader_.ButtonCancelClick();
}

void TUploaderForm::render()
{
    const UploaderView& view = uploader_.View();
    Label->setText(toQString(view.Label));
    setProgress(*ProgressBar, view.ProgressMax, view.ProgressPosition);
    ButtonCancel->setEnabled(view.ButtonCancelEnabled);
    if (view.Visible && !isVisible())
        showCentred(*this);
    else if (!view.Visible)
        hide();
}

} // namespace zr48
