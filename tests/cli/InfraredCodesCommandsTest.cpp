#include "CliHarness.h"
#include "base/FileIo.h"
#include "cli/Cli.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrSignalSynth.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <iterator>
#include <set>
#include <sstream>

namespace zr48::cli {
namespace {

class InfraredCodesCommandsTest : public testing::Test, public CliHarness {
protected:
    std::string fixture() const { return ZR48_IR_FIXTURES "/LivingRoomTv.ir"; }

    test::TempDir dir;
};

TEST_F(InfraredCodesCommandsTest, AnEncodedCodeDecodesAsItself)
{
    ASSERT_EQ(runCli({"ir", "encode", "NEC", "0x04", "0x08"}), kExitOk) << err.str();
    std::string string = out.str();
    ASSERT_EQ(string.substr(0, 11), "#9000#4500#");
    string.pop_back(); // the line end, as xargs takes it
    ASSERT_EQ(runCli({"ir", "decode", string}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "NEC address=0x04 command=0x08\n");

    // Quoted as in a device file, in pieces as a shell splits it, in decimal, by any letter case.
    ASSERT_EQ(runCli({"ir", "encode", "rc5", "20", "69", "--toggle", "1"}), kExitOk) << err.str();
    const std::string rc5 = out.str().substr(0, out.str().size() - 1);
    const std::size_t middle = rc5.find('#', rc5.size() / 2);
    ASSERT_EQ(runCli({"ir", "decode", "\"" + rc5.substr(0, middle), rc5.substr(middle) + "\""}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "RC5X address=0x14 command=0x05 toggle=1\n");
}

TEST_F(InfraredCodesCommandsTest, EncodeRefusesWhatNoFrameCanCarry)
{
    const struct {
        Arguments arguments;
        int status;
        const char* message;
    } cases[] = {
        {{"ir", "encode", "XMP", "1", "2"}, kExitFailed, "unknown protocol 'XMP'; the table has NEC, NECext,"},
        {{"ir", "encode", "NEC", "0x100", "2"}, kExitFailed, "NEC takes an address from 0x00 to 0xFF (0 to 255)"},
        {{"ir", "encode", "SIRC", "1", "128"}, kExitFailed, "SIRC takes a command from 0x00 to 0x7F (0 to 127)"},
        {{"ir", "encode", "NEC", "1", "2", "--toggle", "1"}, kExitFailed, "NEC has no toggle bit"},
        {{"ir", "encode", "RC5", "1", "2", "--toggle", "2"}, kExitUsage, "--toggle takes 0 or 1"},
        {{"ir", "encode", "NEC", "0x", "2"}, kExitUsage, "ADDRESS and COMMAND are numbers"},
        {{"ir", "encode", "NEC", "4", "8x"}, kExitUsage, "ADDRESS and COMMAND are numbers"},
        {{"ir", "encode", "NEC", "-1", "8"}, kExitUsage, "ADDRESS and COMMAND are 0 or more, never negative"},
        {{"ir", "encode", "NEC", "4"}, kExitUsage, "usage: zr48 ir encode PROTOCOL ADDRESS COMMAND"},
    };
    // Completion offers every protocol of the table.
    std::set<std::string> names;
    for (const IrProtocol& protocol : irProtocols())
        names.insert(std::string(protocol.name));
    std::istringstream words(findCommandPath("ir encode")->words);
    EXPECT_EQ(std::set<std::string>(std::istream_iterator<std::string>(words), {}), names);
    for (const auto& c : cases) {
        EXPECT_EQ(runCli(c.arguments), c.status) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(InfraredCodesCommandsTest, ProtocolsListsTheTableThatEncodeAndDecodeUse)
{
    ASSERT_EQ(runCli({"ir", "protocols"}), kExitOk) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, 9), "PROTOCOL ");
    // RC5 takes RC5X's commands as 64 to 127.
    EXPECT_NE(text.find("\nRC5           36000    bi-phase       0x00..0x1F              0x00..0x3F (..0x7F)     yes"),
              std::string::npos)
        << text;
    EXPECT_NE(
        text.find("\nNEC42         38000    pulse-distance 0x0000..0x1FFF          0x00..0xFF              no     "
                  "yes     lead-in 9000/4500, 0 560/560, 1 560/1690, lsb A:13 ~A:13 C:8 ~C:8, stop 560\n"),
        std::string::npos);

    ASSERT_EQ(runCli({"ir", "protocols", "--json"}), kExitOk) << err.str();
    const auto json = nlohmann::json::parse(out.str());
    ASSERT_EQ(json["protocols"].size(), irProtocols().size());
    for (const auto& row : json["protocols"]) {
        // Every row encodes its largest code, which decodes as itself.
        const std::string name = row["name"];
        const std::string address = std::to_string(row["addressMax"].get<std::uint32_t>());
        const std::string command = std::to_string(row["commandMax"].get<std::uint32_t>());
        ASSERT_EQ(runCli({"ir", "encode", name, address, command}), kExitOk) << name << ": " << err.str();
        std::string string = out.str();
        string.pop_back();
        ASSERT_EQ(runCli({"ir", "decode", string, "--json"}), kExitOk) << err.str();
        const auto frame = nlohmann::json::parse(out.str())["frames"][0];
        EXPECT_EQ(frame["protocol"], name == "RC5" ? "RC5X" : name) << name;
        EXPECT_EQ(frame["address"], row["addressMax"]) << name;
        EXPECT_EQ(frame["command"].get<std::uint32_t>(),
                  row["commandMax"].get<std::uint32_t>() - (name == "RC5" ? 64 : 0));
    }
    EXPECT_EQ(runCli({"ir", "protocols", "NEC"}), kExitUsage);
}

TEST_F(InfraredCodesCommandsTest, AnUnknownFrameIsDescribed)
{
    // A 12-bit pulse-width frame that no row reads (SIRC has 12 bits after a 2400 us lead-in).
    const std::string string = "#4000#600#1200#600#600#600#1200#600#600#600#600#600#1200#600#1200#600#600#600#600#600"
                               "#600#600#1200#600#600#30000";
    ASSERT_EQ(runCli({"ir", "decode", string}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "unknown pulse-width unit=600us bits=12 data=0xA62 lead-in=4000/600us lead-out=30000us "
                         "length=21400us marks=13 spaces=12\n");
    ASSERT_EQ(runCli({"ir", "decode", string, "--json"}), kExitOk) << err.str();
    const auto frame = nlohmann::json::parse(out.str())["frames"][0];
    EXPECT_EQ(frame["protocol"], "unknown");
    EXPECT_EQ(frame["coding"], "pulse-width");
    EXPECT_EQ(frame["unitUs"], 600);
    EXPECT_EQ(frame["bits"], 12);
    EXPECT_EQ(frame["data"], "0xA62");
    EXPECT_EQ(frame["leadInMarkUs"], 4000);
    EXPECT_EQ(frame["leadOutUs"], 30000);
}

TEST_F(InfraredCodesCommandsTest, DecodeReadsTableReferencesThroughADeviceFile)
{
    const Path device = dir.write("Tv.mpi", "NAME=Tv\r\nIR_TIME_0 = 560\r\nIR_TIME_1 = 1690\r\nIR_TIME_2 = 9000\r\n"
                                            "IR_TIME_3=4500\r\nIR_TIME_4=40000\r\n");
    // NEC 0x04 0x08 in table references: a 0 is $00, a 1 $01.
    const std::string nec = "$23"
                            "0000"
                            "0100"
                            "0000"
                            "0000"
                            "0101"
                            "0001"
                            "0101"
                            "0101" // 04 FB
                            "0000"
                            "0001"
                            "0000"
                            "0000"
                            "0101"
                            "0100"
                            "0101"
                            "0101" // 08 F7
                            "04";
    ASSERT_EQ(runCli({"ir", "decode", nec, "--device", device}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "NEC address=0x04 command=0x08\n");

    EXPECT_EQ(runCli({"ir", "decode", nec}), kExitFailed);
    EXPECT_NE(err.str().find("refers to the timing table IR_TIME_0..9, which only a device file has"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(runCli({"ir", "decode", "$5", "--device", device}), kExitFailed);
    EXPECT_NE(err.str().find("IR_TIME_5, which has no value"), std::string::npos) << err.str();
    EXPECT_EQ(runCli({"ir", "decode", "$0", "--device", dir.text("None.mpi")}), kExitFailed);
    EXPECT_NE(prompt.errors().back().find("None.mpi"), std::string::npos);
}

TEST_F(InfraredCodesCommandsTest, DecodeOfACaptureFileNamesEveryFrame)
{
    const auto capture = test::emptyCapture();
    const IrDurations frame = encodeIrFrame(*findIrProtocol("Samsung32"), {0x07, 0x02, false});
    // The frame, a lone mark of 1 ms, the frame again.
    std::vector<int> durations(frame.begin(), frame.end());
    durations.back() = 40000;
    durations.insert(durations.end(), {1000, 20000});
    durations.insert(durations.end(), frame.begin(), frame.end());
    test::writeCarrierCode(*capture, 2000, durations);
    const Path file = dir.write("capture.bin", std::string(capture->begin(), capture->end()));

    ASSERT_EQ(runCli({"ir", "decode", file}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Samsung32 address=0x07 command=0x02\n"
                         "unknown carrier=38000Hz length=996us marks=1 spaces=0\n"
                         "Samsung32 address=0x07 command=0x02\n");
    ASSERT_EQ(runCli({"ir", "decode", file, "--json"}), kExitOk) << err.str();
    const auto json = nlohmann::json::parse(out.str());
    ASSERT_EQ(json["frames"].size(), 3u);
    EXPECT_EQ(json["frames"][0], (nlohmann::json{{"protocol", "Samsung32"}, {"address", 7}, {"command", 2}}));
    EXPECT_EQ(json["frames"][1]["carrierHz"], 38000);
    EXPECT_EQ(json["frames"][1]["marks"], 1);

    // A span without a whole mark.
    ASSERT_EQ(runCli({"ir", "decode", file, "0", "1000"}), kExitOk);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("no mark ends between samples 0 and 1000"), std::string::npos) << err.str();
    EXPECT_EQ(runCli({"ir", "decode", file, "0", "524288"}), kExitUsage);
}

std::string fileText(const Path& path)
{
    const Bytes bytes = readFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

TEST_F(InfraredCodesCommandsTest, ImportWritesADeviceFileAndReportsEachButton)
{
    const Path device = dir.text("Wohnzimmer TV.mpi");
    settings.setIrOptimizerPass1(0);
    settings.setIrOptimizerPass2(0);
    ASSERT_EQ(runCli({"ir", "import", fixture(), "--into", device}), kExitOk) << err.str();
    EXPECT_EQ(out.str().find("Imported 10 buttons into " + device + ": POWER, VOL_UP, VOL_UP_2, CH_PLUS,"), 0u)
        << out.str();
    const std::string text = fileText(device);
    EXPECT_EQ(text.find("DEVICE=6\r\nNAME=Wohnzimmer TV\r\nSELECT=0\r\n"), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));

    // With both tolerances 0 the durations are as the file gives them.
    ASSERT_EQ(runCli({"ir", "export", device, "--format", "flipper"}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("name: MUTE\ntype: raw\nfrequency: 38000\nduty_cycle: 0.330000\ndata: 3380 1720 450 1250 "
                             "450 400 450 400 450 1250 450 1250 450 400 450 1250 450 400 450 30000\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(
        out.str().find("name: CH_PLUS\ntype: parsed\nprotocol: NECext\naddress: 87 EE 00 00\ncommand: A2 5D 00 00\n"),
        std::string::npos);

    // Again: the keys are there; Yes replaces them, a prefix makes other keys.
    const char* const keys =
        "POWER, VOL_UP, VOL_UP_2, CH_PLUS, INPUT_SOURCE, SOUND_BAR, DISC_TRAY, MUTE, GUIDE, NAME_2.";
    prompt.answer(Answer::Yes, keys);
    ASSERT_EQ(runCli({"ir", "import", fixture(), "--into", device}), kExitOk) << err.str();
    EXPECT_EQ(out.str().find("Imported 10 buttons"), 0u);
    ASSERT_EQ(runCli({"ir", "import", fixture(), "--into", device, "--prefix", "ir_"}), kExitOk) << err.str();
    EXPECT_NE(out.str().find(": IR_POWER, IR_VOL_UP,"), std::string::npos) << out.str();
    prompt.answer(Answer::No, keys);
    const std::string before = fileText(device);
    EXPECT_EQ(runCli({"ir", "import", fixture(), "--into", device}), kExitFailed);
    EXPECT_NE(err.str().find("no button was imported"), std::string::npos) << err.str();
    EXPECT_EQ(fileText(device), before);
}

// The television's own codes are as the installer made them: an import adds lines, no more.
TEST_F(InfraredCodesCommandsTest, ImportKeepsEveryLineOfTheDeviceFileByteForByte)
{
    const std::string original = test::fileContents(ZR48_EXAMPLES_DIR "/database/Video/Lumetra/LX-40_TV.mpi");
    const Path device = dir.write("tv.mpi", original);
    // Every line of `text` that is no new key nor new table line, each with its line end.
    const auto ownLines = [&](const std::string& text) {
        std::string kept;
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t end = text.find('\n', pos) + 1;
            const std::string line = text.substr(pos, end - pos);
            if (original.find(line) != std::string::npos)
                kept += line;
            pos = end;
        }
        return kept;
    };
    // The file's prefix goes before the keys; its own keys stay after No.
    prompt.answer(Answer::No, "already: IR_POWER, IR_VOL_UP, IR_MUTE.");
    ASSERT_EQ(runCli({"ir", "import", fixture(), "--into", device}), kExitOk) << err.str();
    EXPECT_EQ(out.str().find("Imported 7 buttons into " + device + ": IR_VOL_UP_2, IR_CH_PLUS, IR_INPUT_SOURCE,"), 0u)
        << out.str();
    EXPECT_NE(out.str().find("\"Power\" (line 5): IR_POWER exists and was not replaced"), std::string::npos);
    EXPECT_EQ(ownLines(fileText(device)), original);
    EXPECT_EQ(out.str().find("Optimized"), std::string::npos);

    // A second import: still nothing of the file's own moves.
    ASSERT_EQ(runCli({"ir", "import", fixture(), "--into", device, "--prefix", "TV_"}), kExitOk) << err.str();
    EXPECT_EQ(ownLines(fileText(device)), original);

    // Asked to, the optimizer runs over the whole file and says what moved.
    ASSERT_EQ(runCli({"ir", "import", fixture(), "--into", device, "--prefix", "X_", "--optimize"}), kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("Optimized the whole file:\n  Key "), std::string::npos) << out.str();
    EXPECT_NE(ownLines(fileText(device)), original);
}

// A file with a section line hides what follows from the optimizer, which would write every
// duration there as 0; a project file is no device file at all.
TEST_F(InfraredCodesCommandsTest, ImportAndOptimizeRefuseWhatIsNoDeviceFile)
{
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } cases[] = {
        {"v.mpi", "DEVICE=6\r\nNAME=T\r\nIR_POWER=\"#9000#4500#560#1690\"\r\n[S]\r\nX=1\r\n",
         "line 4 is the section line \"[S]\", which a device file has none of."},
        {"Villa.mpj", test::fileContents(ZR48_EXAMPLES_DIR "/projects/Villa/Villa.mpj"),
         "line 1 is the section line \"[PROJECT]\", which a device file has none of (a project file begins with "
         "one)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Path path = dir.write(c.name, c.text);
        for (const Arguments& arguments : {Arguments{"ir", "optimize", path, "-o", dir.text("out.mpi")},
                                           Arguments{"ir", "import", fixture(), "--into", path}}) {
            prompt.clear();
            EXPECT_EQ(runCli(arguments), kExitFailed);
            ASSERT_EQ(prompt.errors().size(), 1u);
            EXPECT_EQ(prompt.errors()[0], "The file \"" + path + "\" is not a device file: " + c.reason);
            EXPECT_EQ(out.str(), "");
        }
        EXPECT_EQ(fileText(path), c.text);
        EXPECT_FALSE(fileExists(dir.text("out.mpi")));
    }
}

TEST_F(InfraredCodesCommandsTest, AFileThatCannotBeReadLeavesTheDeviceFileAsItWas)
{
    const std::string device = "DEVICE=6\r\nNAME=Tv\r\nIR_POWER=\"#9000#4500#560\"\r\n";
    const Path path = dir.write("Tv.mpi", device);
    const struct {
        const char* name;
        std::string text;
        const char* message;
    } cases[] = {
        {"odd.txt", "# Pronto\nPower: 0000 006D 0000 0001 0156 00AB\nMute: 0000 006D 0000 0001 0156\n",
         "odd.txt: line 3: an odd number of words (5)"},
        {"zero.txt", "Power: 0000 0000 0000 0001 0156 00AB\n", "zero.txt: line 1: the carrier word is 0000"},
        {"short.ir", "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: parsed\nprotocol: NEC\n",
         "short.ir: line 4: the signal \"Power\" ends at line 6 without its address: line"},
        {"notes.txt", "Remember the milk\n", "notes.txt: line 1: neither a Flipper .ir file nor Pronto hex"},
        {"empty.ir", "", "empty.ir: neither a Flipper .ir file nor Pronto hex: no code in it"},
    };
    for (const auto& c : cases) {
        prompt.clear();
        EXPECT_EQ(runCli({"ir", "import", dir.write(c.name, c.text), "--into", path}), kExitFailed) << c.name;
        ASSERT_EQ(prompt.errors().size(), 1u) << c.name;
        EXPECT_NE(prompt.errors()[0].find(c.message), std::string::npos) << prompt.errors()[0];
        EXPECT_EQ(fileText(path), device) << c.name;
        EXPECT_EQ(out.str(), "");
    }
    // Cut off in the middle of its only button: that button is skipped, so nothing is imported.
    const Path cut = dir.write(
        "cut.ir", "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: parsed\nprotocol: NEC\naddress: 04");
    EXPECT_EQ(runCli({"ir", "import", cut, "--into", path}), kExitFailed);
    EXPECT_NE(out.str().find("\"Power\" (line 4): the file ends in the middle of it (line 7 has no line end)"),
              std::string::npos)
        << out.str();
    EXPECT_NE(err.str().find("no button was imported"), std::string::npos);
    EXPECT_EQ(fileText(path), device);
    EXPECT_EQ(runCli({"ir", "import", fixture()}), kExitUsage);
    EXPECT_NE(err.str().find("name the device file with --into DEVICE.mpi"), std::string::npos);
    EXPECT_EQ(runCli({"ir", "import", fixture(), "--into", path, "--prefix", "IR-"}), kExitUsage);
    EXPECT_EQ(fileText(path), device);
    // A code file missing, and a device file that is a folder.
    EXPECT_EQ(runCli({"ir", "import", dir.text("none.ir"), "--into", path}), kExitFailed);
    EXPECT_EQ(runCli({"ir", "import", fixture(), "--into", dir.text()}), kExitFailed);
    EXPECT_EQ(fileText(path), device);
}

TEST_F(InfraredCodesCommandsTest, ExportWritesEveryStringThroughTheTimingTable)
{
    const Path device = dir.write("Tv.mpi", "NAME=Tv\r\nIR_TIME_0 = 560\r\nIR_TIME_1 = 1690\r\n"
                                            "IR_ON=\"#9000#4500$0101#560#20000\"\r\nIR_OFF=\"$7\"\r\n");
    ASSERT_EQ(runCli({"ir", "export", device, "--format", "pronto"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "IR_ON: 0000 006D 0000 0004 0156 00AB 0015 0040 0015 0040 0015 02F9\n");
    EXPECT_EQ(err.str(), "zr48: IR_OFF: $7 at character 2 refers to IR_TIME_7, which has no value; left out\n");

    ASSERT_EQ(runCli({"ir", "export", device, "--format", "flipper", "-o", dir.text("Tv.ir")}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(fileText(dir.text("Tv.ir")), "Filetype: IR signals file\nVersion: 1\n#\nname: IR_ON\ntype: raw\n"
                                           "frequency: 38000\nduty_cycle: 0.330000\n"
                                           "data: 9000 4500 560 1690 560 1690 560 20000\n");

    EXPECT_EQ(runCli({"ir", "export", device}), kExitUsage);
    EXPECT_NE(err.str().find("give --format flipper or --format pronto"), std::string::npos);
    EXPECT_EQ(runCli({"ir", "export", device, "--format", "lirc"}), kExitUsage);
    EXPECT_EQ(runCli({"ir", "export", dir.write("Empty.mpi", "NAME=x\r\n"), "--format", "pronto"}), kExitFailed);
    EXPECT_NE(err.str().find("no infrared string to export"), std::string::npos);
}

} // namespace
} // namespace zr48::cli
