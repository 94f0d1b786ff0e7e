#include "infrared/FlipperIrFile.h"
#include "infrared/IrCodeExport.h"
#include "infrared/IrCodeImport.h"
#include "infrared/IrDecoder.h"
#include "infrared/IrString.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

// Flipper files number some protocols their own way: RC5X commands from 0 (the extended bit is
// the protocol's name), NEC42's 13-bit address, RCA's 4-bit one. A file's buttons read in, kept
// as durations in a device file and written out again carry the same protocol, address and
// command; what the decoder names each shows how it is numbered here.
TEST(FlipperNumberingTest, ParsedSignalsComeBackAsTheyWere)
{
    const std::string file = test::fileContents(ZR48_IR_FIXTURES "/FlipperNumbering.ir");
    const std::vector<IrButton> buttons = readIrCodeFile(file);
    const struct {
        const char* name;
        const char* decoded;
        const char* protocol; // written back
        std::uint32_t address;
        std::uint32_t command;
    } expected[] = {
        // Philips "Menu": RC5 command 82.
        {"Menu", "RC5X address=0x00 command=0x12 toggle=0", "RC5X", 0x00, 0x12},
        {"Menu_as_RC5", "RC5X address=0x00 command=0x12 toggle=0", "RC5X", 0x00, 0x12},
        {"Mute", "RC5 address=0x00 command=0x0D toggle=0", "RC5", 0x00, 0x0D},
        {"Guide", "NEC42 address=0x1ABC command=0x5A", "NEC42", 0x1ABC, 0x5A},
        {"Info", "NEC42ext address=0x02345678 command=0xBEEF", "NEC42ext", 0x02345678, 0xBEEF},
        {"Power", "Pioneer address=0xA5 command=0x38", "Pioneer", 0xA5, 0x38},
        {"Channel_up", "RCA address=0x0F command=0x54", "RCA", 0x0F, 0x54},
        // Panasonic's vendor id: named after the vendor here, written as Kaseikyo.
        {"Volume_up", "Panasonic address=0x0080 command=0x03D0", "Kaseikyo", 0x00200280, 0x03D0},
    };
    ASSERT_EQ(buttons.size(), std::size(expected));
    std::vector<Text> lines{"NAME=Numbering"};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i].skipped, "") << buttons[i].name;
        ASSERT_FALSE(buttons[i].durations.empty()) << buttons[i].name;
        EXPECT_EQ(describeIrFrame(decodeIrFrames(buttons[i].durations).front()), expected[i].decoded);
        lines.push_back("KEY_" + std::to_string(i) + "=\"" + formatIrString(buttons[i].durations) + "\"");
    }
    const std::vector<FlipperSignal> signals = readFlipperIr(exportIrStrings(lines, IrExportFormat::Flipper).text);
    ASSERT_EQ(signals.size(), std::size(expected));
    for (std::size_t i = 0; i < signals.size(); ++i) {
        EXPECT_TRUE(signals[i].parsed) << expected[i].name;
        EXPECT_EQ(signals[i].protocol, expected[i].protocol) << expected[i].name;
        EXPECT_EQ(signals[i].address, expected[i].address) << expected[i].name;
        EXPECT_EQ(signals[i].command, expected[i].command) << expected[i].name;
    }
}

TEST(FlipperNumberingTest, AProtocolOutsideTheTableIsSkippedWithItsName)
{
    const std::vector<IrButton> buttons = readIrCodeFile("Filetype: IR signals file\nVersion: 1\n#\nname: Menu\n"
                                                         "type: parsed\nprotocol: XMP\naddress: 01 00 00 00\n"
                                                         "command: 02 00 00 00\n");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].skipped, "protocol XMP is not in the table");
    EXPECT_TRUE(buttons[0].durations.empty());
}

} // namespace
} // namespace zr48
