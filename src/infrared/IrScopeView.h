#pragma once
// What an infrared scope window shows and how it answers the mouse and its buttons, without the
// window: the scale, the zoom centre, the measurement with its analyser text, the reference, and
// each view as drawing operations. The window paints the views it is given and passes its mouse
// and button events on; the capture buffer comes from the capture exchanges.

#include "base/Prompt.h"
#include "infrared/IrSamples.h"
#include "infrared/ScopeDrawing.h"
#include "infrared/ScopeMeasure.h"

#include <memory>
#include <string>

namespace zr48 {

// One view, ready to paint on a black bitmap of its size: grid dots (grey), then the lines in
// order, then the measuring marks.
struct ScopeViewDrawing {
    ScopeScale scale;
    std::vector<Point> gridDots;
    DrawOps lines;
    // Zoomed view only: the measuring marks, kept apart because they follow the mouse while the
    // rest stays as it is.
    DrawOps marks;
    // Zoomed view only: the text over the measuring points (empty before the first click) and the
    // whole text of the measure box.
    MeasureText measure;
};

class TIrScopeView {
public:
    explicit TIrScopeView(Prompt& prompt);

    // The window is shown: the zoomed view goes back to "1ms/div" and the measurement is reset.
    void Show();
    // "-" shows more time per division, "+" less; both reset the measurement, also at the end of
    // the scale table where the scale stays.
    void ButtonHorizontalMinusClick();
    void ButtonHorizontalPlusClick();
    // The mouse wheel over the zoomed view, in notches: away from the user shows less time per
    // division (as "+"), towards the user more (as "-"), keeping the sample under column x under
    // it. A change of scale resets the measurement. Returns whether the scale changed.
    bool ZoomWheel(int x, int notches);
    int ScaleIndex() const { return scaleIndex_; }
    const char* ScaleLabel() const;

    // Overview mouse down or move: with the left button held, the zoomed view centres on the
    // sample under the mouse. Returns whether the views are to be redrawn.
    bool OverviewMouse(int x, bool leftButtonHeld);
    std::int64_t ZoomCentre() const { return zoomCentre_; }

    // Zoomed-view mouse: measuring. While the second point follows the mouse, the span between
    // the points is analysed in `capture`.
    void ZoomMouseDown(int x, int y, CaptureView capture);
    void ZoomMouseMove(int x, int y, CaptureView capture);
    // A new capture resets the measurement.
    void ResetMeasure();
    const ScopeMeasure& Measure() const { return measure_; }
    // The analyser's text of the last span ("#574#268#574").
    const Text& AnalyserText() const { return analyserText_; }
    // The first frame of that span as the decoder reads it ("NEC address=0x04 command=0x08", or
    // "unknown" with the carrier the span shows); empty when no mark ends in it.
    const std::string& ProtocolText() const { return protocolText_; }

    // "Save": after "Overwrite Reference ?" is answered Yes, the capture becomes the reference and
    // is shown. Returns whether it was saved.
    bool ButtonSaveReferenceClick(CaptureView capture);
    void SetShowReference(bool show) { showReference_ = show; }
    bool ShowReference() const { return showReference_; }
    const CaptureBuffer& Reference() const { return *reference_; }

    // The views, zoomed view first: the overview's brackets show where the last zoomed view lies.
    ScopeViewDrawing DrawZoomView(int width, int height, CaptureView capture, float validSamples,
                                  char decimalSeparator);
    ScopeViewDrawing DrawOverview(int width, int height, CaptureView capture, float validSamples);
    // After a mouse move in the zoomed view only the measurement changes: its marks and text in
    // the last zoomed view drawn, the rest left as it is.
    void DrawMeasurement(ScopeViewDrawing& zoom, char decimalSeparator) const;

private:
    void Analyse(CaptureView capture);

    Prompt& prompt_;
    int scaleIndex_ = kDefaultScaleIndex;
    std::int64_t zoomCentre_ = 0;
    ScopeMeasure measure_;
    Text analyserText_;
    std::string protocolText_;
    std::unique_ptr<CaptureBuffer> reference_;
    bool showReference_ = false;
    ScopeScale zoomScale_;
    ScopeScale overviewScale_;
};

} // namespace zr48
