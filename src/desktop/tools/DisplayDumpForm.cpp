#include "desktop/tools/DisplayDumpForm.h"

#include "base/Prompt.h"
#include "desktop/common/FileChooser.h"
#include "desktop/common/PictureFile.h"
#include "desktop/common/Shell.h"
#include "desktop/tools/ToolDialog.h"
#include "tools/DisplayDump.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace zr48 {

namespace {

// The picture as an image of its own size: dark pixels black, the others white.
QImage displayImage(const DisplayPicture& picture)
{
    QImage image(DisplayPicture::kWidth, DisplayPicture::kHeight, QImage::Format_RGB32);
    for (int y = 0; y < DisplayPicture::kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < DisplayPicture::kWidth; ++x)
            line[x] = picture.dark(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    return image;
}

} // namespace

TDisplayDumpForm::TDisplayDumpForm(DisplayDump& dump, Shell& shell)
    : QDialog(shell.mainWindow(), toolDialogFlags(TitleBarButtons::Close)), dump_(dump), shell_(shell)
{
    setObjectName("DisplayDumpForm");
    setWindowTitle("ZR48 Display Dump");
    setModal(false);

    Panel = new QFrame(this);
    Panel->setObjectName("Panel");
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Sunken);
    Image = new QLabel(Panel);
    Image->setObjectName("Image");

    CheckBoxRemoveUsbIcon = new QCheckBox("Remove USB Icon", this);
    CheckBoxRemoveUsbIcon->setObjectName("CheckBoxRemoveUsbIcon");
    CheckBoxDrawDisplayBorder = new QCheckBox("Draw Display Border", this);
    CheckBoxDrawDisplayBorder->setObjectName("CheckBoxDrawDisplayBorder");
    ButtonRefresh = new QPushButton("Refresh", this);
    ButtonRefresh->setObjectName("ButtonRefresh");
    ButtonClip = new QPushButton("Copy to Clipboard", this);
    ButtonClip->setObjectName("ButtonClip");
    ButtonSavePicture = new QPushButton("Save picture\u2026", this);
    ButtonSavePicture->setObjectName("ButtonSavePicture");
    for (QPushButton* button : {ButtonRefresh, ButtonClip, ButtonSavePicture})
        button->setAutoDefault(false);

    auto* controls = new QVBoxLayout;
    controls->addWidget(CheckBoxRemoveUsbIcon);
    controls->addWidget(CheckBoxDrawDisplayBorder);
    controls->addStretch(1);
    controls->addWidget(ButtonRefresh);
    controls->addWidget(ButtonClip);
    controls->addWidget(ButtonSavePicture);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Panel, 0, Qt::AlignTop);
    layout->addLayout(controls);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CheckBoxRemoveUsbIcon, &QCheckBox::clicked, this,
            [this](bool checked) { dump_.CheckBoxRemoveUsbIconClick(checked); });
    connect(CheckBoxDrawDisplayBorder, &QCheckBox::clicked, this,
            [this](bool checked) { dump_.CheckBoxDrawDisplayBorderClick(checked); });
    connect(ButtonRefresh, &QPushButton::clicked, this, [this] { dump_.ButtonRefreshClick(); });
    connect(ButtonClip, &QPushButton::clicked, this, [this] { dump_.ButtonClipClick(); });
    connect(ButtonSavePicture, &QPushButton::clicked, this, &TDisplayDumpForm::ButtonSavePictureClick);

    dump_.onCopyToClipboard = [](const DisplayPicture& picture) {
        QGuiApplication::clipboard()->setImage(displayImage(picture));
    };
    dump_.OnViewChanged = [this] { render(); };
    render();
}

TDisplayDumpForm::~TDisplayDumpForm()
{
    dump_.OnViewChanged = nullptr;
    dump_.onCopyToClipboard = nullptr;
}

int TDisplayDumpForm::devicePixelsPerPixel() const
{
    return std::max(1, static_cast<int>(std::lround(kZoom * devicePixelRatioF())));
}

void TDisplayDumpForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // On a screen of another scale factor the picture is drawn again, as crisp as before.
    if (QWindow* window = windowHandle(); window && !screenWatched_) {
        screenWatched_ = true;
        connect(window, &QWindow::screenChanged, this, [this] { render(); });
    }
    dump_.FormShow();
}

void TDisplayDumpForm::reject()
{
    QDialog::reject();
    dump_.FormClose();
}

void TDisplayDumpForm::ButtonSavePictureClick()
{
    FileDialogRequest request;
    request.title = "Save picture";
    request.filter = kPictureFilter;
    request.defaultExtension = ".png";
    request.fileName = "ZR48 display.png";
    const auto path = shell_.fileChooser().saveFile(request);
    if (!path)
        return;
    writePicture(displayImage(dump_.view().picture), *path, shell_.prompt());
}

void TDisplayDumpForm::render()
{
    const DisplayDumpView& view = dump_.view();
    CheckBoxRemoveUsbIcon->setChecked(view.removeUsbIcon);
    CheckBoxDrawDisplayBorder->setChecked(view.drawDisplayBorder);
    // Whole screen pixels per picture pixel, copied without smoothing.
    const int scale = devicePixelsPerPixel();
    QPixmap pixmap = QPixmap::fromImage(displayImage(view.picture)
                                            .scaled(DisplayPicture::kWidth * scale, DisplayPicture::kHeight * scale,
                                                    Qt::IgnoreAspectRatio, Qt::FastTransformation));
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    Image->setPixmap(pixmap);
    // The sunken panel keeps the picture's place while the picture is hidden.
    const int frame = Panel->frameWidth();
    Image->setGeometry(QRect(QPoint(frame, frame), pixmap.deviceIndependentSize().toSize()));
    Panel->setFixedSize(Image->size() + QSize(2 * frame, 2 * frame));
    Image->setVisible(view.pictureVisible);
}

} // namespace zr48
