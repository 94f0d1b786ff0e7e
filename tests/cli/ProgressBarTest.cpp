#include "cli/ProgressBar.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zr48::cli {
namespace {

TEST(ProgressBar, RendersCountsRateAndTimeLeft)
{
    const struct {
        std::int64_t position;
        std::int64_t maximum;
        double elapsed;
        const char* expected;
    } cases[] = {
        {0, 2000, 0.0, "[..........]  0/2000 sectors"},
        {500, 2000, 2.0, "[##........]  500/2000 sectors  250.0 sectors/s  0:06 left"},
        {1000, 2000, 1.0, "[#####.....]  1000/2000 sectors  1000.0 sectors/s  0:01 left"},
        {100, 60100, 1.0, "[..........]  100/60100 sectors  100.0 sectors/s  10:00 left"},
        {2000, 2000, 4.0, "[##########]  2000/2000 sectors  500.0 sectors/s"},
        {2500, 2000, 4.0, "[##########]  2000/2000 sectors  500.0 sectors/s"}, // clamped
        {-5, 0, 1.0, "[..........]  0/0 sectors"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(renderProgress(c.position, c.maximum, c.elapsed, "sectors", 10), c.expected);
}

TEST(ProgressBar, OnATerminalRedrawsInPlace)
{
    std::ostringstream out;
    ProgressBar bar(out, "blocks", ProgressBar::Mode::Redraw);
    bar.update(1, 480, 0.0);
    bar.update(480, 480, 2.0);
    bar.finish();
    bar.finish();
    const std::string text = out.str();
    EXPECT_EQ(text.front(), '\r');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_NE(text.find("480/480 blocks  240.0 blocks/s"), std::string::npos);
}

TEST(ProgressBar, ElsewhereWritesALineEveryTenth)
{
    std::ostringstream out;
    ProgressBar bar(out, "sectors", ProgressBar::Mode::Lines);
    for (int i = 0; i <= 100; ++i)
        bar.update(i, 100, 1.0);
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

} // namespace
} // namespace zr48::cli
