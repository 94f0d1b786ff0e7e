#include "base/Text.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

struct CodePointCase {
    unsigned char byte;
    char32_t codePoint;
};

class Cp1252Mapping : public testing::TestWithParam<CodePointCase> {};

TEST_P(Cp1252Mapping, MapsBothWays)
{
    const auto [byte, codePoint] = GetParam();
    EXPECT_EQ(cp1252ToUnicode(byte), codePoint);
    EXPECT_EQ(unicodeToCp1252(codePoint), byte);
}

INSTANTIATE_TEST_SUITE_P(Text, Cp1252Mapping,
                         testing::Values(CodePointCase{'A', U'A'}, CodePointCase{0x80, U'€'},
                                         CodePointCase{0x81, 0x81}, // undefined: kept as C1 control
                                         CodePointCase{0x8A, U'Š'}, CodePointCase{0x8C, U'Œ'},
                                         CodePointCase{0x8D, 0x8D}, CodePointCase{0x8F, 0x8F},
                                         CodePointCase{0x90, 0x90}, CodePointCase{0x91, U'‘'},
                                         CodePointCase{0x96, U'–'}, CodePointCase{0x99, U'™'},
                                         CodePointCase{0x9A, U'š'}, CodePointCase{0x9D, 0x9D},
                                         CodePointCase{0x9F, U'Ÿ'}, CodePointCase{0xA0, 0xA0},
                                         CodePointCase{0xAE, U'®'}, CodePointCase{0xFF, U'ÿ'}));

TEST(Text, EveryByteSurvivesTheRoundTripThroughUtf8)
{
    Text all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
}

TEST(Text, ConvertsToUtf8)
{
    EXPECT_EQ(toUtf8("Feller BEAMIT\xAE"), "Feller BEAMIT®");
    EXPECT_EQ(toUtf8("\x80 \x9C\x9F"), "€ œŸ");
}

TEST(Text, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    const struct {
        const char* utf8;
        const char* expected;
    } cases[] = {
        {"Ω", "?"},              // Greek: not in the code page
        {"a😀b", "a?b"},          // four-byte sequence
        {"\xC3", "?"},           // truncated sequence
        {"\xC0\xAF", "??"},      // over-long encoding
        {"\xED\xA0\x80", "???"}, // surrogate
        {"\xFF", "?"},           // never valid in UTF-8
        {"Ä€", "\xC4\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromUtf8(c.utf8), c.expected) << c.utf8;
}

TEST(Text, TellsWellFormedUtf8AndReadsItsCharacters)
{
    const struct {
        const char* bytes;
        bool valid;
        std::u32string characters; // malformed bytes stand for themselves
    } cases[] = {
        {"Дом 家 🏠", true, U"Дом 家 🏠"},
        {"plain", true, U"plain"},
        {"Caf\xE9", false, U"Caf\u00E9"},                         // Latin-1 byte
        {"\xC3", false, U"\u00C3"},                               // truncated sequence
        {"\xC0\xAF", false, U"\u00C0\u00AF"},                     // over-long encoding
        {"\xED\xA0\x80", false, U"\u00ED\u00A0\u0080"},           // surrogate
        {"\xF4\x90\x80\x80", false, U"\u00F4\u0090\u0080\u0080"}, // past U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
        EXPECT_EQ(utf8Characters(c.bytes), c.characters) << c.bytes;
    }
}

TEST(Text, UpperAndLowerCaseFollowTheWesternLocale)
{
    const struct {
        const char* lower;
        const char* upper;
    } pairs[] = {
        {"abcxyz", "ABCXYZ"},
        {"\xE0\xE9\xF6\xFE", "\xC0\xC9\xD6\xDE"}, // àéöþ
        {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"}, // šœžÿ
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(upperCase(p.lower), p.upper);
        EXPECT_EQ(lowerCase(p.upper), p.lower);
    }
    // No single-letter upper case in the code page: unchanged.
    EXPECT_EQ(upperCase("\xDF\xB5\x83\xF7"), "\xDF\xB5\x83\xF7"); // ß µ ƒ ÷
    EXPECT_EQ(lowerCase("\xD7"), "\xD7");                         // ×
    EXPECT_EQ(upperCase("1-2_[x]"), "1-2_[X]");
}

TEST(Text, ComparesWithoutRegardToCase)
{
    EXPECT_TRUE(sameText("ir_time_0", "IR_TIME_0"));
    EXPECT_TRUE(sameText("\xE9t\xE9", "\xC9T\xC9"));
    EXPECT_TRUE(sameText("\x9C", "\x8C"));
    EXPECT_FALSE(sameText("abc", "abd"));
    EXPECT_FALSE(sameText("abc", "ab"));
    EXPECT_LT(compareText("ab", "ABC"), 0);
    EXPECT_GT(compareText("b", "A"), 0);
    EXPECT_EQ(compareText("Name", "nAME"), 0);
}

TEST(Text, TrimsSpacesAndControlCharacters)
{
    EXPECT_EQ(trimmed("  \t key = value \r\n"), "key = value");
    EXPECT_EQ(trimmed(" \x01\x1F "), "");
    EXPECT_EQ(trimmed("\xA0x\xA0"), "\xA0x\xA0"); // no-break space is not trimmed
    EXPECT_EQ(trimmed(""), "");
}

} // namespace
} // namespace zr48
