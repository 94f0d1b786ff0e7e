#pragma once
// The infrared scope window: an overview of the whole capture above a zoomed view with a time
// scale, and the controls below them. The capture exchanges (TIrCapture) and the scope's state
// (TIrScopeView) do the work; the window paints their drawing operations into one off-screen
// picture per view and passes frames, clicks, mouse moves and the wheel on to them.

#include "infrared/IrCapture.h"
#include "infrared/IrScopeView.h"
#include "infrared/ScopeRaster.h"
#include "shell/DocumentWindow.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;

namespace zr48 {

class Shell;

// Paints one view into a picture: black, the grid dots (grey), the lines, the measuring marks and,
// for the zoomed view (`measure` given), the time text over the measuring points, white on grey in
// `textFont`. Positions are the view's pixels; a picture with a device pixel ratio above 1 shows
// each of them as a block of device pixels.
//
// What lies below the measurement is kept as painted: while only the marks and the time text
// change, as when the mouse moves, just the places where they were and are get painted again.
class TScopeViewPainter {
public:
    // `picture` is made a Format_RGB32 picture of its own size and pixel ratio. Returns the device
    // pixels that changed.
    QRegion paint(QImage& picture, const ScopeViewDrawing& view, const ScopeMeasure* measure, const QFont& textFont);

private:
    QImage base_;
    std::vector<Point> baseDots_;
    DrawOps baseLines_;
    qint64 pictureKey_ = 0;        // the picture as it was left
    std::vector<QRect> over_;      // its device pixels painted over the base
    std::vector<PixelRect> rects_; // the rectangles of one line, kept to save allocations
};

// A drawing area that shows one picture, painted anew only when the view changed or its size did.
class TScopePaintBox : public QWidget {
    Q_OBJECT
public:
    // Paints the view into the picture; returns the device pixels that changed. `measurementOnly`:
    // nothing but the measurement changed since the last paint (and the picture kept its size).
    using Paint = std::function<QRegion(QImage& picture, bool measurementOnly)>;
    using Mouse = std::function<void(int x, int y, Qt::MouseButtons buttons)>;

    explicit TScopePaintBox(QWidget* parent = nullptr);

    // Paints the picture at the box's size and pixel ratio (the picture comes black).
    Paint onPaint;
    Mouse onMouseDown;
    Mouse onMouseMove;
    // Whole notches of the wheel (positive away from the user), at column x.
    std::function<void(int x, int notches)> onWheel;

    // The view changed: the picture is painted anew before it is shown next.
    void invalidate();
    // Only the measurement changed (it follows the mouse): the picture is painted now, and only
    // what changed in it goes to the screen.
    void repaintMeasurement();
    // The picture as shown now, painted first when out of date.
    const QImage& picture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage picture_;
    bool outOfDate_ = true;
    bool wholeOutOfDate_ = true; // more than the measurement changed since the last paint
    QRegion changed_;            // device pixels painted since the screen last got them
    int wheelEighths_ = 0;       // the wheel's turn not yet a whole notch
};

class TIrScopeForm : public TDocumentWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 926;
    static constexpr int kClientHeight = 374;
    static constexpr int kMinClientWidth = 664;
    static constexpr int kMinClientHeight = 280;
    static constexpr int kOverviewHeight = 80;
    static constexpr int kSplitterWidth = 4;
    static constexpr int kControlsHeight = 110;
    static constexpr int kMeasureFontPoints = 10;

    // `windowNumber` is the window id of its requests and of the frames it gets.
    TIrScopeForm(Shell& shell, int windowNumber, QWidget* parent = nullptr);
    ~TIrScopeForm() override;

    // A frame whose byte 1 is this window's id.
    void HandleFrame(const std::uint8_t* payload, int length) override;

    // The user's actions, as the controls call them.
    void ButtonCaptureClick();
    void ButtonHorizontalMinusClick();
    void ButtonHorizontalPlusClick();
    void CheckBoxShowReferenceClick();
    void ButtonSaveReferenceClick();
    void ButtonAnalyserCopyClick();
    void ButtonOpenCaptureClick();
    void ButtonSaveCaptureClick();
    void ButtonSavePictureClick();

    const TIrCapture& capture() const { return capture_; }
    const TIrScopeView& scope() const { return view_; }
    // The views' pictures as shown (the zoomed view's is also what "Save picture..." writes).
    const QImage& overviewPicture();
    const QImage& zoomPicture();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QRegion PaintBoxOverviewPaint(QImage& picture);
    QRegion PaintBoxZoomViewPaint(QImage& picture, bool measurementOnly);
    void PaintBoxOverviewMouse(int x, Qt::MouseButtons buttons);
    void PaintBoxZoomViewMouseDown(int x, int y);
    void PaintBoxZoomViewMouseMove(int x, int y);
    void PaintBoxZoomViewWheel(int x, int notches);
    // The zoomed view first, so that the overview's brackets follow it.
    void redrawViews();
    // Scale label, measure text, analyser text and which buttons work, from the state.
    void showState();
    char decimalSeparator() const;
    // A file dialog's answer, remembering its folder for the next one.
    std::optional<std::string> askFile(bool save, const char* title, const char* filter, const char* extension,
                                       const char* fileName);

    Shell& shell_;
    TIrCapture capture_;
    TIrScopeView view_;
    TScopeViewPainter overviewPainter_;
    TScopeViewPainter zoomPainter_;
    ScopeViewDrawing zoomDrawing_; // the zoomed view as last drawn
    QFont measureFont_;
    std::string lastFolder_;

    TScopePaintBox* PaintBoxOverview = nullptr;
    QSplitter* Splitter1 = nullptr;
    TScopePaintBox* PaintBoxZoomView = nullptr;
    QPushButton* ButtonCapture = nullptr;
    QPushButton* ButtonHorizontalMinus = nullptr;
    QLabel* LabelHorizontal = nullptr;
    QPushButton* ButtonHorizontalPlus = nullptr;
    QLabel* MeasureLabel = nullptr;
    QCheckBox* CheckBoxShowReference = nullptr;
    QPushButton* ButtonSaveReference = nullptr;
    QLineEdit* EditAnalyser = nullptr;
    QPushButton* ButtonAnalyserCopy = nullptr;
    QPushButton* ButtonOpenCapture = nullptr;
    QPushButton* ButtonSaveCapture = nullptr;
    QPushButton* ButtonSavePicture = nullptr;
};

} // namespace zr48
