#pragma once
// The infrared scope window: an overview of the whole capture above a zoomed view with a time
// scale, and the controls below them. The capture exchanges (TIrCapture) and the scope's state
// (TIrScopeView) do the work; the window paints their drawing operations into one off-screen
// picture per view and passes frames, clicks, mouse moves and the wheel on to them.

#include "desktop/common/DocumentWindow.h"
#include "desktop/infrared/ScopePaintBox.h"
#include "desktop/infrared/ScopeViewPainter.h"
#include "infrared/IrCapture.h"
#include "infrared/IrScopeView.h"

#include <QFont>
#include <QImage>

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
    void changeEvent(QEvent* event) override;

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
    bool changingState_ = false; // inside a maximize, restore or minimize

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
    QLabel* LabelProtocol = nullptr;
    QPushButton* ButtonOpenCapture = nullptr;
    QPushButton* ButtonSaveCapture = nullptr;
    QPushButton* ButtonSavePicture = nullptr;
};

} // namespace zr48
