#include "tools/DownloaderForm.h"

#include "base/qt/QtText.h"
#include "tools/Downloader.h"
#include "tools/ToolDialog.h"

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

TDownloaderForm::TDownloaderForm(TDownloader& downloader, QWidget* mainWindow)
    : QDialog(mainWindow, toolDialogFlags(TitleBarButtons::None)), downloader_(downloader)
{
    setObjectName("DownloaderForm");
    setWindowTitle("ZR48 Downloader");
    setModal(false);

    Label = new QLabel(this);
    Label->setObjectName("Label");
    makeStateLabel(*Label);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonOK = new QPushButton("OK", this);
    ButtonOK->setObjectName("ButtonOK");
    // Enter closes the dialog once the download has finished (OK is enabled only then); it never
    // cancels a running one.
    ButtonOK->setDefault(true);
    ButtonCancel->setAutoDefault(false);
    // Both buttons close the dialog through the one handler.
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { downloader_.ButtonCancelClick(); });
    connect(ButtonOK, &QPushButton::clicked, this, [this] { downloader_.ButtonCancelClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(ProgressBar);
    layout->addLayout(buttons);
    setFixedSize(QSize(kWidth, sizeHint().height()));

    downloader_.OnViewChanged = [this] { render(); };
    render();
}

TDownloaderForm::~TDownloaderForm()
{
    downloader_.OnViewChanged = nullptr;
}

void TDownloaderForm::reject()
{
    downloader_.ButtonCancelClick();
}

void TDownloaderForm::render()
{
    const DownloaderView& view = downloader_.View();
    Label->setText(toQString(view.Label));
    setProgress(*ProgressBar, view.ProgressMax, view.ProgressPosition);
    ButtonCancel->setEnabled(view.ButtonCancelEnabled);
    const bool finished = view.ButtonOkEnabled && !ButtonOK->isEnabled();
    ButtonOK->setEnabled(view.ButtonOkEnabled);
    if (finished)
        ButtonOK->setFocus();
    if (view.Visible && !isVisible())
        showCentred(*this);
    else if (!view.Visible)
        hide();
}

} // namespace zr48
