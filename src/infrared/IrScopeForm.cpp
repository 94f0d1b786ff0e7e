#include "infrared/IrScopeForm.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/qt/QtText.h"
#include "infrared/IrCaptureFile.h"
#include "infrared/ScopeRaster.h"
#include "shell/FileChooser.h"
#include "shell/Shell.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>
#include <cstring>

namespace zr48 {

namespace {

QColor toQColor(Rgb colour)
{
    return {colour.r, colour.g, colour.b};
}

QPainter::CompositionMode compositionMode(PenMode mode)
{
    // The inverted pen ORed into what lies below.
    return mode == PenMode::Copy ? QPainter::CompositionMode_Source : QPainter::RasterOp_NotSourceOrDestination;
}

// The grid of the last size, painted once: most pictures start as a copy of it.
struct GridBackground {
    QImage picture;
    std::vector<Point> dots;
};

void startPicture(QImage& picture, const std::vector<Point>& dots, GridBackground& grid)
{
    if (dots.empty()) {
        picture.fill(Qt::black);
        return;
    }
    if (grid.picture.size() != picture.size() || grid.picture.devicePixelRatio() != picture.devicePixelRatio() ||
        grid.dots != dots) {
        grid.picture = QImage(picture.size(), picture.format());
        grid.picture.setDevicePixelRatio(picture.devicePixelRatio());
        grid.picture.fill(Qt::black);
        QPainter painter(&grid.picture);
        const QColor grey = toQColor(kScopeGrey);
        for (const Point& dot : dots)
            painter.fillRect(QRect(dot.x, dot.y, 1, 1), grey);
        grid.dots = dots;
    }
    std::memcpy(picture.bits(), grid.picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes()));
}

// Pixels of the view as whole numbers: the mouse's position floored, as the columns are.
int pixelOf(double coordinate)
{
    return static_cast<int>(std::floor(coordinate));
}

// While alive, the next message box appears with its top-left corner at the mouse (kept on the
// screen), as a question about what was just clicked.
class MessageAtCursor : public QObject {
public:
    MessageAtCursor() { qApp->installEventFilter(this); }
    ~MessageAtCursor() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(object);
        if (!box || event->type() != QEvent::Show)
            return false;
        qApp->removeEventFilter(this);
        QPoint at = QCursor::pos();
        if (const QScreen* screen = QGuiApplication::screenAt(at)) {
            const QRect area = screen->availableGeometry();
            const QSize size = box->frameGeometry().size().expandedTo(box->sizeHint());
            at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
            at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
        }
        // A box that was moved keeps its place instead of being centred.
        box->move(at);
        return false;
    }
};

// The window's client area, sized as the scope always opened.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {TIrScopeForm::kClientWidth, TIrScopeForm::kClientHeight}; }
};

} // namespace

void paintScopeView(QImage& picture, const ScopeViewDrawing& view, const ScopeMeasure* measure, const QFont& textFont)
{
    thread_local GridBackground grid;
    startPicture(picture, view.gridDots, grid);
    QPainter painter(&picture);
    std::vector<PixelRect> rects;
    PenMode mode = PenMode::Copy;
    painter.setCompositionMode(compositionMode(mode));
    for (const LineOp& line : view.lines) {
        if (line.mode != mode) {
            mode = line.mode;
            painter.setCompositionMode(compositionMode(mode));
        }
        rects.clear();
        appendLineRects(line, view.scale.width, view.scale.height, rects);
        const QColor colour = toQColor(line.colour);
        for (const PixelRect& r : rects)
            painter.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), colour);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (measure && !view.measure.timeText.empty()) {
        const QString text = toQString(view.measure.timeText);
        const QFontMetrics metrics(textFont, &picture);
        const QSize size(metrics.horizontalAdvance(text), metrics.height());
        const Point origin = measureTextOrigin(*measure, size.width(), size.height());
        const QRect box(QPoint(origin.x, origin.y), size);
        painter.fillRect(box, toQColor(kScopeGrey));
        painter.setFont(textFont);
        painter.setPen(toQColor(kMeasureTextWhite));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
}

// ---------------------------------------------------------------------------------------------
// The drawing areas.

TScopePaintBox::TScopePaintBox(QWidget* parent) : QWidget(parent)
{
    // The picture covers the whole box: nothing is erased first, so nothing flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMinimumSize(1, 1);
}

void TScopePaintBox::invalidate()
{
    outOfDate_ = true;
    update();
}

const QImage& TScopePaintBox::picture()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)), static_cast<int>(std::ceil(height() * ratio)));
    if (picture_.size() != pixels || picture_.devicePixelRatio() != ratio) {
        picture_ = QImage(pixels, QImage::Format_RGB32);
        picture_.setDevicePixelRatio(ratio);
        outOfDate_ = true;
    }
    if (outOfDate_) {
        outOfDate_ = false;
        if (onPaint)
            onPaint(picture_);
        else
            picture_.fill(Qt::black);
    }
    return picture_;
}

void TScopePaintBox::paintEvent(QPaintEvent*)
{
    const QImage& shown = picture();
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, shown);
}

void TScopePaintBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    outOfDate_ = true;
}

void TScopePaintBox::mousePressEvent(QMouseEvent* event)
{
    if (onMouseDown)
        onMouseDown(pixelOf(event->position().x()), pixelOf(event->position().y()), event->buttons());
}

void TScopePaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove)
        onMouseMove(pixelOf(event->position().x()), pixelOf(event->position().y()), event->buttons());
}

void TScopePaintBox::wheelEvent(QWheelEvent* event)
{
    // A wheel notch is 120 eighths of a degree; touch pads send smaller steps.
    constexpr int kNotch = 120;
    wheelEighths_ += event->angleDelta().y();
    const int notches = wheelEighths_ / kNotch;
    wheelEighths_ -= notches * kNotch;
    if (notches != 0 && onWheel)
        onWheel(pixelOf(event->position().x()), notches);
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// The window.

TIrScopeForm::TIrScopeForm(Shell& shell, int windowNumber, QWidget* parent)
    : TDocumentWindow(DocumentKind::InfraredScope, windowNumber, parent), shell_(shell),
      capture_(windowNumber, shell.send(), shell.timers()), view_(shell.prompt())
{
    setObjectName("IrScopeForm");
    setWindowTitle("Infrared Scope");
    buildControls();

    capture_.onCleared = [this] {
        view_.ResetMeasure();
        redrawViews();
        showState();
    };
    capture_.onRedraw = [this] {
        redrawViews();
        showState();
    };
    capture_.onFinished = [this] { showState(); };
    showState();
}

TIrScopeForm::~TIrScopeForm()
{
    capture_.onCleared = nullptr;
    capture_.onRedraw = nullptr;
    capture_.onFinished = nullptr;
}

void TIrScopeForm::buildControls()
{
    auto* client = new ClientArea(this);
    client->setMinimumSize(kMinClientWidth, kMinClientHeight);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Splitter1 = new QSplitter(Qt::Vertical, client);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    PaintBoxOverview = new TScopePaintBox(Splitter1);
    PaintBoxOverview->setObjectName("PaintBoxOverview");
    PaintBoxZoomView = new TScopePaintBox(Splitter1);
    PaintBoxZoomView->setObjectName("PaintBoxZoomView");
    PaintBoxZoomView->setMouseTracking(true); // the cursor line follows the mouse
    PaintBoxZoomView->setCursor(Qt::CrossCursor);
    Splitter1->addWidget(PaintBoxOverview);
    Splitter1->addWidget(PaintBoxZoomView);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kOverviewHeight, kClientHeight - kOverviewHeight - kSplitterWidth - kControlsHeight});
    layout->addWidget(Splitter1, 1);

    PaintBoxOverview->onPaint = [this](QImage& picture) { PaintBoxOverviewPaint(picture); };
    PaintBoxOverview->onMouseDown = [this](int x, int, Qt::MouseButtons buttons) { PaintBoxOverviewMouse(x, buttons); };
    PaintBoxOverview->onMouseMove = PaintBoxOverview->onMouseDown;
    PaintBoxZoomView->onPaint = [this](QImage& picture) { PaintBoxZoomViewPaint(picture); };
    PaintBoxZoomView->onMouseDown = [this](int x, int y, Qt::MouseButtons) { PaintBoxZoomViewMouseDown(x, y); };
    PaintBoxZoomView->onMouseMove = [this](int x, int y, Qt::MouseButtons) { PaintBoxZoomViewMouseMove(x, y); };
    PaintBoxZoomView->onWheel = [this](int x, int notches) { PaintBoxZoomViewWheel(x, notches); };

    auto* panel = new QWidget(client);
    panel->setObjectName("PanelControls");
    panel->setFixedHeight(kControlsHeight);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 2, 4, 4);
    row->setSpacing(4);
    layout->addWidget(panel);

    auto button = [](const char* name, const char* caption, QWidget* parent) {
        auto* b = new QPushButton(QString::fromUtf8(caption), parent);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    auto group = [&](const char* name, const char* caption) {
        auto* g = new QGroupBox(caption, panel);
        g->setObjectName(name);
        row->addWidget(g);
        return g;
    };

    QGroupBox* scale = group("GroupBox1", "Scale");
    auto* scaleRow = new QHBoxLayout(scale);
    ButtonHorizontalMinus = button("ButtonHorizontalMinus", "-", scale);
    LabelHorizontal = new QLabel(scale);
    LabelHorizontal->setObjectName("LabelHorizontal");
    LabelHorizontal->setAlignment(Qt::AlignCenter);
    // As wide as the widest label, so the buttons stay where they are.
    LabelHorizontal->setMinimumWidth(LabelHorizontal->fontMetrics().horizontalAdvance("100us/div") + 6);
    ButtonHorizontalPlus = button("ButtonHorizontalPlus", "+", scale);
    for (QPushButton* b : {ButtonHorizontalMinus, ButtonHorizontalPlus})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance("+") + 22);
    scaleRow->addWidget(ButtonHorizontalMinus);
    scaleRow->addWidget(LabelHorizontal, 1);
    scaleRow->addWidget(ButtonHorizontalPlus);

    QGroupBox* measure = group("GroupBox2", "Measure");
    auto* measureBox = new QVBoxLayout(measure);
    MeasureLabel = new QLabel(measure);
    MeasureLabel->setObjectName("MeasureLabel");
    MeasureLabel->setMinimumWidth(MeasureLabel->fontMetrics().horizontalAdvance(" 99999 us / 99.999 kHz") + 4);
    MeasureLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    measureBox->addWidget(MeasureLabel);

    QGroupBox* reference = group("GroupBox4", "Reference");
    auto* referenceBox = new QVBoxLayout(reference);
    CheckBoxShowReference = new QCheckBox("Show", reference);
    CheckBoxShowReference->setObjectName("CheckBoxShowReference");
    ButtonSaveReference = button("ButtonSaveReference", "Save", reference);
    referenceBox->addWidget(CheckBoxShowReference);
    referenceBox->addWidget(ButtonSaveReference);

    QGroupBox* analyser = group("GroupBox3", "Analyser");
    row->setStretchFactor(analyser, 1);
    auto* analyserBox = new QVBoxLayout(analyser);
    EditAnalyser = new QLineEdit(analyser);
    EditAnalyser->setObjectName("EditAnalyser");
    EditAnalyser->setReadOnly(true);
    EditAnalyser->setMinimumWidth(60);
    ButtonAnalyserCopy = button("ButtonAnalyserCopy", "Copy", analyser);
    analyserBox->addWidget(EditAnalyser);
    analyserBox->addWidget(ButtonAnalyserCopy, 0, Qt::AlignRight);

    auto* files = new QVBoxLayout;
    files->setSpacing(2);
    ButtonOpenCapture = button("ButtonOpenCapture", "Open capture…", panel);
    ButtonSaveCapture = button("ButtonSaveCapture", "Save capture…", panel);
    ButtonSavePicture = button("ButtonSavePicture", "Save picture…", panel);
    for (QPushButton* b : {ButtonOpenCapture, ButtonSaveCapture, ButtonSavePicture})
        files->addWidget(b);
    files->setContentsMargins(0, 6, 0, 0);
    row->addLayout(files);

    ButtonCapture = button("ButtonCapture", "Capture", panel);
    QFont large = ButtonCapture->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    ButtonCapture->setFont(large);
    ButtonCapture->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    ButtonCapture->setMinimumWidth(QFontMetrics(large).horizontalAdvance("Capture") + 24);
    row->addWidget(ButtonCapture);

    connect(ButtonCapture, &QPushButton::clicked, this, &TIrScopeForm::ButtonCaptureClick);
    connect(ButtonHorizontalMinus, &QPushButton::clicked, this, &TIrScopeForm::ButtonHorizontalMinusClick);
    connect(ButtonHorizontalPlus, &QPushButton::clicked, this, &TIrScopeForm::ButtonHorizontalPlusClick);
    connect(CheckBoxShowReference, &QCheckBox::toggled, this, &TIrScopeForm::CheckBoxShowReferenceClick);
    connect(ButtonSaveReference, &QPushButton::clicked, this, &TIrScopeForm::ButtonSaveReferenceClick);
    connect(ButtonAnalyserCopy, &QPushButton::clicked, this, &TIrScopeForm::ButtonAnalyserCopyClick);
    connect(ButtonOpenCapture, &QPushButton::clicked, this, &TIrScopeForm::ButtonOpenCaptureClick);
    connect(ButtonSaveCapture, &QPushButton::clicked, this, &TIrScopeForm::ButtonSaveCaptureClick);
    connect(ButtonSavePicture, &QPushButton::clicked, this, &TIrScopeForm::ButtonSavePictureClick);

    setWidget(client);
    // The measuring text's 10 points at this screen's resolution.
    measureFont_ = font();
    measureFont_.setPixelSize(static_cast<int>(std::lround(kMeasureFontPoints * client->logicalDpiY() / 72.0)));
}

void TIrScopeForm::HandleFrame(const std::uint8_t* payload, int length)
{
    capture_.HandleFrame(payload, length);
}

void TIrScopeForm::showEvent(QShowEvent* event)
{
    TDocumentWindow::showEvent(event);
    if (event->spontaneous())
        return;
    view_.Show();
    redrawViews();
    showState();
}

// ---------------------------------------------------------------------------------------------
// Buttons.

void TIrScopeForm::ButtonCaptureClick()
{
    capture_.ButtonCaptureClick();
}

void TIrScopeForm::ButtonHorizontalMinusClick()
{
    view_.ButtonHorizontalMinusClick();
    redrawViews();
    showState();
}

void TIrScopeForm::ButtonHorizontalPlusClick()
{
    view_.ButtonHorizontalPlusClick();
    redrawViews();
    showState();
}

void TIrScopeForm::CheckBoxShowReferenceClick()
{
    view_.SetShowReference(CheckBoxShowReference->isChecked());
    PaintBoxOverview->invalidate();
    PaintBoxZoomView->invalidate();
}

void TIrScopeForm::ButtonSaveReferenceClick()
{
    bool saved = false;
    {
        MessageAtCursor place;
        saved = view_.ButtonSaveReferenceClick(capture_.Buffer());
    }
    if (!saved)
        return;
    CheckBoxShowReference->setChecked(true);
    PaintBoxOverview->invalidate();
    PaintBoxZoomView->invalidate();
}

void TIrScopeForm::ButtonAnalyserCopyClick()
{
    EditAnalyser->selectAll();
    EditAnalyser->copy();
}

std::optional<std::string> TIrScopeForm::askFile(bool save, const char* title, const char* filter,
                                                 const char* extension, const char* fileName)
{
    const FileDialogRequest request{title, filter, extension, lastFolder_, fileName};
    auto path = save ? shell_.fileChooser().saveFile(request) : shell_.fileChooser().openFile(request);
    if (path)
        lastFolder_ = extractFilePath(*path);
    return path;
}

namespace {

constexpr const char* kCaptureFilter = "Infrared Captures (*.bin)|*.bin|All Files (*.*)|*.*";

} // namespace

void TIrScopeForm::ButtonOpenCaptureClick()
{
    const auto path = askFile(false, "Open capture", kCaptureFilter, ".bin", "");
    if (!path)
        return;
    try {
        const CaptureFile file = readCaptureFile(*path);
        capture_.LoadCapture(std::span<const std::uint8_t>(file.buffer->data(), static_cast<std::size_t>(file.bytes)));
    } catch (const Error& e) {
        shell_.prompt().error(e.message());
        return;
    }
    view_.ResetMeasure();
    redrawViews();
    showState();
}

void TIrScopeForm::ButtonSaveCaptureClick()
{
    if (capture_.ReceivedBytes() == 0)
        return;
    const auto path = askFile(true, "Save capture", kCaptureFilter, ".bin", "capture.bin");
    if (!path)
        return;
    try {
        writeCaptureFile(*path, capture_.Buffer(), capture_.ReceivedBytes());
    } catch (const Error& e) {
        shell_.prompt().error(e.message());
    }
}

void TIrScopeForm::ButtonSavePictureClick()
{
    const auto path = askFile(true, "Save picture", "PNG Pictures (*.png)|*.png", ".png", "scope.png");
    if (!path)
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    zoomPicture().save(&buffer, "PNG");
    try {
        writeFileAtomically(*path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    } catch (const Error& e) {
        shell_.prompt().error(e.message());
    }
}

// ---------------------------------------------------------------------------------------------
// The views.

const QImage& TIrScopeForm::overviewPicture()
{
    return PaintBoxOverview->picture();
}

const QImage& TIrScopeForm::zoomPicture()
{
    return PaintBoxZoomView->picture();
}

void TIrScopeForm::redrawViews()
{
    PaintBoxZoomView->invalidate();
    PaintBoxOverview->invalidate();
}

void TIrScopeForm::PaintBoxZoomViewPaint(QImage& picture)
{
    const ScopeViewDrawing drawing = view_.DrawZoomView(PaintBoxZoomView->width(), PaintBoxZoomView->height(),
                                                        capture_.Buffer(), capture_.ValidSamples(), decimalSeparator());
    paintScopeView(picture, drawing, &view_.Measure(), measureFont_);
}

void TIrScopeForm::PaintBoxOverviewPaint(QImage& picture)
{
    // The brackets show where the zoomed view lies as it is shown now.
    PaintBoxZoomView->picture();
    const ScopeViewDrawing drawing = view_.DrawOverview(PaintBoxOverview->width(), PaintBoxOverview->height(),
                                                        capture_.Buffer(), capture_.ValidSamples());
    paintScopeView(picture, drawing, nullptr, measureFont_);
}

void TIrScopeForm::PaintBoxOverviewMouse(int x, Qt::MouseButtons buttons)
{
    PaintBoxOverview->picture(); // the overview's scale as shown
    if (view_.OverviewMouse(x, buttons.testFlag(Qt::LeftButton)))
        redrawViews();
}

void TIrScopeForm::PaintBoxZoomViewMouseDown(int x, int y)
{
    PaintBoxZoomView->picture(); // the zoomed view's scale as shown
    view_.ZoomMouseDown(x, y, capture_.Buffer());
    PaintBoxZoomView->invalidate();
    showState();
}

void TIrScopeForm::PaintBoxZoomViewMouseMove(int x, int y)
{
    PaintBoxZoomView->picture();
    view_.ZoomMouseMove(x, y, capture_.Buffer());
    PaintBoxZoomView->invalidate();
    showState();
}

void TIrScopeForm::PaintBoxZoomViewWheel(int x, int notches)
{
    PaintBoxZoomView->picture();
    if (!view_.ZoomWheel(x, notches))
        return;
    redrawViews();
    showState();
}

char TIrScopeForm::decimalSeparator() const
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x80 ? static_cast<char>(point.at(0).unicode()) : '.';
}

void TIrScopeForm::showState()
{
    LabelHorizontal->setText(QString::fromLatin1(view_.ScaleLabel()));
    const std::size_t row = static_cast<std::size_t>(view_.ScaleIndex());
    MeasureLabel->setText(
        toQString(measureText(view_.Measure(), kScaleTable[row].secondsPerDivision, decimalSeparator()).label));
    // Set only when it changed, so that a selection in it stays while the mouse moves.
    const QString analysed = toQString(view_.AnalyserText());
    if (EditAnalyser->text() != analysed)
        EditAnalyser->setText(analysed);
    const bool idle = capture_.CaptureEnabled();
    ButtonCapture->setEnabled(idle);
    ButtonOpenCapture->setEnabled(idle);
    ButtonSaveCapture->setEnabled(idle && capture_.ReceivedBytes() > 0);
}

} // namespace zr48
