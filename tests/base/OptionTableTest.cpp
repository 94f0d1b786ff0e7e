// The option lists of help texts, made from option tables.

#include "base/OptionTable.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(OptionTable, ListsAlignTheirHelpAndWrapLongLinesBetweenWords)
{
    const OptionRow rows[] = {
        {.longName = "--verify", .help = "read every sector back"},
        {.shortName = "-o", .longName = "--output", .value = "FILE", .help = "write the result into FILE"},
        {.longName = "--a-rather-long-option-name", .value = "VALUE", .help = "goes below its label"},
        {.shortName = "-n", .help = "a help text long enough to be wrapped at the width given here"},
    };
    EXPECT_EQ(formatOptionList(rows, 47), "  --verify           read every sector back\n"
                                          "  -o, --output FILE  write the result into FILE\n"
                                          "  --a-rather-long-option-name VALUE\n"
                                          "                     goes below its label\n"
                                          "  -n                 a help text long enough to\n"
                                          "                     be wrapped at the width\n"
                                          "                     given here\n");
    EXPECT_TRUE(namesOption(rows[1], "-o"));
    EXPECT_TRUE(namesOption(rows[1], "--output"));
    EXPECT_FALSE(namesOption(rows[1], "--out"));
    EXPECT_FALSE(namesOption(rows[3], "--n"));
}

TEST(OptionTable, WrappedLinesKeepTheirIndentAndLongWordsStayWhole)
{
    EXPECT_EQ(wrapLines("one two three\n  four five six\n\nseven", 9),
              (std::vector<std::string>{"one two", "three", "  four", "  five", "  six", "", "seven"}));
    EXPECT_EQ(wrapLines("/a/very/long/path/name x", 5), (std::vector<std::string>{"/a/very/long/path/name", "x"}));
}

TEST(OptionTable, AProgramsHelpHasUsageDescriptionOptionsAndNotes)
{
    const OptionRow rows[] = {{.shortName = "-h", .longName = "--help", .help = "show this help"}};
    const ProgramDescription program{"tool", "a tool", "[FILE]", "Does things.", rows, "Exit status 0."};
    EXPECT_EQ(formatProgramHelp(program),
              "Usage: tool [FILE]\n\nDoes things.\n\nOptions:\n  -h, --help  show this help\n\nExit status 0.\n");
}

} // namespace
} // namespace zr48
