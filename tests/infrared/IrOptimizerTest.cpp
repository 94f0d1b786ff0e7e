#include "infrared/IrOptimizer.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using Lines = std::vector<Text>;

Lines optimized(Lines lines, int tolerance)
{
    TIrOptimizer optimizer;
    optimizer.SetTolerance(tolerance);
    optimizer.Optimize(lines);
    return lines;
}

TEST(IrOptimizer, BuildsTheTableAndReferencesOfADeviceFile)
{
    const Lines before = {"NAME=Test", "IR_TIME_0 = 100", "IR_ON = \"#560#580#1690#600\"", "IR_OFF = \"$0#9000\""};
    const Lines after = {
        "NAME=Test",        "IR_TIME_0 = 100",   "IR_TIME_1 = 585",  "IR_TIME_2 = 1690",
        "IR_TIME_3 = 9000", "IR_ON = \"$1121\"", "IR_OFF = \"$03\"",
    };
    EXPECT_EQ(optimized(before, 10), after);
    // The second pass with a wider tolerance finds nothing more to merge.
    EXPECT_EQ(optimized(after, 20), after);

    // Both passes on one optimizer, as the editor runs them.
    TIrOptimizer optimizer;
    EXPECT_EQ(optimizer.Tolerance(), 10);
    Lines lines = before;
    optimizer.Optimize(lines);
    optimizer.SetTolerance(20);
    optimizer.Optimize(lines);
    EXPECT_EQ(lines, after);
}

TEST(IrOptimizer, MergesWithinTheTolerance)
{
    const struct {
        const char* what;
        Lines before;
        int tolerance;
        Lines after;
    } cases[] = {
        {"tolerance 0 keeps close values apart",
         {"A=\"#560#565\""},
         0,
         {"A=\"$01\"", "IR_TIME_0 = 560", "IR_TIME_1 = 565"}},
        {"tolerance 1 merges them half-way", {"A=\"#560#565\""}, 1, {"A=\"$00\"", "IR_TIME_0 = 563"}},
        {"exactly at the tolerance merges; the eleventh value is dropped",
         {"A=\"#100#200#300#400#500#600#700#800#900#1000#1100#1200\""},
         10,
         {"A=\"$01234567899#1200\"", "IR_TIME_0 = 100", "IR_TIME_1 = 200", "IR_TIME_2 = 300", "IR_TIME_3 = 400",
          "IR_TIME_4 = 500", "IR_TIME_5 = 600", "IR_TIME_6 = 700", "IR_TIME_7 = 800", "IR_TIME_8 = 900",
          "IR_TIME_9 = 1050"}},
        {"an entry drifts with each merge",
         {"A=\"#1000#1100#1150#1200#1250#1000\""},
         10,
         {"A=\"$011110\"", "IR_TIME_0 = 1000", "IR_TIME_1 = 1200"}},
        {"references expand to the old table; the new one takes its place",
         {"X=1", "IR_TIME_0 = 560", "A=\"$0101#9000\"", "IR_TIME_1 = 1690", "B=\"$01$10\""},
         10,
         {"X=1", "IR_TIME_0 = 560", "IR_TIME_1 = 1690", "IR_TIME_2 = 9000", "A=\"$01012\"", "B=\"$0110\""}},
        {"blanks inside a number are skipped; a # without digits is 0",
         {"A=\"#560# 5 6 0#x"},
         10,
         {"A=\"$00#0x", "IR_TIME_0 = 560"}},
        {"a $ outside a string is cleaned up too", {"NAME=Price $5 or $6"}, 10, {"NAME=Price $5 or 6"}},
        {"with tolerance 100 a 0 refers to the last entry",
         {"A=\"$5#300#100\""},
         100,
         {"A=\"$000\"", "IR_TIME_0 = 200"}},
        {"no duration: the table goes", {"IR_TIME_0 = 560", "IR_TIME_12 = 5", "X=1"}, 10, {"X=1"}},
        {"no table yet: it is appended at the end",
         {"A=\"#9000\"", "B=2"},
         10,
         {"A=\"$0\"", "B=2", "IR_TIME_0 = 9000"}},
        // The second "$" goes: table mode runs on through the quote, so "1" is still a reference.
        {"only the text from the first quote is a string; cleanup takes the whole line",
         {"#560=\"#560\" \"#9000"},
         10,
         {"#560=\"$0\" \"1", "IR_TIME_0 = 560", "IR_TIME_1 = 9000"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(optimized(c.before, c.tolerance), c.after) << c.what;
}

TEST(IrOptimizer, NearestPrefersTheCloserAndOnATieTheLaterEntry)
{
    TIrOptimizer optimizer;
    optimizer.SetEntries({{1000, 0}, {1100, 1}, {900, 2}});
    EXPECT_EQ(optimizer.Nearest(1040)->index, 0);
    EXPECT_EQ(optimizer.Nearest(1060)->index, 1);
    optimizer.SetEntries({{1000, 0}, {1000, 1}});
    EXPECT_EQ(optimizer.Nearest(1000)->index, 1);
    EXPECT_EQ(optimizer.Nearest(1101), nullptr); // 10.1 % away
    EXPECT_EQ(optimizer.Lookup(1), 1000);
    EXPECT_EQ(optimizer.Lookup(7), 0);
}

TEST(IrOptimizer, LongDurationsKeepTheirOwnValues)
{
    // Beyond 2^31 microseconds values still differ: they neither merge nor change when written back.
    EXPECT_EQ(optimized({"A=\"#3000000000#5000000000\""}, 10),
              (Lines{"A=\"$01\"", "IR_TIME_0 = 3000000000", "IR_TIME_1 = 5000000000"}));
    const Lines after = optimized({"A=\"#100#200#400#800#1600#3200#6400#12800#25600#51200#6000000000\""}, 10);
    ASSERT_EQ(after.size(), 11u);
    EXPECT_EQ(after[0], "A=\"$0123456789#6000000000\""); // the eleventh value keeps its number
    // Past the 64-bit range a number stays at the largest one.
    EXPECT_EQ(optimized({"A=\"#99999999999999999999999#5\""}, 10),
              (Lines{"A=\"$10\"", "IR_TIME_0 = 5", "IR_TIME_1 = 9223372036854775807"}));
}

} // namespace
} // namespace zr48
