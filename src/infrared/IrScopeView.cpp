#include "infrared/IrScopeView.h"

#include "infrared/CaptureDecoder.h"
#include "infrared/IrString.h"
#include "infrared/SignalAnalyser.h"

#include <algorithm>
#include <cmath>

namespace zr48 {

TIrScopeView::TIrScopeView(Prompt& prompt) : prompt_(prompt), reference_(std::make_unique<CaptureBuffer>())
{
    reference_->fill(0);
}

void TIrScopeView::Show()
{
    scaleIndex_ = kDefaultScaleIndex;
    ResetMeasure();
}

void TIrScopeView::ButtonHorizontalMinusClick()
{
    scaleIndex_ = scaleIndexAfterMinus(scaleIndex_);
    ResetMeasure();
}

void TIrScopeView::ButtonHorizontalPlusClick()
{
    scaleIndex_ = scaleIndexAfterPlus(scaleIndex_);
    ResetMeasure();
}

bool TIrScopeView::ZoomWheel(int x, int notches)
{
    const int index = clampScaleIndex(scaleIndex_ - notches);
    if (index == scaleIndex_)
        return false;
    // Before the first drawing there is no column to keep.
    if (zoomScale_.width > 0) {
        const double sample = static_cast<double>(zoomScale_.firstSample) +
                              static_cast<double>(x) * static_cast<double>(zoomScale_.samplesPerPixel);
        const ScopeScale next = zoomScale(index, 0, zoomScale_.width, zoomScale_.height);
        zoomCentre_ = std::llround(sample - static_cast<double>(x) * static_cast<double>(next.samplesPerPixel) +
                                   static_cast<double>(next.samplesAcross) * 0.5);
    }
    scaleIndex_ = index;
    ResetMeasure();
    return true;
}

const char* TIrScopeView::ScaleLabel() const
{
    return kScaleTable[static_cast<std::size_t>(scaleIndex_)].label;
}

bool TIrScopeView::OverviewMouse(int x, bool leftButtonHeld)
{
    if (!leftButtonHeld)
        return false;
    const float sample = static_cast<float>(x) * overviewScale_.samplesPerPixel;
    zoomCentre_ = truncateToInteger(sample);
    return true;
}

void TIrScopeView::ZoomMouseDown(int x, int y, CaptureView capture)
{
    if (measure_.mouseDown(x, y))
        Analyse(capture);
}

void TIrScopeView::ZoomMouseMove(int x, int y, CaptureView capture)
{
    if (measure_.mouseMove(x, y))
        Analyse(capture);
}

void TIrScopeView::Analyse(CaptureView capture)
{
    const std::int64_t first = sampleAtColumn(zoomScale_, measure_.point1().x);
    const std::int64_t last = sampleAtColumn(zoomScale_, measure_.point2().x);
    analyseSamples(capture, first, last, analyserText_);
    protocolText_.clear();
    std::string problem;
    const auto durations = parseIrString(analyserText_, nullptr, problem);
    if (!durations)
        return;
    // The carrier tells rows of one timing apart (NEC from Pioneer); it is shown only where it says
    // something: no protocol names the frame.
    const std::uint32_t carrierHz = measureCarrier(capture, first, last);
    const IrFrame frame = decodeIrFrames(*durations, carrierHz).front();
    protocolText_ = describeIrFrame(frame, frame.kind == IrFrame::Kind::Unknown ? carrierHz : 0);
}

void TIrScopeView::ResetMeasure()
{
    measure_.reset();
}

bool TIrScopeView::ButtonSaveReferenceClick(CaptureView capture)
{
    if (prompt_.confirm("Overwrite Reference ?", Buttons::YesNo) != Answer::Yes)
        return false;
    std::copy(capture.begin(), capture.end(), reference_->begin());
    showReference_ = true;
    return true;
}

ScopeViewDrawing TIrScopeView::DrawZoomView(int width, int height, CaptureView capture, float validSamples,
                                            char decimalSeparator)
{
    ScopeViewDrawing view;
    zoomScale_ = zoomScale(scaleIndex_, zoomCentre_, width, height);
    view.scale = zoomScale_;
    appendGridDots(width, height, view.gridDots);
    appendTrace(zoomScale_, capture, validSamples, TraceKind::Capture, view.lines);
    if (showReference_)
        appendTrace(zoomScale_, *reference_, validSamples, TraceKind::Reference, view.lines);
    DrawMeasurement(view, decimalSeparator);
    return view;
}

void TIrScopeView::DrawMeasurement(ScopeViewDrawing& zoom, char decimalSeparator) const
{
    zoom.marks.clear();
    appendMeasureMarks(measure_, zoom.scale.height, zoom.marks);
    zoom.measure = measureText(measure_, zoom.scale.secondsPerDivision, decimalSeparator);
}

ScopeViewDrawing TIrScopeView::DrawOverview(int width, int height, CaptureView capture, float validSamples)
{
    ScopeViewDrawing view;
    overviewScale_ = overviewScale(validSamples, width, height);
    view.scale = overviewScale_;
    appendTrace(overviewScale_, capture, validSamples, TraceKind::Capture, view.lines);
    appendZoomBrackets(overviewScale_, zoomScale_, view.lines);
    if (showReference_)
        appendTrace(overviewScale_, *reference_, validSamples, TraceKind::Reference, view.lines);
    return view;
}

} // namespace zr48
