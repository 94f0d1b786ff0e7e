#include "infrared/IrDecoder.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrString.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace zr48 {
namespace {

struct CodeCase {
    const char* protocol;
    std::uint32_t address;
    std::uint32_t command;
    bool toggle;
    const char* decoded; // the first line the decoder prints
};

// Field values at the ends of each range and in between; where two protocols send the same marks
// and spaces, the line names the one the decoder reports.
const CodeCase kCodes[] = {
    {"NEC", 0x04, 0x08, false, "NEC address=0x04 command=0x08"},
    {"NEC", 0x00, 0x00, false, "NEC address=0x00 command=0x00"},
    {"NEC", 0xFF, 0xFF, false, "NEC address=0xFF command=0xFF"},
    {"NEC", 0xA5, 0x5A, false, "NEC address=0xA5 command=0x5A"},
    {"NECext", 0xEE87, 0x5DA2, false, "NECext address=0xEE87 command=0x5DA2"},
    {"NECext", 0x0000, 0xFFFF, false, "NECext address=0x0000 command=0xFFFF"},
    {"NECext", 0xBF40, 0x12EC, false, "NECext address=0xBF40 command=0x12EC"}, // address inverse holds
    {"NECext", 0xFB04, 0xF708, false, "NEC address=0x04 command=0x08"},        // both inverses hold
    {"Samsung32", 0x07, 0x02, false, "Samsung32 address=0x07 command=0x02"},
    {"Samsung32", 0xFF, 0x00, false, "Samsung32 address=0xFF command=0x00"},
    {"RC5", 0x00, 0x0C, true, "RC5 address=0x00 command=0x0C toggle=1"},
    {"RC5", 0x1F, 0x3F, false, "RC5 address=0x1F command=0x3F toggle=0"},
    {"RC5", 0x14, 0x45, false, "RC5X address=0x14 command=0x45 toggle=0"},
    {"RC5X", 0x05, 0x7F, true, "RC5X address=0x05 command=0x7F toggle=1"},
    {"RC5X", 0x00, 0x40, false, "RC5X address=0x00 command=0x40 toggle=0"},
    {"RC6", 0x00, 0x0C, false, "RC6 address=0x00 command=0x0C toggle=0"},
    {"RC6", 0xFF, 0xFF, true, "RC6 address=0xFF command=0xFF toggle=1"},
    {"RC6", 0x80, 0x01, true, "RC6 address=0x80 command=0x01 toggle=1"},
    {"SIRC", 0x01, 0x15, false, "SIRC address=0x01 command=0x15"},
    {"SIRC", 0x1F, 0x7F, false, "SIRC address=0x1F command=0x7F"},
    {"SIRC", 0x00, 0x00, false, "SIRC address=0x00 command=0x00"},
    {"SIRC15", 0x97, 0x12, false, "SIRC15 address=0x97 command=0x12"},
    {"SIRC15", 0x00, 0x00, false, "SIRC15 address=0x00 command=0x00"},
    {"SIRC20", 0x1ABC, 0x45, false, "SIRC20 address=0x1ABC command=0x45"},
    {"SIRC20", 0x1FFF, 0x7F, false, "SIRC20 address=0x1FFF command=0x7F"},
    {"Kaseikyo", 0x00200280, 0x03D0, false, "Kaseikyo address=0x00200280 command=0x03D0"},
    {"Kaseikyo", 0x03325441, 0x001B, false, "Kaseikyo address=0x03325441 command=0x001B"},
    {"Kaseikyo", 0x03FFFFFF, 0x03FF, false, "Kaseikyo address=0x03FFFFFF command=0x03FF"},
    {"JVC", 0x59, 0x35, false, "JVC address=0x59 command=0x35"},
    {"JVC", 0xFF, 0x00, false, "JVC address=0xFF command=0x00"},
};

IrDurations encode(const CodeCase& c)
{
    const IrProtocol* protocol = findIrProtocol(c.protocol);
    EXPECT_NE(protocol, nullptr) << c.protocol;
    const IrCode code{c.address, c.command, c.toggle};
    EXPECT_EQ(irCodeProblem(*protocol, code), "");
    return encodeIrFrame(*protocol, code);
}

std::string firstLine(std::span<const std::uint32_t> durations)
{
    const auto frames = decodeIrFrames(durations);
    return frames.empty() ? std::string("(nothing)") : describeIrFrame(frames.front());
}

// What a receiver makes of a frame: each mark `lag` µs longer and its space as much shorter, then
// `jitter` added to every duration.
struct Distortion {
    std::function<std::uint32_t()> lag;
    std::function<std::int32_t(bool mark)> jitter;
};

IrDurations distort(IrDurations durations, const Distortion& distortion)
{
    for (std::size_t i = 0; i < durations.size(); i += 2) {
        const std::uint32_t lag = distortion.lag();
        durations[i] += lag;
        if (i + 1 < durations.size())
            durations[i + 1] -= lag;
    }
    for (std::size_t i = 0; i < durations.size(); ++i)
        durations[i] =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(durations[i]) + distortion.jitter(i % 2 == 0));
    return durations;
}

TEST(IrCodecTest, EveryCodeDecodesFromItsEncodingThroughReceiverLagAndJitter)
{
    std::mt19937 random(48); // seeded: every run sees the same captures
    std::uniform_int_distribution<std::uint32_t> lag(0, 40);
    std::uniform_int_distribution<std::int32_t> jitter(-30, 30);
    const Distortion distortions[] = {
        {[] { return 0u; }, [](bool) { return 0; }},
        // The corners: marks as long and spaces as short as a capture makes them, and the reverse.
        {[] { return 40u; }, [](bool mark) { return mark ? 30 : -30; }},
        {[] { return 0u; }, [](bool mark) { return mark ? -30 : 30; }},
        {[&] { return lag(random); }, [&](bool) { return jitter(random); }},
    };
    for (const CodeCase& c : kCodes) {
        const IrDurations clean = encode(c);
        for (int round = 0; round < 50; ++round) {
            const Distortion& distortion = distortions[std::min<std::size_t>(round, std::size(distortions) - 1)];
            const IrDurations captured = distort(clean, distortion);
            EXPECT_EQ(firstLine(captured), c.decoded)
                << c.protocol << " round " << round << ": " << formatIrString(captured);
            // The analyser reports no space after the last mark.
            const std::span<const std::uint32_t> withoutLeadOut(captured.data(), captured.size() - 1);
            EXPECT_EQ(firstLine(withoutLeadOut), c.decoded) << c.protocol << " without its lead-out, round " << round;
        }
    }
}

TEST(IrCodecTest, HeldKeysAreReportedAsRepeatsOfTheCodeBefore)
{
    const struct {
        std::vector<const char*> protocols; // frames sent one after the other
        IrDurations extra;                  // durations after them
        std::vector<std::string> lines;
    } cases[] = {
        {{"NEC"},
         {9000, 2250, 560, 96000, 9000, 2250, 560},
         {"NEC address=0x04 command=0x08", "NEC repeat", "NEC repeat"}},
        {{"SIRC", "SIRC", "SIRC"}, {}, {"SIRC address=0x04 command=0x08", "SIRC repeat", "SIRC repeat"}},
        // An NEC repeat frame on its own still names its protocol.
        {{}, {9000, 2250, 560}, {"NEC repeat"}},
    };
    for (const auto& c : cases) {
        IrDurations durations;
        for (const char* name : c.protocols) {
            const IrDurations frame = encodeIrFrame(*findIrProtocol(name), {0x04, 0x08, false});
            durations.insert(durations.end(), frame.begin(), frame.end());
        }
        durations.insert(durations.end(), c.extra.begin(), c.extra.end());
        std::vector<std::string> lines;
        for (const IrFrame& frame : decodeIrFrames(durations))
            lines.push_back(describeIrFrame(frame));
        EXPECT_EQ(lines, c.lines);
    }

    // JVC repeats its frame without the lead-in; RC5 repeats the whole frame with the same toggle.
    const IrProtocol& jvc = *findIrProtocol("JVC");
    IrDurations jvcHeld = encodeIrFrame(jvc, {0x59, 0x35, false});
    const IrDurations again = encodeIrFrame(jvc, {0x59, 0x35, false});
    jvcHeld.insert(jvcHeld.end(), again.begin() + 2, again.end());
    ASSERT_EQ(decodeIrFrames(jvcHeld).size(), 2u);
    EXPECT_EQ(describeIrFrame(decodeIrFrames(jvcHeld)[1]), "JVC repeat");

    const IrProtocol& rc5 = *findIrProtocol("RC5");
    IrDurations pressedTwice = encodeIrFrame(rc5, {0x05, 0x10, false});
    const IrDurations toggled = encodeIrFrame(rc5, {0x05, 0x10, true});
    pressedTwice.insert(pressedTwice.end(), toggled.begin(), toggled.end());
    pressedTwice.insert(pressedTwice.end(), toggled.begin(), toggled.end());
    std::vector<std::string> lines;
    for (const IrFrame& frame : decodeIrFrames(pressedTwice))
        lines.push_back(describeIrFrame(frame));
    EXPECT_EQ(lines, (std::vector<std::string>{"RC5 address=0x05 command=0x10 toggle=0",
                                               "RC5 address=0x05 command=0x10 toggle=1", "RC5 repeat"}));
}

TEST(IrCodecTest, FramesThatBreakAProtocolsRulesAreUnknown)
{
    const IrDurations nec = encodeIrFrame(*findIrProtocol("NEC"), {0x04, 0x08, false});
    const IrDurations kaseikyo = encodeIrFrame(*findIrProtocol("Kaseikyo"), {0x00200280, 0x03D0, false});
    const IrDurations sirc = encodeIrFrame(*findIrProtocol("SIRC"), {0x01, 0x15, false});
    auto changed = [](IrDurations durations, std::size_t index, std::uint32_t value) {
        durations[index] = value;
        return durations;
    };
    auto cut = [](IrDurations durations, std::size_t count) {
        durations.resize(count);
        return durations;
    };
    const struct {
        const char* what;
        IrDurations durations;
        const char* line;
    } cases[] = {
        {"a bit space between 0 and 1", changed(nec, 5, 1100), "unknown length=68520us marks=34 spaces=33"},
        {"the lead-in mark too short", changed(nec, 0, 6000), "unknown length=64980us marks=34 spaces=33"},
        {"a frame cut after 20 bits", cut(nec, 42), "unknown length=44380us marks=21 spaces=20"},
        // The first parity bit flipped: vendor parity no longer holds.
        {"a wrong Kaseikyo parity", changed(kaseikyo, 2 + 2 * 16 + 1, 1296),
         "unknown length=60048us marks=50 spaces=49"},
        // A SIRC frame whose last space is no closing space: a longer frame follows.
        {"SIRC bits running on", changed(sirc, 25, 600), "unknown length=19200us marks=13 spaces=12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(firstLine(c.durations), c.line) << c.what;
}

TEST(IrCodecTest, EncodingRefusesCodesOutsideTheProtocolsRanges)
{
    const struct {
        const char* protocol;
        IrCode code;
        const char* problem;
    } cases[] = {
        {"NEC", {0x100, 0, false}, "NEC takes an address from 0x00 to 0xFF (0 to 255)"},
        {"NEC", {0, 0x100, false}, "NEC takes a command from 0x00 to 0xFF (0 to 255)"},
        {"NECext", {0x10000, 0, false}, "NECext takes an address from 0x0000 to 0xFFFF (0 to 65535)"},
        {"RC5", {0x20, 0, false}, "RC5 takes an address from 0x00 to 0x1F (0 to 31)"},
        {"RC5", {0, 0x80, false}, "RC5 takes a command from 0x00 to 0x7F (0 to 127)"},
        {"RC5X", {0, 0x3F, false}, "RC5X takes a command from 0x40 to 0x7F (64 to 127)"},
        {"SIRC", {0x20, 0, false}, "SIRC takes an address from 0x00 to 0x1F (0 to 31)"},
        {"SIRC20", {0x2000, 0, false}, "SIRC20 takes an address from 0x0000 to 0x1FFF (0 to 8191)"},
        {"Kaseikyo", {0x04000000, 0, false}, "Kaseikyo takes an address from 0x00000000 to 0x03FFFFFF"},
        {"Kaseikyo", {0, 0x400, false}, "Kaseikyo takes a command from 0x0000 to 0x03FF (0 to 1023)"},
        {"NEC", {0, 0, true}, "NEC has no toggle bit"},
    };
    for (const auto& c : cases) {
        const std::string problem = irCodeProblem(*findIrProtocol(c.protocol), c.code);
        EXPECT_EQ(problem.substr(0, std::string(c.problem).size()), c.problem);
    }
    EXPECT_EQ(irCodeProblem(*findIrProtocol("RC5"), {0x1F, 0x7F, true}), "");
    EXPECT_EQ(findIrProtocol("sirc15"), findIrProtocol("SIRC15"));
    EXPECT_EQ(findIrProtocol("NEC42"), nullptr);
}

// The marks and spaces of a few codes as the protocols' descriptions give them.
TEST(IrCodecTest, FramesHaveThePublishedTimings)
{
    EXPECT_EQ(formatIrString(encodeIrFrame(*findIrProtocol("NEC"), {0x04, 0x08, false})),
              "#9000#4500"
              "#560#560#560#560#560#1690#560#560#560#560#560#560#560#560#560#560"       // 0x04
              "#560#1690#560#1690#560#560#560#1690#560#1690#560#1690#560#1690#560#1690" // 0xFB
              "#560#560#560#560#560#560#560#1690#560#560#560#560#560#560#560#560"       // 0x08
              "#560#1690#560#1690#560#1690#560#560#560#1690#560#1690#560#1690#560#1690" // 0xF7
              "#560#40020");
    // RC5 address 5, command 0x35, toggle 1: bits 1 1 1 00101 110101, a 1 sent space first.
    EXPECT_EQ(formatIrString(encodeIrFrame(*findIrProtocol("RC5"), {0x05, 0x35, true})),
              "#889#889#889#889#1778#889#889#1778#1778#1778#889#889#889#889#1778#1778#1778#1778#889#89789");
    // SIRC address 1, command 0x15: 2400/600, then 7 command and 5 address bits, a 1 a longer mark.
    EXPECT_EQ(formatIrString(encodeIrFrame(*findIrProtocol("SIRC"), {0x01, 0x15, false})),
              "#2400#600#1200#600#600#600#1200#600#600#600#1200#600#600#600#600#600#1200#600#600#600#600#600"
              "#600#600#600#25800");
}

} // namespace
} // namespace zr48
