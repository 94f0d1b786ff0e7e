#include "infrared/IrCodeImport.h"
#include "infrared/FlipperIrFile.h"
#include "infrared/IrCodeExport.h"
#include "infrared/IrDecoder.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrKeyName.h"
#include "infrared/IrOptimizer.h"
#include "infrared/IrString.h"
#include "infrared/ProntoHex.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"
#include "support/ThrownError.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zr48 {
namespace {

std::string fixture()
{
    return test::fileContents(ZR48_IR_FIXTURES "/LivingRoomTv.ir");
}

// The durations of the infrared string under `key`, its table references resolved.
IrDurations durationsOf(const std::vector<Text>& lines, const Text& key)
{
    const IrTimingTable table = readIrTimingTable(lines);
    for (const Text& line : lines) {
        const auto string = irStringLine(line);
        if (string && string->key == key) {
            std::string problem;
            const auto durations = parseIrString(string->value, &table, problem);
            EXPECT_TRUE(durations) << problem;
            return durations.value_or(IrDurations{});
        }
    }
    ADD_FAILURE() << "no string " << key;
    return {};
}

std::string decodedAs(const std::vector<Text>& lines, const Text& key)
{
    const IrDurations durations = durationsOf(lines, key);
    return durations.empty() ? "" : describeIrFrame(decodeIrFrames(durations).front());
}

std::vector<Text> keysOf(const std::vector<IrImportReport::Entry>& entries)
{
    std::vector<Text> keys;
    for (const auto& entry : entries)
        keys.push_back(entry.key);
    return keys;
}

const IrButton& button(const std::vector<IrButton>& buttons, const std::string& name)
{
    const auto found = std::find_if(buttons.begin(), buttons.end(), [&](const IrButton& b) { return b.name == name; });
    EXPECT_NE(found, buttons.end()) << name;
    return *found;
}

TEST(IrCodeImportTest, TheButtonsOfAFlipperFileAsDurations)
{
    const std::vector<IrButton> buttons = readIrCodeFile(fixture());
    ASSERT_EQ(buttons.size(), 10u);
    EXPECT_EQ(button(buttons, "Power").line, 5);
    EXPECT_EQ(describeIrFrame(decodeIrFrames(button(buttons, "Power").durations).front()),
              "NEC address=0x04 command=0x08");
    EXPECT_EQ(describeIrFrame(decodeIrFrames(button(buttons, "Sound bar").durations).front()),
              "RC5X address=0x14 command=0x05 toggle=0");
    EXPECT_EQ(button(buttons, "Mute").durations, (IrDurations{3380, 1720, 450, 1250, 450, 400,  450, 400, 450, 1250,
                                                              450,  1250, 450, 400,  450, 1250, 450, 400, 450, 30000}));
    EXPECT_EQ(describeIrFrame(decodeIrFrames(button(buttons, "Guide").durations).front()),
              "NEC42 address=0x0001 command=0x10");
}

TEST(IrCodeImportTest, ProntoLinesOneButtonEach)
{
    const std::vector<IrButton> buttons = readIrCodeFile("\xEF\xBB\xBF# A sound bar, typed in from its manual\r\n"
                                                         "\r\n"
                                                         "Power: 0000 0073 0001 0001 0020 0010 0010 0020\r\n"
                                                         "Vol +:0000 006D 0000 0001 0156 00AB\n"
                                                         "Eject: 5000 0073 0000 0001 0000 0001\n");
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].name, "Power");
    EXPECT_EQ(buttons[0].line, 3);
    EXPECT_EQ(buttons[0].durations, (IrDurations{888, 444, 444, 888}));
    EXPECT_EQ(buttons[1].name, "Vol +");
    EXPECT_EQ(buttons[1].durations, (IrDurations{8993, 4497}));
    EXPECT_EQ(buttons[2].skipped, "Pronto code 5000 is no learned code (0000)");
}

TEST(IrCodeImportTest, FilesOfNeitherFormatNameTheLine)
{
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"Power: 0000 006D 0000 0001 0156 00AB\nMute: 0000 006D 0000 0001 0156\n", "line 2: an odd number of words"},
        {"\n# zero\nPower: 0000 0000 0000 0001 0156 00AB\n", "line 3: the carrier word is 0000"},
        {"Hello, world\nthis is no code\n", "line 1: neither a Flipper .ir file nor Pronto hex"},
        {"# nothing but comments\n\n", "no code in it"},
        {"Filetype: IR signals file\nVersion: 1\nname: A\ntype: raw\n", "line 3: the signal \"A\" ends"},
    };
    for (const auto& c : cases) {
        const std::string message = test::thrownMessage([&] { readIrCodeFile(c.text); });
        EXPECT_NE(message.find(c.problem), std::string::npos) << c.text << ": " << message;
    }
}

TEST(IrCodeImportTest, WithToleranceZeroTheDurationsAreWrittenAsTheyAre)
{
    const std::vector<IrButton> buttons = readIrCodeFile(fixture());
    std::vector<Text> lines = newIrDeviceLines("Tv");
    test::ScriptedPrompt prompt;
    const IrImportReport report = importIrButtons(lines, buttons, {}, prompt);

    EXPECT_EQ(keysOf(report.imported), (std::vector<Text>{"POWER", "VOL_UP", "VOL_UP_2", "CH_PLUS", "INPUT_SOURCE",
                                                          "SOUND_BAR", "DISC_TRAY", "MUTE", "GUIDE", "NAME_2"}));
    for (const IrImportReport::Entry& entry : report.imported)
        EXPECT_EQ(durationsOf(lines, entry.key), button(buttons, entry.button).durations) << entry.key;
    EXPECT_EQ(lines[0], "DEVICE=6");
    EXPECT_EQ(lines[1], "NAME=Tv");
    EXPECT_EQ(report.text("Tv.mpi"), "Imported 10 buttons into Tv.mpi: POWER, VOL_UP, VOL_UP_2, CH_PLUS, INPUT_SOURCE, "
                                     "SOUND_BAR, DISC_TRAY, MUTE, GUIDE, NAME_2\n"
                                     "Renamed:\n"
                                     "  \"Vol up\" as VOL_UP_2: VOL_UP is taken\n"
                                     "  \"Ch+\" as CH_PLUS: + and - spelled out\n"
                                     "  \"Input/Source\" as INPUT_SOURCE: a key holds A-Z, 0-9 and _ only\n"
                                     "  \"Name\" as NAME_2: NAME is taken\n");
}

TEST(IrCodeImportTest, AskedToTheOptimizerRunsOverTheWholeFileWithTheTwoTolerances)
{
    std::vector<Text> lines{"DEVICE=6", "NAME=Tv", "IR_TIME_0 = 300", "OLD=\"$0#600\""};
    test::ScriptedPrompt prompt;
    const IrImportReport report =
        importIrButtons(lines, readIrCodeFile(fixture()),
                        {.prefix = {}, .tolerance1 = 10, .tolerance2 = 20, .optimizeFile = true}, prompt);
    // What moved, the file's own key first.
    ASSERT_TRUE(report.optimized);
    EXPECT_EQ(report.optimized->Keys.front().Key, "OLD");
    EXPECT_NE(report.text("Tv.mpi").find("Optimized the whole file:\n  Key "), std::string::npos);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const Text& l) { return l.find("IR_TIME_") == 0; }), 10);
    EXPECT_EQ(lines[std::find(lines.begin(), lines.end(), "NAME=Tv") - lines.begin() + 1].substr(0, 9), "IR_TIME_0");
    // Every string is table references now, and each still reads as its code.
    for (const Text& line : lines)
        if (const auto string = irStringLine(line); string && string->key != "MUTE") {
            EXPECT_EQ(string->value.front(), '$') << line;
        }
    EXPECT_EQ(decodedAs(lines, "POWER"), "NEC address=0x04 command=0x08");
    EXPECT_EQ(decodedAs(lines, "CH_PLUS"), "NECext address=0xEE87 command=0x5DA2");
    EXPECT_EQ(decodedAs(lines, "INPUT_SOURCE"), "Samsung32 address=0x07 command=0x01");
    EXPECT_EQ(decodedAs(lines, "DISC_TRAY"), "SIRC15 address=0x97 command=0x16");
    EXPECT_EQ(decodedAs(lines, "SOUND_BAR"), "RC5X address=0x14 command=0x05 toggle=0");
}

TEST(IrCodeImportTest, KeysOfTheFileAreReplacedOnlyAfterYes)
{
    const std::vector<Text> file{"DEVICE=6", "NAME=Tv", "POWER=\"#100#200\"", "VOL_UP=\"#300\"", "SELECT=0"};
    const std::vector<IrButton> buttons{{.name = "Power", .line = 1, .durations = {900, 450, 90}},
                                        {.name = "Sleep", .line = 9, .durations = {900, 16777216, 90}},
                                        {.name = "Vol_up", .line = 2, .durations = {800, 400, 80}},
                                        {.name = "Select", .line = 3, .durations = {700, 350, 70}},
                                        {.name = "IR time 1", .line = 4, .durations = {600, 300, 60}}};
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        std::vector<Text> lines = file;
        test::ScriptedPrompt prompt;
        prompt.answer(answer, "infrared strings under these keys already: POWER, VOL_UP.");
        const IrImportReport report = importIrButtons(lines, buttons, {}, prompt);
        EXPECT_EQ(keysOf(report.imported), answer == Answer::Yes
                                               ? (std::vector<Text>{"POWER", "VOL_UP", "SELECT_2", "IRTIME_1"})
                                               : (std::vector<Text>{"SELECT_2", "IRTIME_1"}));
        const IrDurations power = answer == Answer::Yes ? IrDurations{900, 450, 90} : IrDurations{100, 200};
        EXPECT_EQ(durationsOf(lines, "POWER"), power);
        EXPECT_EQ(lines[2].substr(0, 6), "POWER="); // in its place
        EXPECT_EQ(lines[4], "SELECT=0");
        EXPECT_EQ(durationsOf(lines, "IRTIME_1"), (IrDurations{600, 300, 60}));
        ASSERT_EQ(report.skipped.size(), answer == Answer::No ? 3u : 1u);
        // Longer than the optimizer's single precision keeps exact.
        EXPECT_EQ(report.skipped[0].reason,
                  "a duration of 16777216 us is longer than a device file holds (16777215 us)");
        if (answer == Answer::No) {
            EXPECT_EQ(report.skipped[1].reason, "POWER exists and was not replaced");
        }
        EXPECT_NE(report.text("Tv.mpi").find("\"IR time 1\" as IRTIME_1: IR_TIME_ names the timing table"),
                  std::string::npos);
    }
    // A prefix goes before every key.
    std::vector<Text> lines = file;
    test::ScriptedPrompt prompt;
    const IrImportReport report = importIrButtons(lines, {buttons[0]}, {.prefix = "IR_"}, prompt);
    EXPECT_EQ(keysOf(report.imported), std::vector<Text>{"IR_POWER"});
}

TEST(IrCodeImportTest, KeysAreNamedAsAnInstallerReadsThem)
{
    const struct {
        const char* name;
        const char* key;
        const char* reason; // empty: not renamed
    } cases[] = {
        {"Vol up", "VOL_UP", ""},
        {"VOL+", "VOL_PLUS", "+ and - spelled out"},
        {"Vol -", "VOL_MINUS", "+ and - spelled out"},
        {"+10", "PLUS_10", "+ and - spelled out"},
        {"Wi-Fi", "WI_FI", "a key holds A-Z, 0-9 and _ only"},
        {"Input/Source", "INPUT_SOURCE", "a key holds A-Z, 0-9 and _ only"},
        {"Lautst\xC3\xA4rke", "LAUTSTAERKE", "letters transliterated"},
        {"Lautst\xE4rke", "LAUTSTAERKE", "letters transliterated"}, // Windows-1252
        {"\xD0\x93\xD1\x80\xD0\xBE\xD0\xBC\xD0\xBA\xD0\xBE\xD1\x81\xD1\x82\xD1\x8C", "GROMKOST",
         "letters transliterated"},
        {"\xD0\xA5\xD0\xBE\xD0\xBB\xD0\xBE\xD0\xB4 \xD1\x89\xD0\xB8", "KHOLOD_SHCHI", "letters transliterated"},
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA \xC3\x98st \xC3\x9F",
         "LODZ_OEST_SS", "letters transliterated"},
        {"Ch +/-", "CH_PLUS_MINUS", "+ and - spelled out; a key holds A-Z, 0-9 and _ only"},
        {"Vol__up ", "VOL_UP", "words joined by a single _"},
        {"\xE2\x98\x85", "BUTTON", "a key holds A-Z, 0-9 and _ only"},
    };
    for (const auto& c : cases) {
        const IrKeyName named = irKeyName(c.name);
        EXPECT_EQ(named.key, c.key) << c.name;
        EXPECT_EQ(named.reason, c.reason) << c.name;
    }

    // Through an import: clashes get "_2", and the report names every renamed key's button.
    std::vector<Text> lines = newIrDeviceLines("Tv");
    test::ScriptedPrompt prompt;
    const IrDurations code{900, 450, 900};
    const IrImportReport report = importIrButtons(lines,
                                                  {{.name = "Vol+", .durations = code},
                                                   {.name = "VOL +", .durations = code},
                                                   {.name = "Vol-", .durations = code}},
                                                  {}, prompt);
    EXPECT_EQ(keysOf(report.imported), (std::vector<Text>{"VOL_PLUS", "VOL_PLUS_2", "VOL_MINUS"}));
    EXPECT_NE(report.text("Tv.mpi").find("Renamed:\n  \"Vol+\" as VOL_PLUS: + and - spelled out\n"
                                         "  \"VOL +\" as VOL_PLUS_2: + and - spelled out; VOL_PLUS is taken\n"
                                         "  \"Vol-\" as VOL_MINUS: + and - spelled out\n"),
              std::string::npos)
        << report.text("Tv.mpi");
}

TEST(IrCodeImportTest, ThePrefixOfTheFilesKeysIsTheDefault)
{
    const struct {
        std::vector<Text> lines;
        const char* prefix;
    } cases[] = {
        {{"DEVICE=6", "OPTION_1=V", "IR_POWER=\"#1\"", "ir_vol_up=\"$0\""}, "IR_"},
        {{"TV_POWER=\"#1\"", "TV_MUTE=\"#1\"", "; IR_ codes"}, "TV_"},
        {{"IR_POWER=\"#1\""}, ""}, // one key says nothing yet
        {{"IR_POWER=\"#1\"", "TV_MUTE=\"#1\""}, ""},
        {{"IR_POWER=\"#1\"", "MUTE=\"#1\""}, ""},
        {{"IR_POWER=\"#1\"", "IR_=\"#1\""}, ""},
        {{"DEVICE=6", "NAME=Tv"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(irKeyPrefix(c.lines), c.prefix) << c.lines.back();

    std::vector<Text> lines = cases[0].lines;
    test::ScriptedPrompt prompt;
    prompt.answer(Answer::No, "already: IR_POWER.");
    const IrImportReport report = importIrButtons(
        lines, {{.name = "Power", .durations = {900, 450}}, {.name = "Mute", .durations = {900, 450}}}, {}, prompt);
    EXPECT_EQ(keysOf(report.imported), std::vector<Text>{"IR_MUTE"});
    EXPECT_EQ(lines[2], "IR_POWER=\"#1\"");
}

std::vector<std::string> codes(const std::vector<Text>& lines);

// An amplifier's file as the installer keeps it: a comment, options, a timing table and codes.
const std::vector<Text> kAmplifier{
    "; Auralis amplifier, codes learned on site",
    "DEVICE=6",
    "NAME=Amplifier",
    "OPTION_1=V,Volume by steps",
    "IR_TIME_0 = 560",
    "IR_TIME_1 = 1690",
    "IR_TIME_4 = 9000",
    "IR_PLAY=\"$4#4500$0101010101010101#40000\"",
    "IR_STOP = \"#8998#4502#571#1680#566#565\"",
};

// The lines of `after` that are not those of the imported keys nor new table lines.
std::vector<Text> untouched(const std::vector<Text>& after, const IrImportReport& report)
{
    std::vector<Text> kept;
    for (const Text& line : after) {
        const auto string = irStringLine(line);
        const bool importedKey =
            string && std::any_of(report.imported.begin(), report.imported.end(),
                                  [&](const IrImportReport::Entry& e) { return e.key == string->key; });
        const bool newTable =
            line.starts_with("IR_TIME_") && std::find(kAmplifier.begin(), kAmplifier.end(), line) == kAmplifier.end();
        if (!importedKey && !newTable)
            kept.push_back(line);
    }
    return kept;
}

TEST(IrCodeImportTest, AnImportLeavesTheFilesOwnLinesAndTableAsTheyAre)
{
    std::vector<Text> lines = kAmplifier;
    test::ScriptedPrompt prompt;
    const IrImportOptions options{.tolerance1 = 10, .tolerance2 = 20};
    const IrImportReport first = importIrButtons(lines, readIrCodeFile(fixture()), options, prompt);
    EXPECT_EQ(untouched(lines, first), kAmplifier);
    EXPECT_FALSE(first.optimized);
    // NEC's 9000 and 560 are the file's own values; the new ones take the free places after the
    // file's last table line, smallest first.
    const TimingTable table = ReadTimingTable(lines);
    EXPECT_EQ(table[0], 560);
    EXPECT_EQ(table[1], 1690);
    EXPECT_EQ(table[4], 9000);
    EXPECT_EQ(lines[7].substr(0, 9), "IR_TIME_2");
    EXPECT_LT(table[2], table[3]);
    const Text power = irStringLine(*std::find_if(lines.begin(), lines.end(), [](const Text& l) {
                           return l.starts_with("IR_POWER=");
                       }))->value;
    EXPECT_EQ(power.substr(0, 2), "$4");
    // Each imported key reads as its code, the prefix of the file before it.
    EXPECT_EQ(keysOf(first.imported).front(), "IR_POWER");
    EXPECT_EQ(decodedAs(lines, "IR_POWER"), "NEC address=0x04 command=0x08");
    EXPECT_EQ(decodedAs(lines, "IR_CH_PLUS"), "NECext address=0xEE87 command=0x5DA2");
    EXPECT_EQ(decodedAs(lines, "IR_INPUT_SOURCE"), "Samsung32 address=0x07 command=0x01");
    EXPECT_EQ(decodedAs(lines, "IR_DISC_TRAY"), "SIRC15 address=0x97 command=0x16");

    // Imported again over its own keys: nothing of the file moves, the codes stay.
    const std::vector<Text> once = lines;
    prompt.answer(Answer::Yes, "Replace them");
    const IrImportReport second = importIrButtons(lines, readIrCodeFile(fixture()), options, prompt);
    EXPECT_EQ(untouched(lines, second), kAmplifier);
    EXPECT_EQ(ReadTimingTable(lines), table);
    EXPECT_EQ(codes(lines), codes(once));
}

TEST(IrCodeImportTest, TheReportNamesTheKeysThatLoseTheirCarrier)
{
    const IrDurations nec = encodeIrFrame(*findIrProtocol("NEC"), {0x04, 0x08});
    const IrDurations sirc = encodeIrFrame(*findIrProtocol("SIRC"), {0x01, 0x15});
    const IrDurations rc5 = encodeIrFrame(*findIrProtocol("RC5"), {0x00, 0x0C});
    const IrDurations unknown{900, 450, 900};
    std::vector<Text> lines = newIrDeviceLines("Tv");
    test::ScriptedPrompt prompt;
    const IrImportReport report = importIrButtons(lines,
                                                  {{.name = "A", .durations = nec, .carrierHz = 38000},
                                                   {.name = "B", .durations = nec, .carrierHz = 36000},
                                                   {.name = "C", .durations = sirc, .carrierHz = 40000},
                                                   {.name = "D", .durations = rc5, .carrierHz = 36700},
                                                   {.name = "E", .durations = unknown, .carrierHz = 38000},
                                                   {.name = "F", .durations = unknown, .carrierHz = 56000},
                                                   {.name = "G", .durations = unknown}},
                                                  {}, prompt);
    ASSERT_EQ(report.carriers.size(), 2u);
    EXPECT_NE(report.text("Tv.mpi").find("Carrier not kept (a device file holds durations; a code is sent at its "
                                         "protocol's carrier):\n  B: 36.0 kHz becomes 38.0 kHz\n"
                                         "  F: 56.0 kHz becomes 38.0 kHz\n"),
              std::string::npos)
        << report.text("Tv.mpi");
}

TEST(IrCodeImportTest, AButtonWithABadDurationIsSkippedWithItsReason)
{
    std::vector<Text> lines = newIrDeviceLines("Tv");
    test::ScriptedPrompt prompt;
    const IrImportReport report =
        importIrButtons(lines,
                        readIrCodeFile("Filetype: IR signals file\nVersion: 1\n#\nname: Mute\ntype: raw\n"
                                       "frequency: 38000\nduty_cycle: 0.33\ndata: 900 0 900\n#\nname: Power\n"
                                       "type: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 900 450 900\n"),
                        {}, prompt);
    EXPECT_EQ(keysOf(report.imported), std::vector<Text>{"POWER"});
    EXPECT_NE(report.text("Tv.mpi").find("Skipped:\n  \"Mute\" (line 4): a duration of 0 (line 8)\n"),
              std::string::npos);
}

std::vector<Text> imported(const std::string& codeFile, int tolerance1, int tolerance2)
{
    std::vector<Text> lines = newIrDeviceLines("Tv");
    test::ScriptedPrompt prompt;
    importIrButtons(lines, readIrCodeFile(codeFile), {.prefix = {}, .tolerance1 = tolerance1, .tolerance2 = tolerance2},
                    prompt);
    return lines;
}

TEST(IrCodeImportTest, FlipperExportNamesTheCodesThatDecodeAndKeepsTheRestRaw)
{
    std::vector<Text> lines = imported(fixture(), 10, 20);
    lines.push_back(
        "JVC_CODE=\"#8400#4200#526#524#526#1574#526#524#526#524#526#1574#526#1574#526#524#526#524#526#524#526"
        "#1574#526#524#526#524#526#524#526#524#526#524#526#524#526\"");
    const IrExport result = exportIrStrings(lines, IrExportFormat::Flipper);
    EXPECT_EQ(result.exported, 11);
    const std::vector<FlipperSignal> signals = readFlipperIr(result.text);
    ASSERT_EQ(signals.size(), 11u);
    const struct {
        const char* name;
        const char* protocol; // empty: raw
        std::uint32_t address;
        std::uint32_t command;
    } expected[] = {
        {"POWER", "NEC", 0x04, 0x08},
        {"VOL_UP", "NEC", 0x04, 0x02},
        {"VOL_UP_2", "NEC", 0x04, 0x02},
        {"CH_PLUS", "NECext", 0xEE87, 0x5DA2},
        {"INPUT_SOURCE", "Samsung32", 7, 1},
        {"SOUND_BAR", "RC5X", 0x14, 0x05},
        {"DISC_TRAY", "SIRC15", 0x97, 0x16},
        {"MUTE", "", 0, 0},
        {"GUIDE", "NEC42", 0x01, 0x10},
        {"NAME_2", "NEC", 0x04, 0x11},
        {"JVC_CODE", "", 0, 0}, // Flipper files know no JVC
    };
    for (std::size_t i = 0; i < signals.size(); ++i) {
        EXPECT_EQ(signals[i].name, expected[i].name);
        EXPECT_EQ(signals[i].parsed, *expected[i].protocol != 0) << signals[i].name;
        EXPECT_EQ(signals[i].protocol, expected[i].protocol);
        EXPECT_EQ(signals[i].address, expected[i].address) << signals[i].name;
        EXPECT_EQ(signals[i].command, expected[i].command) << signals[i].name;
    }
    EXPECT_EQ(signals[7].frequency, 38000u);
    EXPECT_EQ(signals[7].data, durationsOf(lines, "MUTE"));
    EXPECT_EQ(signals[10].data.size(), 35u);
}

// A Flipper name is one word of printable ASCII, as a key is: "VOL UP" is exported as VOL_UP,
// the name its import gives back.
TEST(IrCodeImportTest, AFlipperNameHasNoBlank)
{
    const std::vector<FlipperSignal> signals = readFlipperIr(
        exportIrStrings({"VOL UP=\"#900#450#900\"", "CAF\xC9=\"#900#450#900\""}, IrExportFormat::Flipper).text);
    ASSERT_EQ(signals.size(), 2u);
    EXPECT_EQ(signals[0].name, "VOL_UP");
    EXPECT_EQ(signals[1].name, "CAF_");
}

// The keys of the infrared strings and what the decoder reads in each (of a code no protocol
// reads, its bits and how many marks it has, not its timing).
std::vector<std::string> codes(const std::vector<Text>& lines)
{
    std::vector<std::string> result;
    for (const Text& line : lines) {
        if (const auto string = irStringLine(line)) {
            IrFrame frame = decodeIrFrames(durationsOf(lines, string->key)).front();
            frame.length = 0;
            frame.shape.unit = 0;
            frame.shape.leadIn = {};
            frame.shape.leadOut = 0;
            result.push_back(toUtf8(string->key) + " " + describeIrFrame(frame));
        }
    }
    return result;
}

TEST(IrCodeImportTest, ImportOfAnExportIsStable)
{
    for (const IrExportFormat format : {IrExportFormat::Flipper, IrExportFormat::Pronto}) {
        // Durations written as they are: the second export is the first one.
        const std::string first = exportIrStrings(imported(fixture(), 0, 0), format).text;
        EXPECT_EQ(exportIrStrings(imported(first, 0, 0), format).text, first);
        // With the optimizer merging durations, every key keeps its code.
        const std::vector<Text> once = imported(fixture(), 10, 20);
        const std::vector<Text> twice = imported(exportIrStrings(once, format).text, 10, 20);
        EXPECT_EQ(codes(twice), codes(once));
        EXPECT_EQ(codes(once).size(), 10u);
    }
}

TEST(IrCodeImportTest, ProntoExportComesBackWithinOneProntoTimeUnit)
{
    const std::vector<Text> lines{"NAME=Tv", "IR_TIME_0 = 560", "IR_TIME_1 = 1690", "POWER=\"#9000#4500$0101#560\"",
                                  "MUTE=\"#3380#1720#450#1250#450#30000\""};
    const IrExport result = exportIrStrings(lines, IrExportFormat::Pronto);
    EXPECT_EQ(result.text.substr(0, 27), "POWER: 0000 006D 0000 0004 ");
    const std::vector<Text> back = imported(result.text, 0, 0);
    for (const char* key : {"POWER", "MUTE"}) {
        const IrDurations original = durationsOf(lines, key);
        const IrDurations again = durationsOf(back, key);
        ASSERT_GE(again.size(), original.size()) << key;
        for (std::size_t i = 0; i < original.size(); ++i)
            EXPECT_NEAR(again[i], original[i], 109 * kProntoClockMicroseconds) << key << " " << i;
    }
    // A string that ends on a mark gets a closing space: Pronto holds pairs.
    EXPECT_EQ(durationsOf(back, "POWER").size(), 8u);
}

TEST(IrCodeImportTest, StringsThatCannotBeReadAreLeftOutOfTheExportWithTheReason)
{
    const std::vector<Text> lines{"NAME=Tv",        "IR_TIME_0 = 560",  "IR_ON=\"$0#900\"",
                                  "IR_OFF=\"$04\"", "IR_UP=\"#900#x\"", "NOTE=\"#1 is a fine channel\""};
    const IrExport result = exportIrStrings(lines, IrExportFormat::Flipper);
    EXPECT_EQ(result.exported, 1);
    EXPECT_EQ(result.skipped,
              (std::vector<std::string>{"IR_OFF: $4 at character 3 refers to IR_TIME_4, which has no value",
                                        "IR_UP: \"#\" without a number at character 5",
                                        "NOTE: 'i' at character 4 is neither \"#\" and a duration nor \"$\" and table "
                                        "digits"}));
}

} // namespace
} // namespace zr48
