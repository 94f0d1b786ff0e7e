// Where pages end: only at breaks the content allows, as far down as a page reaches; a page that
// goes on with a table has its header above it and so less room; content taller than a page is cut.

#include "base/qtgui/PageCuts.h"

#include <gtest/gtest.h>

namespace zr48 {

void PrintTo(const PageSpan& page, std::ostream* out)
{
    *out << "[" << page.from << ", " << page.to << ") header " << page.header;
}

namespace {

TEST(PageCuts, PagesEndAtTheLastBreakThatFitsAndRepeatTheirTablesHeader)
{
    const std::vector<RepeatedHeader> header = {{100, 110}};
    const struct {
        const char* what;
        double height;
        std::vector<PageBreak> breaks;
        std::vector<PageSpan> pages;
    } cases[] = {
        {"all on one page", 90, {{30}, {60}}, {{0, 90, -1}}},
        {"lines of 30 on pages of 100",
         250,
         {{30}, {60}, {90}, {120}, {150}, {180}, {210}, {240}},
         {{0, 90, -1}, {90, 180, -1}, {180, 250, -1}}},
        // Rows of 25 below a header of 10 from 100 on: the first page ends before the row that
        // would run past 100; the next ones hold 90 of rows below the repeated header.
        {"a table going on over pages",
         320,
         {{60}, {100}, {135, 0}, {160, 0}, {185, 0}, {210, 0}, {235, 0}, {260, 0}, {285, 0}, {310, 0}},
         {{0, 100, -1}, {100, 185, -1}, {185, 260, 0}, {260, 320, 0}}},
        {"a row taller than a page is cut where the page ends",
         260,
         {{40}, {250}},
         {{0, 40, -1}, {40, 140, -1}, {140, 240, -1}, {240, 260, -1}}},
        {"breaks given out of order", 150, {{120}, {50}, {90}}, {{0, 90, -1}, {90, 150, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CutPages(c.height, 100, c.breaks, header), c.pages);
    }
}

TEST(PageCuts, AHeaderTallerThanHalfAPageIsNotRepeated)
{
    const std::vector<RepeatedHeader> header = {{0, 60}};
    const std::vector<PageSpan> pages = CutPages(250, 100, {{60, -1}, {90, 0}, {120, 0}, {150, 0}, {180, 0}}, header);
    ASSERT_GE(pages.size(), 2u);
    for (const PageSpan& page : pages)
        EXPECT_EQ(page.header, -1);
}

} // namespace
} // namespace zr48
