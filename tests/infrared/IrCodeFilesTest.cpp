#include "infrared/FlipperIrFile.h"
#include "infrared/IrDecoder.h"
#include "infrared/IrString.h"
#include "infrared/ProntoHex.h"
#include "support/ThrownError.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

std::vector<std::string> decodedLines(std::span<const std::uint32_t> durations)
{
    std::vector<std::string> lines;
    for (const IrFrame& frame : decodeIrFrames(durations))
        lines.push_back(describeIrFrame(frame));
    return lines;
}

// Written word by word from the format: 0000, carrier divisor 006D (109 periods of 0.241246 µs:
// 26.3 µs, 38 kHz), 34 pairs sent once, 2 repeated. Once: the 9 ms / 4.5 ms lead-in (0156 00AB),
// address 04, its inverse FB, command 08, its inverse F7 (a 0 is 0015 0015, a 1 0015 0040), the
// stop mark and 40.5 ms of silence (0604); repeated: 9 ms, 2.25 ms (0055), the mark, 96 ms (0E4A).
const char* const kNecPronto = "0000 006D 0022 0002 0156 00AB "
                               "0015 0015 0015 0015 0015 0040 0015 0015 0015 0015 0015 0015 0015 0015 0015 0015 "
                               "0015 0040 0015 0040 0015 0015 0015 0040 0015 0040 0015 0040 0015 0040 0015 0040 "
                               "0015 0015 0015 0015 0015 0015 0015 0040 0015 0015 0015 0015 0015 0015 0015 0015 "
                               "0015 0040 0015 0040 0015 0040 0015 0015 0015 0040 0015 0040 0015 0040 0015 0040 "
                               "0015 0604 "
                               "0156 0055 0015 0E4A";

TEST(ProntoHexTest, ALearnedCodeGivesItsOnceAndRepeatedSequencesInMicroseconds)
{
    std::string kind;
    const auto nec = parseProntoCode(kNecPronto, kind);
    ASSERT_TRUE(nec);
    EXPECT_EQ(nec->carrierHz, 38029u);
    EXPECT_EQ(nec->durations.size(), 72u);
    EXPECT_EQ(decodedLines(nec->durations), (std::vector<std::string>{"NEC address=0x04 command=0x08", "NEC repeat"}));

    // 0073: 27.74 µs a period (36 kHz); 32 periods are 888 µs, 16 are 444.
    const auto small = parseProntoCode("  0000 0073 0001 0001 0020 0010\t0010 0020 ", kind);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->carrierHz, 36045u);
    EXPECT_EQ(small->durations, (IrDurations{888, 444, 444, 888}));

    // Codes of another kind (0100 unmodulated, 5000 RC5 by its numbers) are no learned codes.
    EXPECT_FALSE(parseProntoCode("5000 0073 0000 0001 0000 0001", kind));
    EXPECT_EQ(kind, "5000");
}

TEST(ProntoHexTest, MalformedWordsAreRefusedWithTheReason)
{
    const struct {
        const char* words;
        const char* problem;
    } cases[] = {
        {"0000 006D 0000 0001 0156", "an odd number of words (5)"},
        {"0000 0000 0000 0001 0156 00AB", "the carrier word is 0000"},
        {"0000 006D 0001 0001 0156 00AB", "announces 1 + 1 burst pairs but 1 follow"},
        {"0000 006D 0000 0001 0156 00XB", "'00XB' is no four-digit hexadecimal word"},
        {"0000 006D 0000 0001 0156 000AB", "'000AB' is no four-digit hexadecimal word"},
        {"0000 006D 0000 0001 0156 0000", "burst 2 is 0"},
        {"0000 006D", "four words before its bursts"},
        {"0000 006D 0000 0000", "the code announces no bursts"},
        // The bytes of a garbage file are quoted escaped.
        {"0000 006D 0000 0001 0156 \x1B[2J\xFF", "'\\x1B[2J\\xFF' is no four-digit hexadecimal word"},
    };
    for (const auto& c : cases) {
        std::string kind;
        const std::string message = test::thrownMessage([&] { parseProntoCode(c.words, kind); });
        EXPECT_NE(message.find(c.problem), std::string::npos) << c.words << ": " << message;
    }
}

TEST(ProntoHexTest, WrittenCodesComeBackWithinOneTimeUnit)
{
    const IrDurations durations{9000, 4500, 560, 560, 560, 1690, 560};
    const std::string words = formatProntoCode(durations, 38000, 40000);
    EXPECT_EQ(words.substr(0, 20), "0000 006D 0000 0004 ");
    std::string kind;
    const auto back = parseProntoCode(words, kind);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->durations.size(), 8u); // the closing space added to the last mark
    for (std::size_t i = 0; i < durations.size(); ++i)
        EXPECT_NEAR(back->durations[i], durations[i], 109 * kProntoClockMicroseconds) << i;
    EXPECT_NEAR(back->durations[7], 40000, 109 * kProntoClockMicroseconds);
}

// A word holds FFFF at most: what needs more is refused rather than written as another code.
TEST(ProntoHexTest, ACodeTheWordsCannotHoldIsRefused)
{
    const IrDurations pairs(2 * 65536, 500);
    EXPECT_NE(test::thrownMessage([&] {
                  formatProntoCode(pairs, 38000, 40000);
              }).find("65536 burst pairs; a Pronto code holds at most 65535"),
              std::string::npos);
    EXPECT_EQ(formatProntoCode(IrDurations(2 * 65535, 500), 38000, 40000).substr(0, 20), "0000 006D 0000 FFFF ");
    // At 38 kHz a word holds 65,535 periods of 26.3 µs: 1.72 s.
    EXPECT_NE(test::thrownMessage([&] {
                  formatProntoCode(IrDurations{9000, 1800000}, 38000, 40000);
              }).find("a duration of 1800000 us; a Pronto code at 38000 Hz holds at most 1723296 us"),
              std::string::npos);
}

TEST(FlipperIrFileTest, ReadsParsedAndRawSignals)
{
    const auto signals = readFlipperIr("Filetype: IR signals file\r\nVersion: 1\r\n#\r\n"
                                       "name: Ch+\r\ntype: parsed\r\nprotocol: NECext\r\n"
                                       "address: 87 EE 00 00\r\ncommand: A2 5D 00 00\r\n#\r\n"
                                       "name: Mute\r\ntype: raw\r\nfrequency: 36000\r\nduty_cycle: 0.33\r\n"
                                       "data: 889 889 1778\r\ndata: 889\r\n");
    ASSERT_EQ(signals.size(), 2u);
    EXPECT_EQ(signals[0].name, "Ch+");
    EXPECT_EQ(signals[0].line, 4);
    EXPECT_TRUE(signals[0].parsed);
    EXPECT_EQ(signals[0].protocol, "NECext");
    EXPECT_EQ(signals[0].address, 0xEE87u);
    EXPECT_EQ(signals[0].command, 0x5DA2u);
    EXPECT_EQ(signals[1].name, "Mute");
    EXPECT_FALSE(signals[1].parsed);
    EXPECT_EQ(signals[1].frequency, 36000u);
    EXPECT_EQ(signals[1].data, (IrDurations{889, 889, 1778, 889}));

    // What is written reads back as it was.
    const auto again = readFlipperIr(writeFlipperIr(signals));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].address, 0xEE87u);
    EXPECT_EQ(again[1].data, signals[1].data);
}

TEST(FlipperIrFileTest, MalformedFilesNameTheLine)
{
    const std::string head = "Filetype: IR signals file\nVersion: 1\n#\n";
    const struct {
        std::string text;
        const char* problem;
    } cases[] = {
        {"Filetype: Flipper SubGhz Key File\nVersion: 1\n", "line 1: not an infrared signals file"},
        {"Filetype: IR signals file\nVersion: 2\n", "line 2: only version 1"},
        {head + "name: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\n",
         "line 4: the signal \"Power\" ends at line 7 without its command: line"},
        {head + "name: Power\ntype: parsed\nprotocol: NEC\n#\nname: Mute\ntype: raw\nfrequency: 38000\ndata: 1 2\n",
         "line 4: the signal \"Power\" ends at line 7 without its address: line"},
        {head + "name: Mute\ntype: raw\nfrequency: 38000\n",
         "line 4: the signal \"Mute\" ends at line 6 without its data:"},
        {head + "name: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00\n", "line 7: address: takes four"},
        {head + "name: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 0G\n", "line 7: address: takes four"},
        {head + "name: Mute\ntype: raw\nfrequency: 0\n", "line 6: a frequency of 0"},
        {head + "name: Mute\ntype: rare\n", "line 5: the type is \"parsed\" or \"raw\""},
        {head + "name: Mute\ntype: raw\nfreque", "line 6: \"freque\" is neither"},
        {head + "type: raw\n", "line 4: \"type:\" before the first \"name:\""},
    };
    for (const auto& c : cases) {
        const std::string message = test::thrownMessage([&] { readFlipperIr(c.text); });
        EXPECT_NE(message.find(c.problem), std::string::npos) << c.text << ": " << message;
    }
}

// A bad duration, or the end of a file cut off, spoils one button; the others are read.
TEST(FlipperIrFileTest, ABadButtonIsReadWithItsProblemAndTheRestAsTheyAre)
{
    const std::string power = "# written by hand\nFiletype: IR signals file\nVersion: 1\n#\nname: Power\n"
                              "type: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n#\n";
    const struct {
        std::string mute; // the file's second button
        const char* problem;
    } cases[] = {
        {"name: Mute\ntype: raw\nfrequency: 38000\ndata: 900 0 500\n", "a duration of 0 (line 14)"},
        {"name: Mute\ntype: raw\nfrequency: 38000\ndata: 900 45x\n", "the duration '45x' (line 14) is no whole number"},
        {"name: Mute\ntype: raw\nfrequency: 38000\ndata: 900 450 9",
         "the file ends in the middle of it (line 14 has no line end)"},
        {"name: Mute\ntype: parsed\nprotocol: NEC\naddress: 04 00",
         "the file ends in the middle of it (line 14 has no line end)"},
        {"name: Mute\ntype: parsed\nprotocol: NEC", "the file ends in the middle of it (line 13 has no line end)"},
        // Complete without the last line end: nothing is missing.
        {"name: Mute\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 09 00 00 00", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mute);
        const std::vector<FlipperSignal> signals = readFlipperIr(power + c.mute);
        ASSERT_EQ(signals.size(), 2u);
        EXPECT_EQ(signals[0].problem, "");
        EXPECT_EQ(signals[0].command, 8u);
        EXPECT_EQ(signals[1].name, "Mute");
        EXPECT_EQ(signals[1].problem, c.problem);
    }
}

TEST(IrStringTest, DurationsAndTableReferencesAreRead)
{
    const IrTimingTable table = readIrTimingTable({"IR_TIME_0 = 560", "IR_TIME_1 = 1690", "IR_TIME_3=0x2328"});
    const struct {
        const char* text;
        IrDurations durations;
    } cases[] = {
        {"#9000#4500#560", {9000, 4500, 560}},
        {"\"#9 000#4500 \"", {9000, 4500}},
        {"$0101#9000$3", {560, 1690, 560, 1690, 9000, 9000}},
        {"$01 1#560", {560, 1690, 1690, 560}},
    };
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_EQ(parseIrString(c.text, &table, problem), c.durations) << c.text << ": " << problem;
    }
    const struct {
        const char* text;
        const IrTimingTable* table;
        const char* problem;
    } bad[] = {
        {"#9000#4500$2", &table, "$2 at character 12 refers to IR_TIME_2, which has no value"},
        {"#9000$0", nullptr, "$0 at character 7 refers to the timing table"},
        {"#9000##560", &table, "\"#\" without a number"},
        {"#9000#0", &table, "a duration of 0"},
        {"#9000x#560", &table, "'x' at character 6"},
        {"", &table, "no duration"},
    };
    for (const auto& c : bad) {
        std::string problem;
        EXPECT_FALSE(parseIrString(c.text, c.table, problem)) << c.text;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
    EXPECT_EQ(formatIrString(IrDurations{9000, 4500, 560}), "#9000#4500#560");
}

TEST(IrStringTest, TheLinesOfADeviceFileThatHoldInfraredStrings)
{
    const struct {
        const char* line;
        const char* key; // null: no infrared string
        const char* value;
    } cases[] = {
        {"IR_POWER=\"#9000#4500\"", "IR_POWER", "#9000#4500"},
        {" IR_OFF = \"$0#9000\"", "IR_OFF", "$0#9000"},
        {"IR_OPEN=\"#9000", "IR_OPEN", "#9000"},
        {"NAME=\"Living room\"", nullptr, nullptr},
        {"DESCRIPTION=Price #5", nullptr, nullptr},
        {"COMMENT=x \"#500\"", nullptr, nullptr},
        {"=\"#500\"", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto string = irStringLine(c.line);
        ASSERT_EQ(string.has_value(), c.key != nullptr) << c.line;
        if (string) {
            EXPECT_EQ(string->key, c.key);
            EXPECT_EQ(string->value, c.value);
        }
    }
}

} // namespace
} // namespace zr48
