#include "project/SimpleIniFile.h"
#include "base/Error.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using Lines = std::vector<Text>;

TEST(SimpleIniFile, ReadsEntriesOfTheLeadingSection)
{
    const TSimpleIniFile ini(Lines{
        "; a comment: NAME=hidden",
        "  NAME =  Living room  ",
        "X=Y=Z",
        "# NAME=x",
        "name=Kitchen",
        "bare line",
        "DESCRIPTION=\"Tuner \xE9t\xE9\"",
        "[GENERAL]",
        "SELECT=5",
    });
    EXPECT_EQ(ini.ReadString("NAME", "?"), "Kitchen"); // the last entry of that name
    EXPECT_EQ(ini.ReadString("x", "?"), "Y=Z");
    EXPECT_EQ(ini.ReadString("# NAME", "?"), "x");
    EXPECT_EQ(ini.ReadString("Description", "?"), "Tuner \xE9t\xE9");
    EXPECT_EQ(ini.ReadString("bare line", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("SELECT", -7), -7); // under a later header: never read
}

TEST(SimpleIniFile, TrimmingDropsSpacesAroundTheEqualsSign)
{
    const TSimpleIniFile ini(Lines{"\tNAME = Living room \x01", "EMPTY =", "=nameless"});
    EXPECT_EQ(ini.ReadString("NAME", ""), "Living room");
    EXPECT_EQ(ini.ReadString("EMPTY", "def"), "");
    EXPECT_EQ(ini.ReadString("", "def"), "nameless");
}

TEST(SimpleIniFile, SectionHeadersHideWhatTheyDoNotLead)
{
    // A first line that is a header leaves the leading section empty.
    EXPECT_EQ(TSimpleIniFile(Lines{"[GENERAL]", "NAME=x"}).ReadString("NAME", "d"), "d");
    // A header of the leading section's own name hides everything above it.
    const TSimpleIniFile hidden(Lines{"NAME=old", "SELECT=1", "[ dummy_section ]", "NAME=new"});
    EXPECT_EQ(hidden.ReadString("NAME", "d"), "new");
    EXPECT_EQ(hidden.ReadInteger("SELECT", 0), 0);
    // "[x" and "x]" are entries, not headers.
    const TSimpleIniFile notHeaders(Lines{"[x", "A=1", "y]", "B=2"});
    EXPECT_EQ(notHeaders.ReadInteger("A", 0), 1);
    EXPECT_EQ(notHeaders.ReadInteger("B", 0), 2);
}

TEST(SimpleIniFile, QuoteRuleDropsTheFirstAndTheLastCharacter)
{
    const struct {
        const char* value;
        const char* expected;
    } cases[] = {
        {"\"Kitchen\"", "Kitchen"},
        {"\"abc", "ab"},
        {"abc\"", "abc\""},
        {"\"", ""},
        {"\"\"", ""},
        {"\"#9000#4500\" ; note", "#9000#4500\" ; not"},
    };
    for (const auto& c : cases) {
        const TSimpleIniFile ini(Lines{Text("K=") + c.value});
        EXPECT_EQ(ini.ReadString("K", ""), c.expected) << c.value;
    }
    // The default goes through the same rule.
    EXPECT_EQ(TSimpleIniFile(Lines{}).ReadString("K", "\"dflt\""), "dflt");
}

TEST(SimpleIniFile, IntegerRules)
{
    const struct {
        const char* value;
        std::int32_t expected; // 12345 stands for "the default"
    } cases[] = {
        {"0x1F", 31},
        {"0X1f", 31},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"-$10", -16},
        {"+$10", 16},
        {"$FFFFFFFF", -1},
        {"$000000001F", 31}, // leading zeros are not significant
        {"$1FFFFFFFF", 12345},
        {"-$80000000", INT32_MIN},
        {"42", 42},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"2147483648", 12345},
        {"-2147483649", 12345},
        {"99999999999999999999", 12345},
        {"12abc", 12345},
        {"\"5\"", 12345},
        {"", 12345},
        {"0x", 12345},
        {"$", 12345},
        {"-", 12345},
        {"+", 12345},
        {"$G", 12345},
        {"1 2", 12345},
        {"0", 0},
        {"-0", 0},
    };
    for (const auto& c : cases) {
        const TSimpleIniFile ini(Lines{Text("K=") + c.value});
        EXPECT_EQ(ini.ReadInteger("k", 12345), c.expected) << '"' << c.value << '"';
    }
    EXPECT_EQ(TSimpleIniFile(Lines{}).ReadInteger("MISSING", 9), 9);
}

TEST(SimpleIniFile, DecodesByteOrderMarksAndTheThreeLineEnds)
{
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"A=1\r\nB=2\rC=3\nD=4", {"A=1", "B=2", "C=3", "D=4"}},
        {"A=1\r\n", {"A=1"}},
        {"A=1\n\n", {"A=1", ""}},
        {"\r\n\r\n", {"", ""}},
        {"", {}},
        {"\xEF\xBB\xBFNAME=Caf\xC3\xA9 \xE2\x82\xAC", {"NAME=Caf\xE9 \x80"}},
        {std::string("\xFF\xFEN\0=\0\xE9\0\r\0\n\0\xAC\x20", 14), {"N=\xE9", "\x80"}},
        {std::string("\xFE\xFF\0N\0=\x03\xA9", 8), {"N=?"}}, // Ω is not in the code page
        {"NAME=Caf\xE9", {"NAME=Caf\xE9"}},                  // no mark: Windows-1252 as it is
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSimpleIniFile::DecodeLines(c.bytes), c.lines);
}

TEST(SimpleIniFile, BrokenUtf16GivesOneQuestionMarkPerBadUnit)
{
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        // A high surrogate without its low one: the line end after it still ends the line.
        {std::string("\xFF\xFE"
                     "A\0=\0"
                     "1\0\0\xD8\n\0"
                     "B\0=\0"
                     "2\0",
                     18),
         {"A=1?", "B=2"}},
        {std::string("\xFE\xFF\0A\xD8\0\xD8\x3D\xDE\0\0B", 12), {"A??B"}}, // lone high, then a pair
        {std::string("\xFF\xFE\0\xDC"
                     "A\0",
                     6),
         {"?A"}}, // a lone low surrogate
        {std::string("\xFF\xFE"
                     "A\0\0\xD8",
                     6),
         {"A?"}},                                 // a high surrogate at the end
        {std::string("\xFF\xFEN\0=", 5), {"N?"}}, // an odd byte at the end
        {std::string("\xFE\xFF\0N\0", 5), {"N?"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSimpleIniFile::DecodeLines(c.bytes), c.lines);
}

TEST(SimpleIniFile, ReadsFilesAndFailsOnMissingOnes)
{
    test::TempDir dir;
    const Text path = dir.write("tuner.mpi", "\xEF\xBB\xBF"
                                             "DEVICE=1\r\nNAME=FM \xC3\x9C"
                                             "bertragung\r\nIR_TIME_0 = 0x230\r\n");
    const TSimpleIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("DEVICE", 0), 1);
    EXPECT_EQ(ini.ReadString("NAME", ""), "FM \xDC"
                                          "bertragung");
    EXPECT_EQ(ini.ReadInteger("ir_time_0", 0), 0x230);
    EXPECT_THROW(TSimpleIniFile(dir.text("missing.mpi")), Error);
}

TEST(SimpleIniFile, HostileTextGivesDefinedResults)
{
    std::string garbage;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 24);
    }
    const TSimpleIniFile fromGarbage(TSimpleIniFile::DecodeLines(garbage));
    EXPECT_EQ(fromGarbage.ReadInteger("NO SUCH KEY", 3), 3);

    // A 1 MiB line, a file ending in the middle of a line, a lone byte-order mark.
    const Text longValue(1 << 20, 'v');
    const TSimpleIniFile longLine(TSimpleIniFile::DecodeLines("NAME=" + longValue + "\nSELECT=4"));
    EXPECT_EQ(longLine.ReadString("NAME", ""), longValue);
    EXPECT_EQ(longLine.ReadInteger("SELECT", 0), 4);
    EXPECT_TRUE(TSimpleIniFile::DecodeLines("\xFF\xFE").empty());
    const TSimpleIniFile cut(TSimpleIniFile::DecodeLines("NAME=Tu"));
    EXPECT_EQ(cut.ReadString("NAME", ""), "Tu");
}

} // namespace
} // namespace zr48
