#include "infrared/ScopeDrawing.h"
#include "infrared/ScopeMeasure.h"
#include "infrared/ScopeRaster.h"

#include "IrSignalSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace zr48 {
namespace {

TEST(ScopeScale, SamplesPerDivisionAndPixelInSinglePrecision)
{
    const ScopeScale ms = zoomScale(9, 0, 900, 300);
    EXPECT_EQ(ms.samplesPerDivision, 1782.0001f);
    EXPECT_EQ(ms.samplesPerPixel, 89.100006f);
    EXPECT_NE(ms.samplesPerPixel, 89.1f);
    const ScopeScale us10 = zoomScale(3, 0, 900, 300);
    EXPECT_EQ(us10.samplesPerDivision, 17.82f);
    EXPECT_EQ(us10.samplesPerPixel, 0.891f);
    EXPECT_EQ(us10.samplesAcross, 900 * 0.891f);
}

TEST(ScopeScale, ScaleTableAndItsLimits)
{
    EXPECT_STREQ(kScaleTable[0].label, "1us/div");
    EXPECT_STREQ(kScaleTable[kDefaultScaleIndex].label, "1ms/div");
    EXPECT_STREQ(kScaleTable[15].label, "100ms/div");
    EXPECT_EQ(kScaleTable[15].secondsPerDivision, 0.1f);
    EXPECT_EQ(scaleIndexAfterMinus(9), 10); // more time per division
    EXPECT_EQ(scaleIndexAfterPlus(9), 8);
    EXPECT_EQ(scaleIndexAfterMinus(15), 15);
    EXPECT_EQ(scaleIndexAfterPlus(0), 0);
}

TEST(ScopeScale, ZoomedViewIsCentredOnTheZoomCentre)
{
    const ScopeScale zoom = zoomScale(9, 100000, 900, 300);
    // 900 columns of 89.100006 samples: 80190.0054 across, half of it 40095.0027 before the
    // centre, so the first sample truncates to 59904 and the middle column shows 99999.
    EXPECT_EQ(zoom.firstSample, 59904.0f);
    EXPECT_EQ(sampleAtColumn(zoom, 450), 99999);
    EXPECT_EQ(sampleAtColumn(zoom, 451), 100088);
    EXPECT_EQ(sampleAtColumn(zoom, 0), 59904);
}

TEST(ScopeScale, OverviewSpreadsTheValidSamplesOverItsDivisions)
{
    const ScopeScale overview = overviewScale(520192.0f, 900, 80);
    EXPECT_NEAR(overview.samplesAcross, 520192.0f, 1.0f);
    EXPECT_EQ(overview.firstSample, 0.0f);
    const ScopeScale empty = overviewScale(0.0f, 900, 80);
    EXPECT_EQ(empty.secondsPerDivision, 0.0f);
    EXPECT_EQ(empty.samplesAcross, 0.0f);
    // Narrower than one division: no division by zero.
    EXPECT_GT(overviewScale(4096.0f, 10, 80).samplesPerPixel, 0.0f);
}

TEST(ScopeGrid, DotsEveryFourthPixelAlongTheDivisionLines)
{
    std::vector<Point> dots;
    appendGridDots(41, 9, dots);
    const std::set<std::pair<int, int>> found = [&] {
        std::set<std::pair<int, int>> s;
        for (const Point& p : dots)
            s.insert({p.x, p.y});
        return s;
    }();
    std::set<std::pair<int, int>> expected;
    for (int x : {0, 20, 40})
        for (int y : {0, 4, 8})
            expected.insert({x, y});
    for (int x = 0; x < 41; x += 4)
        expected.insert({x, 0});
    EXPECT_EQ(found, expected);
}

class ScopeTrace : public testing::Test {
protected:
    std::unique_ptr<CaptureBuffer> capture = test::emptyCapture();
    DrawOps ops;
};

TEST_F(ScopeTrace, NothingIsDrawnBeforeAnyCapture)
{
    test::writeRuns(*capture, 0, {{true, 5000}});
    appendTrace(zoomScale(9, 0, 900, 300), *capture, 0.0f, TraceKind::Capture, ops);
    EXPECT_TRUE(ops.empty());
}

TEST_F(ScopeTrace, AfterTheFirstCaptureTheTraceBeginsInTheMiddleWithAStrokeAtTheLowLevel)
{
    const ScopeScale zoom = zoomScale(9, 0, 900, 300);
    appendTrace(zoom, *capture, 4096.0f, TraceKind::Capture, ops);
    ASSERT_FALSE(ops.empty());
    const int low = 280; // (300 div 20 - 1) x 20
    EXPECT_EQ(ops.front(), (LineOp{{440, low}, {450, low}, 2, kCaptureGreen, PenMode::Copy}));
    for (std::size_t i = 1; i < ops.size(); ++i)
        EXPECT_GE(ops[i].from.x, 450);
    // 4096 valid samples of 89.100006 per column: columns 450 to 495.
    EXPECT_EQ(ops.back().to.x, 495);
    EXPECT_EQ(ops.size(), 1u + 46u);
}

TEST_F(ScopeTrace, ColumnsThatHoldBothLevelsDrawAVerticalLine)
{
    // At "1ms/div" from sample 0, column x shows sample trunc(x × 89.100006) and looks at the 88
    // samples after it (89 whole numbers lie below 89.100006): column 10 looks at 891..979,
    // column 11 at 980..1068.
    const ScopeScale zoom = makeScopeScale(kScaleTable[9].secondsPerDivision, 20, 100);
    const int high = 20, low = 80;
    struct Case {
        std::int64_t ones; // samples 0 .. ones-1 are 1, the rest 0
        std::vector<LineOp> columns10And11;
    };
    const Case cases[] = {
        // The change falls inside column 11: a thin vertical line there.
        {1000,
         {{{9, high}, {10, high}, 2, kCaptureGreen, PenMode::Copy},
          {{11, high}, {11, low}, 1, kCaptureGreen, PenMode::Copy}}},
        // The change falls on column 11's own sample, just past what column 10 looks at: no
        // vertical line, a slope from column 10's level.
        {980,
         {{{9, high}, {10, high}, 2, kCaptureGreen, PenMode::Copy},
          {{10, high}, {11, low}, 2, kCaptureGreen, PenMode::Copy}}},
        // The change falls on the last sample column 10 looks at.
        {979,
         {{{10, high}, {10, low}, 1, kCaptureGreen, PenMode::Copy},
          {{10, low}, {11, low}, 2, kCaptureGreen, PenMode::Copy}}},
    };
    for (const Case& c : cases) {
        capture->fill(0);
        test::writeRuns(*capture, 0, {{true, c.ones}});
        ops.clear();
        appendTrace(zoom, *capture, 4096.0f, TraceKind::Capture, ops);
        ASSERT_EQ(ops.size(), 21u); // the first stroke and one per column
        EXPECT_EQ(ops[0], (LineOp{{-10, low}, {0, low}, 2, kCaptureGreen, PenMode::Copy}));
        const std::vector<LineOp> got(ops.begin() + 11, ops.begin() + 13);
        EXPECT_EQ(got, c.columns10And11) << "ones " << c.ones;
    }
}

TEST_F(ScopeTrace, SamplesBeyondTheValidCountAreNeitherDrawnNorSeenAsChanges)
{
    const ScopeScale zoom = makeScopeScale(kScaleTable[9].secondsPerDivision, 20, 100);
    test::writeRuns(*capture, 0, {{true, 950}}); // from 950 on, samples are 0 but not yet valid
    appendTrace(zoom, *capture, 950.0f, TraceKind::Capture, ops);
    ASSERT_EQ(ops.size(), 1u + 11u); // columns 0 to 10; column 10 starts at sample 891
    EXPECT_EQ(ops.back(), (LineOp{{9, 20}, {10, 20}, 2, kCaptureGreen, PenMode::Copy}));
}

TEST_F(ScopeTrace, TheReferenceIsGreyInMergeWithInvertedPenMode)
{
    const ScopeScale zoom = makeScopeScale(kScaleTable[9].secondsPerDivision, 30, 100);
    appendTrace(zoom, *capture, 2000.0f, TraceKind::Reference, ops);
    ASSERT_EQ(ops.size(), 1u + 23u); // columns 0 to 22 hold valid samples
    for (const LineOp& op : ops) {
        EXPECT_EQ(op.colour, kScopeGrey);
        EXPECT_EQ(op.mode, PenMode::MergeNotPen);
        EXPECT_EQ(op.from.y, 80);
        EXPECT_EQ(op.to.y, 80);
    }
}

TEST(ScopeBrackets, FollowTheZoomedViewInsideTheOverview)
{
    const ScopeScale overview = overviewScale(409600.0f, 800, 80);
    ScopeScale zoom = zoomScale(9, 204800, 600, 300); // "1ms/div", 53460 samples across
    DrawOps ops;
    appendZoomBrackets(overview, zoom, ops);
    ASSERT_EQ(ops.size(), 6u);
    // 800 pixels for 409600 samples: 512 samples per pixel.
    const int left = static_cast<int>((204800 - 26730) / 512);
    const int right = left + 53460 / 512;
    EXPECT_NEAR(ops[1].to.x, left, 1);
    EXPECT_NEAR(ops[4].to.x, right, 1);
    const int l = ops[1].to.x, r = ops[4].to.x;
    const std::vector<LineOp> expected = {
        {{l + 5, 2}, {l, 2}, 1, kBracketRed, PenMode::Copy},   {{l, 2}, {l, 77}, 1, kBracketRed, PenMode::Copy},
        {{l, 77}, {l + 5, 77}, 1, kBracketRed, PenMode::Copy}, {{r - 5, 2}, {r, 2}, 1, kBracketRed, PenMode::Copy},
        {{r, 2}, {r, 77}, 1, kBracketRed, PenMode::Copy},      {{r, 77}, {r - 5, 77}, 1, kBracketRed, PenMode::Copy},
    };
    EXPECT_EQ(ops, expected);

    ops.clear();
    appendZoomBrackets(overviewScale(0.0f, 800, 80), zoom, ops);
    for (const LineOp& op : ops)
        EXPECT_TRUE(std::abs(op.from.x) <= 5 && std::abs(op.to.x) <= 5) << "no capture: both brackets at x = 0";
}

TEST(ScopeMeasureText, TimeAndFrequencyBetweenThePoints)
{
    const struct {
        int scaleIndex;
        int distance;
        char separator;
        const char* label;
        const char* timeText;
    } cases[] = {
        {3, 37, '.', " 18 us / 55.555 kHz", " 18 us "}, // the single-precision 10 us lies just below
        {3, 53, '.', " 26 us / 38.461 kHz", " 26 us "},
        {3, 37, ',', " 18 us / 55,555 kHz", " 18 us "},
        {9, 20, '.', " 1000 us / 1 kHz", " 1000 us "},
        {9, -20, '.', " 1000 us / 1 kHz", " 1000 us "},
        {0, 1, '.', " 0 us ", " 0 us "},
        {15, 700, ',', " 3500000 us / 0 kHz", " 3500000 us "},
        {6, 7, ',', " 35 us / 28,571 kHz", " 35 us "},
    };
    for (const auto& c : cases) {
        ScopeMeasure measure;
        measure.mouseMove(100, 50);
        measure.mouseDown(100, 50);
        measure.mouseMove(100 + c.distance, 70);
        const MeasureText text = measureText(measure, kScaleTable[c.scaleIndex].secondsPerDivision, c.separator);
        EXPECT_EQ(text.label, c.label);
        EXPECT_EQ(text.timeText, c.timeText);
    }
    EXPECT_EQ(measureText(ScopeMeasure{}, 0.001f, '.').label, "Click to measure");
}

TEST(ScopeMeasureMarks, ClicksCycleThroughCursorMeasuringAndFixed)
{
    ScopeMeasure measure;
    DrawOps ops;
    EXPECT_FALSE(measure.mouseMove(30, 40));
    appendMeasureMarks(measure, 200, ops);
    EXPECT_EQ(ops, (DrawOps{{{30, 0}, {30, 200}, 1, kMeasureYellow, PenMode::Copy}}));

    EXPECT_TRUE(measure.mouseDown(30, 40)); // point 1 fixed, point 2 follows on its height
    EXPECT_TRUE(measure.mouseMove(90, 77));
    EXPECT_EQ(measure.point2(), (Point{90, 40}));
    ops.clear();
    appendMeasureMarks(measure, 200, ops);
    EXPECT_EQ(ops, (DrawOps{{{30, 40}, {90, 40}, 3, kMeasureYellow, PenMode::Copy},
                            {{30, 30}, {30, 50}, 1, kMeasureYellow, PenMode::Copy},
                            {{90, 30}, {90, 50}, 1, kMeasureYellow, PenMode::Copy}}));
    // The time text is centred over the points, 2 pixels above them.
    EXPECT_EQ(measureTextOrigin(measure, 41, 16), (Point{30 + 30 - 20, 40 - 16 - 2}));

    EXPECT_FALSE(measure.mouseDown(120, 10)); // second click: fixed where the last move left it
    EXPECT_FALSE(measure.mouseMove(140, 10));
    EXPECT_EQ(measure.point2(), (Point{90, 40}));
    EXPECT_FALSE(measure.mouseDown(5, 6)); // third click starts over
    EXPECT_EQ(measure.clicks(), 0);
    EXPECT_EQ(measure.point1(), (Point{5, 6}));
}

TEST(ScopeRaster, TheReferenceOverTheCaptureShowsBoth)
{
    // "Show" before any "Save": the all-zero reference lies on the low level over the capture.
    auto capture = test::emptyCapture();
    auto reference = test::emptyCapture();
    const ScopeScale zoom = makeScopeScale(kScaleTable[9].secondsPerDivision, 60, 100);
    DrawOps ops;
    appendTrace(zoom, *capture, 4096.0f, TraceKind::Capture, ops);
    appendTrace(zoom, *reference, 4096.0f, TraceKind::Reference, ops);
    ScopeRaster raster(60, 100);
    raster.paint(ops);
    EXPECT_EQ(raster.pixel(30, 80), (Rgb{127, 255, 127}));
    EXPECT_EQ(raster.pixel(30, 79), (Rgb{127, 255, 127})); // pen width 2
    EXPECT_EQ(raster.pixel(30, 81), (Rgb{0, 0, 0}));
    EXPECT_EQ(raster.pixel(30, 20), (Rgb{0, 0, 0}));
}

TEST(ScopeRaster, LinesBecomeRectanglesOfThePenAlongTheirMainDirection)
{
    const auto rectsOf = [](LineOp line) {
        std::vector<PixelRect> rects;
        appendLineRects(line, 40, 30, rects);
        return rects;
    };
    using Rects = std::vector<PixelRect>;
    // Pen width 2 reaches one pixel before and none after the line; the ends are included.
    EXPECT_EQ(rectsOf({{5, 20}, {15, 20}, 2, kCaptureGreen}), (Rects{{4, 19, 16, 21}}));
    EXPECT_EQ(rectsOf({{15, 20}, {5, 20}, 3, kCaptureGreen}), (Rects{{4, 19, 17, 22}}));
    // A steep step from the high to the low level: two upright runs.
    EXPECT_EQ(rectsOf({{9, 20}, {10, 3}, 1, kCaptureGreen}), (Rects{{9, 12, 10, 21}, {10, 3, 11, 12}}));
    // A diagonal: one square a step; a point: one square.
    EXPECT_EQ(rectsOf({{0, 0}, {2, 2}, 1, kCaptureGreen}), (Rects{{0, 0, 1, 1}, {1, 1, 2, 2}, {2, 2, 3, 3}}));
    EXPECT_EQ(rectsOf({{7, 7}, {7, 7}, 3, kCaptureGreen}), (Rects{{6, 6, 9, 9}}));
    // Cut to the picture; nothing for a line outside it.
    EXPECT_EQ(rectsOf({{-10, 0}, {60, 0}, 2, kCaptureGreen}), (Rects{{0, 0, 40, 1}}));
    EXPECT_EQ(rectsOf({{45, 5}, {45, 9}, 1, kCaptureGreen}), Rects{});
}

TEST(ScopeRaster, LinesFarOutsideThePictureAreCut)
{
    ScopeRaster raster(40, 30);
    raster.paint(LineOp{{-2'000'000'000, 5}, {1'000'000'000, 5}, 1, kBracketRed, PenMode::Copy});
    raster.paint(LineOp{{7, -1'000'000'000}, {7, 1'000'000'000}, 3, kMeasureYellow, PenMode::Copy});
    EXPECT_EQ(raster.pixel(0, 5), kBracketRed);
    EXPECT_EQ(raster.pixel(39, 5), kBracketRed);
    EXPECT_EQ(raster.pixel(6, 0), kMeasureYellow);
    EXPECT_EQ(raster.pixel(8, 29), kMeasureYellow);
    EXPECT_EQ(raster.pixel(9, 29), (Rgb{}));
}

} // namespace
} // namespace zr48
