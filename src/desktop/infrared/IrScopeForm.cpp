#include "desktop/infrared/IrScopeForm.h"

#include "base/Error.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "base/qt/QtText.h"
#include "desktop/common/FileChooser.h"
#include "desktop/common/PictureFile.h"
#include "desktop/common/Shell.h"
#include "infrared/IrCaptureFile.h"
#include "infrared/ScopeRaster.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zr48 {

namespace {

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

// The measure text as the label shows it: on two lines when narrow, time above frequency, so
// its spaces do not break except the one after "/".
QString measureLabelText(const Text& text)
{
    QString shown = toQString(text);
    const qsizetype breakAt = shown.indexOf(QLatin1Char('/')) + 1;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (shown[i] == QLatin1Char(' ') && (breakAt == 0 || i != breakAt))
            shown[i] = QChar(0x00A0);
    return shown;
}

// The window's client area, sized as the scope always opened.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {TIrScopeForm::kClientWidth, TIrScopeForm::kClientHeight}; }
};

} // namespace

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

    PaintBoxOverview->onPaint = [this](QImage& picture, bool) { return PaintBoxOverviewPaint(picture); };
    PaintBoxOverview->onMouseDown = [this](int x, int, Qt::MouseButtons buttons) { PaintBoxOverviewMouse(x, buttons); };
    PaintBoxOverview->onMouseMove = PaintBoxOverview->onMouseDown;
    PaintBoxZoomView->onPaint = [this](QImage& picture, bool measurementOnly) {
        return PaintBoxZoomViewPaint(picture, measurementOnly);
    };
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
    // Close margins, so that every control fits into the narrowest window.
    auto tight = [](QBoxLayout* box) {
        box->setContentsMargins(6, 4, 6, 4);
        box->setSpacing(4);
        return box;
    };
    // A sunken frame on the field's background for a text that changes often.
    auto fieldFrame = [](QWidget* parent) {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        frame->setBackgroundRole(QPalette::Base);
        frame->setAutoFillBackground(true);
        frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        auto* inside = new QHBoxLayout(frame);
        inside->setContentsMargins(1, 1, 1, 1);
        return frame;
    };
    // Buttons may be narrower than the style's usual minimum.
    auto narrow = [](QPushButton* b) {
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 20);
        return b;
    };

    QGroupBox* scale = group("GroupBox1", "Scale");
    auto* scaleRow = new QHBoxLayout(scale);
    tight(scaleRow);
    ButtonHorizontalMinus = button("ButtonHorizontalMinus", "-", scale);
    LabelHorizontal = new QLabel(scale);
    LabelHorizontal->setObjectName("LabelHorizontal");
    LabelHorizontal->setAlignment(Qt::AlignCenter);
    // As wide as the widest label, so the buttons stay where they are.
    LabelHorizontal->setMinimumWidth(LabelHorizontal->fontMetrics().horizontalAdvance("100us/div") + 6);
    ButtonHorizontalPlus = button("ButtonHorizontalPlus", "+", scale);
    for (QPushButton* b : {ButtonHorizontalMinus, ButtonHorizontalPlus})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance("+") + 16);
    scaleRow->addWidget(ButtonHorizontalMinus);
    scaleRow->addWidget(LabelHorizontal, 1);
    scaleRow->addWidget(ButtonHorizontalPlus);

    QGroupBox* measure = group("GroupBox2", "Measure");
    auto* measureBox = new QVBoxLayout(measure);
    tight(measureBox);
    // A readout: the text changes at every mouse move, so it lies in a frame drawn once and
    // paints its own background, and the group box around it need not repaint each time.
    QFrame* readout = fieldFrame(measure);
    MeasureLabel = new QLabel(readout);
    MeasureLabel->setObjectName("MeasureLabel");
    MeasureLabel->setAutoFillBackground(true);
    // A fixed size, so the layout around it never has to change; two lines, time above
    // frequency (see measureLabelText), so that the window keeps its narrowest width.
    const QFontMetrics metrics = MeasureLabel->fontMetrics();
    MeasureLabel->setWordWrap(true);
    MeasureLabel->setFixedSize(
        std::max({metrics.horizontalAdvance(" 9999999 us /"), metrics.horizontalAdvance("99.999 kHz"),
                  metrics.horizontalAdvance("Click to measure")}) +
            2,
        metrics.lineSpacing() * 2 + 2);
    readout->layout()->addWidget(MeasureLabel);
    measureBox->addWidget(readout);

    QGroupBox* reference = group("GroupBox4", "Reference");
    auto* referenceBox = new QVBoxLayout(reference);
    tight(referenceBox);
    CheckBoxShowReference = new QCheckBox("Show", reference);
    CheckBoxShowReference->setObjectName("CheckBoxShowReference");
    ButtonSaveReference = narrow(button("ButtonSaveReference", "Save", reference));
    referenceBox->addWidget(CheckBoxShowReference);
    referenceBox->addWidget(ButtonSaveReference);

    QGroupBox* analyser = group("GroupBox3", "Analyser");
    row->setStretchFactor(analyser, 1);
    auto* analyserBox = new QVBoxLayout(analyser);
    tight(analyserBox);
    // Its text changes at every mouse move too: a field in a frame drawn once.
    QFrame* analyserFrame = fieldFrame(analyser);
    EditAnalyser = new QLineEdit(analyserFrame);
    EditAnalyser->setObjectName("EditAnalyser");
    EditAnalyser->setReadOnly(true);
    EditAnalyser->setFrame(false);
    EditAnalyser->setAutoFillBackground(true);
    EditAnalyser->setMinimumWidth(60);
    analyserFrame->layout()->addWidget(EditAnalyser);
    ButtonAnalyserCopy = narrow(button("ButtonAnalyserCopy", "Copy", analyser));
    // Beside Copy, what the decoder reads in the span: a line that may be cut, never widening the
    // window.
    LabelProtocol = new QLabel(analyser);
    LabelProtocol->setObjectName("LabelProtocol");
    LabelProtocol->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelProtocol->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* analyserRow = new QHBoxLayout;
    analyserRow->setContentsMargins(0, 0, 0, 0);
    analyserRow->addWidget(LabelProtocol, 1);
    analyserRow->addWidget(ButtonAnalyserCopy);
    analyserBox->addWidget(analyserFrame);
    analyserBox->addLayout(analyserRow);

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
    large.setPointSizeF(large.pointSizeF() * 1.4);
    large.setBold(true);
    ButtonCapture->setFont(large);
    ButtonCapture->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    ButtonCapture->setMinimumWidth(QFontMetrics(large).horizontalAdvance("Capture") + 16);
    row->addWidget(ButtonCapture);
    // The narrowest window still shows every control whole, also with fonts wider than usual.
    client->setMinimumSize(QSize(kMinClientWidth, kMinClientHeight).expandedTo(layout->minimumSize()));

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
    if (event->spontaneous() || changingState_)
        return;
    view_.Show();
    redrawViews();
    showState();
}

void TIrScopeForm::changeEvent(QEvent* event)
{
    // The workspace hides and shows a window while it maximizes, restores or minimizes it; that is
    // no new showing, which would reset the scale and the measurement.
    const bool stateChange = event->type() == QEvent::WindowStateChange;
    const bool outer = !changingState_;
    if (stateChange)
        changingState_ = true;
    TDocumentWindow::changeEvent(event);
    if (stateChange && outer)
        changingState_ = false;
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
    const auto path = askFile(true, "Save picture", kPictureFilter, ".png", "scope.png");
    if (!path)
        return;
    writePicture(zoomPicture(), *path, shell_.prompt());
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

QRegion TIrScopeForm::PaintBoxZoomViewPaint(QImage& picture, bool measurementOnly)
{
    if (measurementOnly)
        view_.DrawMeasurement(zoomDrawing_, decimalSeparator());
    else
        zoomDrawing_ = view_.DrawZoomView(PaintBoxZoomView->width(), PaintBoxZoomView->height(), capture_.Buffer(),
                                          capture_.ValidSamples(), decimalSeparator());
    return zoomPainter_.paint(picture, zoomDrawing_, &view_.Measure(), measureFont_);
}

QRegion TIrScopeForm::PaintBoxOverviewPaint(QImage& picture)
{
    // The brackets show where the zoomed view lies as it is shown now.
    PaintBoxZoomView->picture();
    const ScopeViewDrawing drawing = view_.DrawOverview(PaintBoxOverview->width(), PaintBoxOverview->height(),
                                                        capture_.Buffer(), capture_.ValidSamples());
    return overviewPainter_.paint(picture, drawing, nullptr, measureFont_);
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
    PaintBoxZoomView->repaintMeasurement();
    showState();
}

void TIrScopeForm::PaintBoxZoomViewMouseMove(int x, int y)
{
    PaintBoxZoomView->picture();
    view_.ZoomMouseMove(x, y, capture_.Buffer());
    PaintBoxZoomView->repaintMeasurement();
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
        measureLabelText(measureText(view_.Measure(), kScaleTable[row].secondsPerDivision, decimalSeparator()).label));
    // Set only when it changed, so that a selection in it stays while the mouse moves.
    const QString analysed = toQString(view_.AnalyserText());
    if (EditAnalyser->text() != analysed) {
        EditAnalyser->setText(analysed);
        EditAnalyser->setCursorPosition(0); // the text from its start
    }
    const QString protocol = QString::fromStdString(view_.ProtocolText());
    if (LabelProtocol->text() != protocol) {
        LabelProtocol->setText(protocol);
        LabelProtocol->setToolTip(protocol);
    }
    const bool idle = capture_.CaptureEnabled();
    ButtonCapture->setEnabled(idle);
    ButtonOpenCapture->setEnabled(idle);
    ButtonSaveCapture->setEnabled(idle && capture_.ReceivedBytes() > 0);
}

} // namespace zr48
