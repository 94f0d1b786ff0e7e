#include "infrared/IrScopeView.h"

#include "IrSignalSynth.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zr48 {
namespace {

class IrScopeViewTest : public testing::Test {
protected:
    // The pixel column of a sample in the last zoomed view.
    static int column(const ScopeViewDrawing& zoom, std::int64_t sample)
    {
        return static_cast<int>((static_cast<float>(sample) - zoom.scale.firstSample) / zoom.scale.samplesPerPixel);
    }
    static std::size_t countColour(const DrawOps& ops, Rgb colour)
    {
        return static_cast<std::size_t>(
            std::count_if(ops.begin(), ops.end(), [&](const LineOp& op) { return op.colour == colour; }));
    }

    test::ScriptedPrompt prompt;
    TIrScopeView scope{prompt};
    std::unique_ptr<CaptureBuffer> capture = test::emptyCapture();
    const float valid = 520192.0f;
};

TEST_F(IrScopeViewTest, ScaleButtonsStayInTheTableAndResetTheMeasurement)
{
    scope.Show();
    EXPECT_STREQ(scope.ScaleLabel(), "1ms/div");
    scope.ButtonHorizontalMinusClick();
    EXPECT_STREQ(scope.ScaleLabel(), "2ms/div");
    for (int i = 0; i < 10; ++i)
        scope.ButtonHorizontalMinusClick();
    EXPECT_STREQ(scope.ScaleLabel(), "100ms/div");

    scope.ZoomMouseMove(10, 10, *capture);
    scope.ZoomMouseDown(10, 10, *capture);
    ASSERT_EQ(scope.Measure().clicks(), 1);
    scope.ButtonHorizontalMinusClick(); // already the last row
    EXPECT_EQ(scope.ScaleIndex(), 15);
    EXPECT_EQ(scope.Measure().clicks(), 0);

    for (int i = 0; i < 20; ++i)
        scope.ButtonHorizontalPlusClick();
    EXPECT_STREQ(scope.ScaleLabel(), "1us/div");

    // At either end of the table, and when the window is shown again, a measurement in progress is
    // reset as well; showing also goes back to "1ms/div".
    const struct {
        const char* action;
        void (TIrScopeView::*click)();
        int scaleAfter;
    } resets[] = {
        {"+ at index 0", &TIrScopeView::ButtonHorizontalPlusClick, 0},
        {"show", &TIrScopeView::Show, 9},
    };
    for (const auto& r : resets) {
        scope.ZoomMouseMove(10, 10, *capture);
        scope.ZoomMouseDown(10, 10, *capture);
        scope.ZoomMouseDown(40, 10, *capture);
        ASSERT_EQ(scope.Measure().clicks(), 2) << r.action;
        (scope.*r.click)();
        EXPECT_EQ(scope.ScaleIndex(), r.scaleAfter) << r.action;
        EXPECT_EQ(scope.Measure().clicks(), 0) << r.action;
        EXPECT_EQ(scope.DrawZoomView(600, 300, *capture, valid, ',').measure.label, "Click to measure") << r.action;
    }
}

TEST_F(IrScopeViewTest, TheWheelChangesTheScaleAroundThePointer)
{
    scope.Show();
    const auto sampleUnder = [](const ScopeViewDrawing& view, int x) { return sampleAtColumn(view.scale, x); };
    scope.OverviewMouse(0, true); // not drawn yet: the overview has no scale, the centre is 0
    ScopeViewDrawing zoom = scope.DrawZoomView(900, 300, *capture, valid, '.');
    const std::int64_t before = sampleUnder(zoom, 700);
    scope.ZoomMouseMove(50, 50, *capture);
    scope.ZoomMouseDown(50, 50, *capture);

    EXPECT_TRUE(scope.ZoomWheel(700, 2)); // away from the user: finer
    EXPECT_STREQ(scope.ScaleLabel(), "200us/div");
    EXPECT_EQ(scope.Measure().clicks(), 0);
    zoom = scope.DrawZoomView(900, 300, *capture, valid, '.');
    EXPECT_NEAR(static_cast<double>(sampleUnder(zoom, 700)), static_cast<double>(before), 1.0);
    EXPECT_NEAR(static_cast<double>(sampleUnder(zoom, 100)), static_cast<double>(before) - 600 * 17.82, 2.0);

    EXPECT_TRUE(scope.ZoomWheel(300, -3)); // towards the user: coarser
    EXPECT_STREQ(scope.ScaleLabel(), "2ms/div");
    const std::int64_t at300 = sampleAtColumn(zoom.scale, 300);
    zoom = scope.DrawZoomView(900, 300, *capture, valid, '.');
    EXPECT_NEAR(static_cast<double>(sampleUnder(zoom, 300)), static_cast<double>(at300), 1.0);

    for (int i = 0; i < 8; ++i)
        scope.ZoomWheel(300, -1);
    EXPECT_STREQ(scope.ScaleLabel(), "100ms/div");
    const std::int64_t centre = scope.ZoomCentre();
    EXPECT_FALSE(scope.ZoomWheel(10, -1)); // at the end of the table nothing moves
    EXPECT_EQ(scope.ZoomCentre(), centre);
}

TEST_F(IrScopeViewTest, MeasuringAnalysesTheSpanBetweenThePoints)
{
    test::writeRuns(*capture, 60000, {{true, 1000}, {false, 500}, {true, 1000}, {false, 100}});
    // Centre the zoomed view on sample 61000 through the overview, then zoom in to "100us/div".
    const ScopeViewDrawing overview = scope.DrawOverview(800, 80, *capture, valid);
    EXPECT_FALSE(scope.OverviewMouse(100, false));
    EXPECT_TRUE(scope.OverviewMouse(static_cast<int>(61000 / overview.scale.samplesPerPixel), true));
    EXPECT_NEAR(static_cast<double>(scope.ZoomCentre()), 61000, overview.scale.samplesPerPixel);
    for (int i = 0; i < 3; ++i)
        scope.ButtonHorizontalPlusClick();
    ScopeViewDrawing zoom = scope.DrawZoomView(600, 300, *capture, valid, ',');
    EXPECT_EQ(zoom.measure.label, "Click to measure");

    const int x1 = column(zoom, 59990);
    const int x2 = column(zoom, 62700);
    scope.ZoomMouseMove(x1, 150, *capture);
    scope.ZoomMouseDown(x1, 150, *capture);
    scope.ZoomMouseMove(x2, 140, *capture);
    EXPECT_EQ(scope.AnalyserText(), "#574#268#574");
    zoom = scope.DrawZoomView(600, 300, *capture, valid, ',');
    EXPECT_EQ(zoom.measure.timeText, " " + std::to_string(static_cast<int>((x2 - x1) * 5 + 0.5)) + " us ");
    EXPECT_EQ(countColour(zoom.marks, kMeasureYellow), 3u);
    EXPECT_EQ(countColour(zoom.lines, kMeasureYellow), 0u);
    scope.ZoomMouseDown(x2, 140, *capture); // fixed

    // The measurement alone, drawn into the last zoomed view, is what a whole drawing shows.
    scope.ZoomMouseDown(x1 + 5, 100, *capture); // starts over
    scope.ZoomMouseDown(x1 + 5, 100, *capture);
    scope.ZoomMouseMove(x1 + 50, 90, *capture);
    ScopeViewDrawing moved = zoom;
    scope.DrawMeasurement(moved, ',');
    const ScopeViewDrawing whole = scope.DrawZoomView(600, 300, *capture, valid, ',');
    EXPECT_EQ(moved.marks, whole.marks);
    EXPECT_EQ(moved.measure.label, whole.measure.label);
    EXPECT_EQ(moved.measure.timeText, whole.measure.timeText);
    EXPECT_EQ(moved.lines, whole.lines);
    EXPECT_NE(moved.marks, zoom.marks);
    scope.ZoomMouseDown(x1 + 50, 90, *capture);

    // From right to left: the same text.
    scope.ZoomMouseMove(x2, 150, *capture);
    scope.ZoomMouseDown(x2, 150, *capture);
    EXPECT_EQ(scope.Measure().clicks(), 0);
    scope.ZoomMouseDown(x2, 150, *capture);
    scope.ZoomMouseMove(x1, 150, *capture);
    EXPECT_EQ(scope.AnalyserText(), "#574#268#574");

    // A new capture resets the measurement; the text stays until the next span.
    scope.ResetMeasure();
    EXPECT_EQ(scope.Measure().clicks(), 0);
}

TEST_F(IrScopeViewTest, TheReferenceIsSavedOnlyOnYesAndDrawnOverTheCapture)
{
    test::writeRuns(*capture, 1000, {{true, 2000}});
    prompt.answer(Answer::No, "Overwrite Reference ?");
    EXPECT_FALSE(scope.ButtonSaveReferenceClick(*capture));
    EXPECT_FALSE(scope.ShowReference());
    EXPECT_TRUE(std::all_of(scope.Reference().begin(), scope.Reference().end(), [](auto b) { return b == 0; }));

    scope.SetShowReference(true); // "Show" before any "Save": the all-low reference
    ScopeViewDrawing zoom = scope.DrawZoomView(600, 300, *capture, valid, '.');
    const DrawOps& lines = zoom.lines;
    ASSERT_GT(countColour(lines, kScopeGrey), 0u);
    EXPECT_TRUE(std::all_of(lines.begin(), lines.end(), [](const LineOp& op) {
        return op.colour != kScopeGrey || (op.mode == PenMode::MergeNotPen && op.to.y == 280);
    }));

    prompt.answer(Answer::Yes, "Overwrite Reference ?");
    scope.SetShowReference(false);
    EXPECT_TRUE(scope.ButtonSaveReferenceClick(*capture));
    EXPECT_TRUE(scope.ShowReference());
    EXPECT_TRUE(std::equal(capture->begin(), capture->end(), scope.Reference().begin()));

    // The overview draws the capture, then the brackets, then the reference.
    const ScopeViewDrawing overview = scope.DrawOverview(800, 80, *capture, valid);
    const auto firstRed = std::find_if(overview.lines.begin(), overview.lines.end(),
                                       [](const LineOp& op) { return op.colour == kBracketRed; });
    ASSERT_NE(firstRed, overview.lines.end());
    EXPECT_TRUE(
        std::all_of(overview.lines.begin(), firstRed, [](const LineOp& op) { return op.colour == kCaptureGreen; }));
    EXPECT_EQ(firstRed[6].colour, kScopeGrey);
    EXPECT_TRUE(zoom.gridDots.size() > 0 && overview.gridDots.empty());
}

} // namespace
} // namespace zr48
