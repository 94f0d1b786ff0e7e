// The optimizer's report: inputs whose largest changes are worked out by hand, run through the
// optimizer as the editor runs it, and the report made from the text before and after.

#include "infrared/OptimizeReport.h"
#include "infrared/IrOptimizer.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using Lines = std::vector<Text>;

struct Known {
    const char* what;
    Lines lines;
    std::vector<int> tolerances;
    // Of the key named: durations changed, the largest change in µs and in percent (before, after).
    Text key;
    std::size_t changed;
    DurationChange largestMicros;
    DurationChange largestPercent;
    std::string summary;
    friend void PrintTo(const Known& k, std::ostream* os) { *os << k.what; }
};

class OptimizeReportTest : public testing::TestWithParam<Known> {};

TEST_P(OptimizeReportTest, NamesTheLargestChangePerKeyAndTheFilesWorst)
{
    const Known& k = GetParam();
    Lines lines = k.lines;
    TIrOptimizer optimizer;
    for (const int tolerance : k.tolerances) {
        optimizer.SetTolerance(tolerance);
        optimizer.Optimize(lines);
    }
    const OptimizeReport report = CompareOptimized(k.lines, lines);

    const auto key =
        std::find_if(report.Keys.begin(), report.Keys.end(), [&](const KeyChange& c) { return c.Key == k.key; });
    ASSERT_NE(key, report.Keys.end());
    EXPECT_EQ(key->Changed, k.changed);
    EXPECT_EQ(key->LargestMicros.Before, k.largestMicros.Before);
    EXPECT_EQ(key->LargestMicros.After, k.largestMicros.After);
    EXPECT_EQ(key->LargestPercent.Before, k.largestPercent.Before);
    EXPECT_EQ(key->LargestPercent.After, k.largestPercent.After);
    EXPECT_EQ(OptimizeSummary(report), k.summary);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OptimizeReportTest,
    testing::Values(
        // 560 opens an entry, 580 moves it to 570, 600 to 585; the references and 9000 stay.
        Known{"merged durations move to the table value",
              {"NAME=Test", "IR_TIME_0 = 100", "IR_ON = \"#560#580#1690#600\"", "IR_OFF = \"$0#9000\""},
              {10},
              "ON",
              3,
              {560, 585},
              {560, 585},
              "1 key changed, largest change 4.5 % in ON"},
        // The largest step in µs and the largest in percent are different durations.
        Known{"microseconds and percent apart",
              {"IR_A = \"#500#540#9000#9400\""},
              {10},
              "A",
              4,
              {9000, 9200},
              {500, 520},
              "1 key changed, largest change 4.0 % in A"},
        // One entry drifts up to 1200, so 1100 ends 100 µs (9.1 %) away from where it was.
        Known{"a drifting entry",
              {"IR_TIME_0 = 7", "IR_UP = \"#1000#1100#1150#1200#1250#1000\"", "IR_DOWN = \"#1000\""},
              {10},
              "UP",
              3,
              {1100, 1200},
              {1100, 1200},
              "1 key changed, largest change 9.1 % in UP"},
        // Two passes as the desktop runs them: 560 and 565 meet at 563 (written rounded), the
        // second pass keeps them; 1690 and 1760 stay apart in the first pass and meet at 1725 in
        // the second, 35 µs (2.07 %) from 1690: the worst of the file.
        Known{"two passes over two keys",
              {"IR_POWER = \"#560#565\"", "IR_MUTE = \"#1690#1760\""},
              {1, 5},
              "POWER",
              2,
              {560, 563},
              {560, 563},
              "2 keys changed, largest change 2.1 % in MUTE"},
        // 1090 opens an entry that three 1000s pull down to 1011: the largest change is a
        // shortening (-7.2 %), larger than UP's +1.3 % that follows it in the file.
        Known{"a shortening is the largest change",
              {"IR_DOWN = \"#1090#1000#1000#1000\"", "IR_UP = \"#2000#2050\""},
              {10},
              "DOWN",
              4,
              {1090, 1011},
              {1090, 1011},
              "2 keys changed, largest change 7.2 % in DOWN"},
        Known{"tolerance 0 changes nothing",
              {"IR_TIME_0 = 560", "IR_POWER = \"$0#561#9000\""},
              {0},
              "POWER",
              0,
              {0, 0},
              {0, 0},
              "No key changed"}),
    [](const testing::TestParamInfo<Known>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(OptimizeReport, ATableWithOneLinePerKeyAndTheSummaryLast)
{
    const Lines before = {"IR_TIME_0 = 560", "IR_POWER = \"#570#1690\"", "IR_MUTE = \"$0#1690\""};
    Lines after = before;
    TIrOptimizer optimizer;
    optimizer.Optimize(after);
    // 570 and 560 (the table's) meet at 565, which is 0.88 % from 570 and 0.89 % from 560; the
    // 1690s stay.
    const std::vector<std::string> expected = {
        "Key    Durations changed  Largest change in \u00B5s  Largest change in %",
        "POWER  1 of 2             -5 \u00B5s (570 \u2192 565)     -0.9 % (570 \u2192 565)",
        "MUTE   1 of 2             +5 \u00B5s (560 \u2192 565)     +0.9 % (560 \u2192 565)",
        "2 keys changed, largest change 0.9 % in MUTE.",
    };
    EXPECT_EQ(OptimizeReportLines(CompareOptimized(before, after)), expected);
}

} // namespace
} // namespace zr48
