// What people who use device programmers expect of zr48: global options anywhere, the link from
// the environment, quiet and verbose runs with a wire trace, dry runs, JSON for scripts, and
// Ctrl-C that stops a transfer cleanly. Against the simulated unit in virtual time.

#include "CliHarness.h"
#include "base/FileIo.h"
#include "base/Settings.h"
#include "cli/Cli.h"
#include "project/SectorImage.h"
#include "sim/SimulatedDriver.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <regex>
#include <sstream>

namespace zr48::cli {
namespace {

class CommandLineHabitsTest : public testing::Test {
protected:
    CommandLineHabitsTest()
    {
        std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", dir.path() / "Villa");
        environment.defaults.virtualTime = true;
        // What the simulated unit holds when a command is done with it.
        environment.defaults.simulatedUnitDone = [this](SimulatedUnit& unit) {
            cardSectors = unit.card.writtenSectors();
            flash = unit.unit.flash();
            inBootLoader = unit.unit.inBootLoader();
        };
    }
    int zr48(const Arguments& arguments)
    {
        out.str({});
        err.str({});
        prompt.clear();
        answerAll.reset();
        return run(environment, arguments);
    }
    std::string arg(std::string_view relative) const { return dir.text(relative); }
    bool inErr(std::string_view part) const { return err.str().find(part) != std::string::npos; }
    bool inOut(std::string_view part) const { return out.str().find(part) != std::string::npos; }
    // Every message on standard error begins with the program's name (progress bars are no messages).
    void expectPrefixedErr() const
    {
        std::istringstream lines(err.str());
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(line.starts_with("zr48: ") || line.starts_with("[")) << line;
    }
    nlohmann::json json() const { return nlohmann::json::parse(out.str()); }

    test::TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    std::optional<bool> answerAll;
    Environment environment{out, err, prompt, settings, [this](bool yes) { answerAll = yes; }};
    std::size_t cardSectors = 0;
    std::vector<std::uint8_t> flash;
    bool inBootLoader = false;
};

TEST_F(CommandLineHabitsTest, GlobalOptionsAreTakenInEveryPosition)
{
    // `settings NAME VALUE` with --no (or -q, -v) put before, between and after its words.
    for (const char* option : {"--no", "-q", "-vv"}) {
        Arguments words = {"settings", "Advanced", "1"};
        for (std::size_t at = 0; at <= words.size(); ++at) {
            Arguments arguments = words;
            arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(at), option);
            settings.setAdvanced(false);
            ASSERT_EQ(zr48(arguments), kExitOk) << option << " at " << at << ": " << err.str();
            EXPECT_TRUE(settings.advanced()) << option << " at " << at;
            EXPECT_EQ(answerAll, std::string(option) == "--no" ? std::optional(false) : std::nullopt);
        }
    }
    EXPECT_EQ(zr48({"settings", "--yes"}), kExitOk);
    EXPECT_EQ(answerAll, true);
    // The link after the command, in both forms.
    EXPECT_EQ(zr48({"status", "--link", "sim"}), kExitOk) << err.str();
    EXPECT_EQ(zr48({"status", "--link=sim"}), kExitOk) << err.str();
    EXPECT_TRUE(inOut("Connected")) << out.str();
    // After "--" an option is an argument: here the name of a project file.
    EXPECT_EQ(zr48({"show", "--", "--yes"}), kExitFailed);
    EXPECT_EQ(answerAll, std::nullopt);
    EXPECT_EQ(err.str(), "zr48: there is no project file '--yes'\n");
    // An option the command does not know is still an error, wherever it stands.
    EXPECT_EQ(zr48({"status", "--fast"}), kExitUsage);
    EXPECT_TRUE(inErr("zr48: unknown option '--fast'\nzr48: usage: zr48 status [--json]")) << err.str();
}

TEST_F(CommandLineHabitsTest, TheLinkComesFromZr48LinkUnlessGiven)
{
    environment.linkVariable = "sim";
    EXPECT_EQ(zr48({"status"}), kExitOk) << err.str();
    EXPECT_TRUE(inOut("Firmware version: R48+1.20 SIM")) << out.str();
    EXPECT_EQ(zr48({"status", "--link", "tty:/nonexistent/ttyZR48"}), kExitNoUnit);
    EXPECT_TRUE(inErr("looked for the terminal device /nonexistent/ttyZR48")) << err.str();

    environment.linkVariable = "carrier-pigeon";
    EXPECT_EQ(zr48({"status"}), kExitUsage);
    EXPECT_TRUE(inErr("zr48: unknown link 'carrier-pigeon' in ZR48_LINK; use auto, serial")) << err.str();
    EXPECT_EQ(zr48({"--link", "carrier-pigeon", "status"}), kExitUsage);
    EXPECT_TRUE(inErr("zr48: unknown link 'carrier-pigeon'; use")) << err.str();
    // Commands that need no unit do not mind it.
    EXPECT_EQ(zr48({"compile", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
}

TEST_F(CommandLineHabitsTest, QuietRunsShowNoProgressBars)
{
    ASSERT_EQ(zr48({"--link", "sim", "download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    EXPECT_TRUE(inErr("[########################]  24/24 sectors")) << err.str();
    ASSERT_EQ(zr48({"--link", "sim", "-q", "download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_TRUE(inOut("24 sectors written")) << out.str();
}

TEST_F(CommandLineHabitsTest, VerboseSaysWhatTheLinkDoesAndTwiceTracesEveryFrame)
{
    ASSERT_EQ(zr48({"-v", "--link", "sim", "status"}), kExitOk) << err.str();
    EXPECT_TRUE(inErr("zr48: reaching the ZR48 through the simulator\n")) << err.str();
    EXPECT_TRUE(inErr("zr48: link: Connected")) << err.str();
    EXPECT_TRUE(inErr("zr48: link closed after 2 bytes sent and 15 received")) << err.str();
    EXPECT_FALSE(inErr("VersionRequest")) << err.str();
    expectPrefixedErr();

    ASSERT_EQ(zr48({"--link", "sim", "status", "-vv"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Connected (Rx:15, Tx:2)\nFirmware version: R48+1.20 SIM\n");
    expectPrefixedErr();
    // One line a frame: time, direction, type name, every byte.
    const std::regex sent(R"(zr48: \d+\.\d{6} sent     VersionRequest   0B 00\n)");
    const std::regex received(
        R"(zr48: \d+\.\d{6} received VersionReply     0C 00 52 34 38 2B 31 2E 32 30 20 53 49 4D 00\n)");
    std::smatch request;
    std::smatch reply;
    const std::string trace = err.str();
    ASSERT_TRUE(std::regex_search(trace, request, sent)) << trace;
    ASSERT_TRUE(std::regex_search(trace, reply, received)) << trace;
    EXPECT_LT(request.position(), reply.position());
    // No frame the status does not exchange.
    EXPECT_FALSE(inErr("Sector")) << trace;
    // -v given twice as separate options is the same.
    ASSERT_EQ(zr48({"-v", "--link", "sim", "-v", "status"}), kExitOk);
    EXPECT_TRUE(std::regex_search(err.str(), sent)) << err.str();
}

TEST_F(CommandLineHabitsTest, ADryRunChecksEverythingAndWritesNothing)
{
    ASSERT_EQ(zr48({"-vv", "--link", "sim", "download", "-n", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    EXPECT_TRUE(inOut("Dry run: the image " + arg("Villa/Villa.mpd") +
                      " passed its checks and the ZR48 answered; 24 sectors would be written. Nothing was written."))
        << out.str();
    EXPECT_EQ(cardSectors, 0u);
    EXPECT_FALSE(inErr("SectorWrite")) << err.str();
    // The same download without it writes the card: the check above can tell.
    ASSERT_EQ(zr48({"--link", "sim", "download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    EXPECT_EQ(cardSectors, 24u);

    // A damaged image fails the dry run as it fails the download.
    const Path damaged = dir.write("damaged.mpd", std::string(514 * 3, '\0'));
    EXPECT_EQ(zr48({"--link", "sim", "download", "--dry-run", damaged}), kExitFailed);
    EXPECT_TRUE(inErr("is damaged")) << err.str();

    const std::vector<std::uint8_t> untouched = flash;
    ASSERT_EQ(zr48({"-vv", "--link", "sim", "firmware", "--dry-run", ZR48_FIRMWARE_IMAGE}), kExitOk) << err.str();
    EXPECT_TRUE(inOut("Dry run: " + std::string(ZR48_FIRMWARE_IMAGE) +
                      " (R48+1.21 KELDO DEMO) passed its checks and the ZR48 (R48+1.20 SIM) answered; 480 blocks "
                      "would be programmed. Nothing was sent to the boot loader."))
        << out.str();
    EXPECT_EQ(flash, untouched);
    EXPECT_FALSE(inBootLoader);
    EXPECT_FALSE(inErr("BootStart")) << err.str();
    EXPECT_FALSE(inErr("BootBlock")) << err.str();
    ASSERT_EQ(zr48({"--link", "sim", "firmware", ZR48_FIRMWARE_IMAGE}), kExitOk) << err.str();
    EXPECT_NE(flash, untouched);
}

TEST_F(CommandLineHabitsTest, JsonIsOneDocumentThatScriptsReadBack)
{
    ASSERT_EQ(zr48({"--link", "sim", "status", "--json"}), kExitOk) << err.str();
    auto status = json();
    EXPECT_EQ(status["connected"], true);
    EXPECT_EQ(status["firmwareVersion"], "R48+1.20 SIM");
    EXPECT_EQ(status["link"], "the simulator");
    EXPECT_EQ(status["status"], "Connected (Rx:15, Tx:2)");
    // Also when no unit answers: the document, and the reason on standard error.
    EXPECT_EQ(zr48({"--link", "tty:/nonexistent/ttyZR48", "status", "--json"}), kExitNoUnit);
    status = json();
    EXPECT_EQ(status["connected"], false);
    EXPECT_TRUE(status["firmwareVersion"].is_null());
    EXPECT_TRUE(inErr("zr48: no ZR48 found")) << err.str();

    ASSERT_EQ(zr48({"--link", "sim", "version", "--json", ZR48_FIRMWARE_IMAGE}), kExitOk) << err.str();
    const auto version = json();
    EXPECT_EQ(version["unitVersion"], "R48+1.20 SIM");
    EXPECT_EQ(version["fileVersion"], "R48+1.21 KELDO DEMO");
    EXPECT_EQ(version["updateRecommended"], true);
    EXPECT_EQ(version["firmwareFile"], ZR48_FIRMWARE_IMAGE);

    ASSERT_EQ(zr48({"compile", arg("Villa/Villa.mpj")}), kExitOk);
    ASSERT_EQ(zr48({"inspect", "--json", arg("Villa/Villa.mpd")}), kExitOk) << err.str();
    const auto image = json();
    EXPECT_EQ(image["sectors"], 24);
    EXPECT_EQ(image["bytes"], 24 * 514);
    EXPECT_EQ(image["sectorRuns"][0], (nlohmann::json{{"first", 0}, {"last", 9}}));
    ASSERT_EQ(image["directory"].size(), 7u);
    EXPECT_EQ(image["directory"][0]["deviceName"], "Radio");
    EXPECT_EQ(image["emptySlots"], 56);
    EXPECT_EQ(image["deviceFiles"].size(), 7u);
    EXPECT_EQ(image["deviceFiles"][0]["checksumValid"], true);
    EXPECT_TRUE(image["problems"].empty());

    ASSERT_EQ(zr48({"show", arg("Villa/Villa.mpj"), "--json"}), kExitOk) << err.str();
    const auto project = json();
    EXPECT_EQ(project["project"], arg("Villa/Villa.mpj"));
    EXPECT_EQ(project["slotCount"], 63);
    ASSERT_EQ(project["slots"].size(), 7u);
    EXPECT_EQ(project["slots"][0]["name"], "Radio");
    EXPECT_EQ(project["slots"][0]["deviceFile"], arg("Villa/K73_FM_Tuner.mpi"));
    EXPECT_EQ(project["slots"][0]["deviceFileMissing"], false);

    // A path whose name is no UTF-8 still makes a valid document.
    std::filesystem::copy(dir.path() / "Villa", dir.path() / "Caf\xE9");
    ASSERT_EQ(zr48({"show", "--json", arg("Caf\xE9/Villa.mpj")}), kExitOk) << err.str();
    EXPECT_EQ(json()["project"], arg("Caf\xEF\xBF\xBD/Villa.mpj"));
}

TEST_F(CommandLineHabitsTest, DumpCardReadsASectorRangeIntoAnImage)
{
    const std::string card = "sim:" + arg("card.zr48");
    ASSERT_EQ(zr48({"--link", card, "download", arg("Villa/Villa.mpj")}), kExitOk) << err.str();
    ASSERT_EQ(zr48({"--link", card, "dump-card", arg("dump.mpd"), "0x8-23"}), kExitOk) << err.str();
    EXPECT_TRUE(inOut("Card sectors 8-23 read in ")) << out.str();
    EXPECT_TRUE(inOut(" into " + arg("dump.mpd") + " (16 sectors, 8224 bytes).")) << out.str();
    EXPECT_TRUE(inErr("16/16 sectors")) << err.str();
    // Each record as the card holds it: what the download wrote, zeros elsewhere.
    const SectorImage dumped = ReadSectorImage(arg("dump.mpd"));
    const SectorImage written = ReadSectorImage(arg("Villa/Villa.mpd"));
    ASSERT_EQ(dumped.Records.size(), 16u);
    for (std::size_t i = 0; i < dumped.Records.size(); ++i) {
        const SectorRecord& record = dumped.Records[i];
        EXPECT_EQ(record.Number, 8 + i);
        const auto it = std::find_if(written.Records.begin(), written.Records.end(),
                                     [&](const SectorRecord& r) { return r.Number == record.Number; });
        EXPECT_EQ(record.Data, it == written.Records.end() ? Sector{} : it->Data) << record.Number;
    }

    // An image that is there is replaced only when asked to; one sector alone works too.
    EXPECT_EQ(zr48({"--link", card, "dump-card", arg("dump.mpd"), "9"}), kExitFailed);
    EXPECT_TRUE(inErr("exists; add --force to replace it")) << err.str();
    ASSERT_EQ(zr48({"--link", card, "dump-card", arg("dump.mpd"), "9", "--force"}), kExitOk) << err.str();
    EXPECT_EQ(ReadSectorImage(arg("dump.mpd")).Records.size(), 1u);

    for (const char* range : {"20-10", "0-65536", "x", "5-", "-5"}) {
        EXPECT_EQ(zr48({"--link", card, "dump-card", arg("other.mpd"), "--", range}), kExitUsage) << range;
        EXPECT_TRUE(inErr("is no sector range")) << err.str();
    }
    EXPECT_FALSE(fileExists(arg("other.mpd")));
}

// Ctrl-C ends every transfer as its Cancel ends it, and the message names what was kept.
TEST_F(CommandLineHabitsTest, CtrlCStopsATransferAndSaysWhatWasKept)
{
    // Pressed once a progress bar is a quarter full.
    environment.defaults.interrupted = [this] { return inErr("[######"); };
    const std::string card = "sim:" + arg("card.zr48");

    EXPECT_EQ(zr48({"--link", card, "download", arg("Villa/Villa.mpj")}), kExitFailed);
    std::smatch match;
    const std::string message = err.str();
    ASSERT_TRUE(
        std::regex_search(message, match,
                          std::regex(R"(zr48: download interrupted. (\d+) of 24 sectors were written, so the )"
                                     R"(ZR48's card holds part of the image; its directory names only device files )"
                                     R"(written whole. Download it again.\n)")))
        << message;
    const std::size_t written = std::stoul(match[1]);
    EXPECT_GE(written, 6u);
    EXPECT_LT(written, 24u);
    // Sectors 0 to 8 hold the empty directory written first; the one in flight may have arrived.
    EXPECT_TRUE(cardSectors == written + 9 || cardSectors == written + 10) << cardSectors;

    EXPECT_EQ(zr48({"--link", card, "dump-card", arg("dump.mpd"), "0-39"}), kExitFailed);
    const SectorImage kept = ReadSectorImage(arg("dump.mpd"));
    ASSERT_GE(kept.Records.size(), 10u);
    ASSERT_LT(kept.Records.size(), 40u);
    EXPECT_TRUE(inErr("zr48: dump interrupted; the " + std::to_string(kept.Records.size()) +
                      " sectors read so far (0-" + std::to_string(kept.Records.size() - 1) + ") are kept in '" +
                      arg("dump.mpd") + "'\n"))
        << err.str();

    EXPECT_EQ(zr48({"--link", card, "firmware", ZR48_FIRMWARE_IMAGE}), kExitFailed);
    EXPECT_TRUE(std::regex_search(err.str(), std::regex(R"(zr48: update interrupted after \d+ of 480 blocks; the ZR48 )"
                                                        R"(may be in its boot loader or run its old firmware)")))
        << err.str();
    EXPECT_TRUE(inErr("zr48:   zr48 --link '" + card + "' firmware '" + ZR48_FIRMWARE_IMAGE + "'\n")) << err.str();
    EXPECT_TRUE(inBootLoader);

    // Pressed while the unit waits for a remote control: nothing is written.
    environment.defaults.interrupted = [this] { return inOut("press a key"); };
    EXPECT_EQ(zr48({"--link", card, "ir", "capture", arg("ir.bin")}), kExitFailed);
    EXPECT_TRUE(inErr("zr48: capture interrupted; nothing was written\n")) << err.str();
    EXPECT_FALSE(fileExists(arg("ir.bin")));
    // And while the capture comes in.
    environment.defaults.interrupted = [this] { return inErr("[######"); };
    EXPECT_EQ(zr48({"--link", card, "ir", "capture", arg("ir.bin")}), kExitFailed);
    EXPECT_TRUE(inErr("zr48: capture interrupted; nothing was written\n")) << err.str();
    EXPECT_FALSE(fileExists(arg("ir.bin")));
    expectPrefixedErr();

    // The short reads end with a message too.
    environment.defaults.interrupted = [] { return true; };
    EXPECT_EQ(zr48({"--link", card, "sector", "9"}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: sector 9 read interrupted; nothing was shown\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(zr48({"--link", card, "display", "--png", arg("display.png")}), kExitFailed);
    EXPECT_TRUE(inErr("zr48: display interrupted after 0 of 10 pages; nothing was written\n")) << err.str();
    EXPECT_FALSE(fileExists(arg("display.png")));
}

// The real Ctrl-C: a SIGINT that arrives during the transfer is taken as the transfer's own; so
// are a kill's SIGTERM and a closed terminal's SIGHUP.
TEST_F(CommandLineHabitsTest, AStopSignalDuringADumpIsTakenByTheDump)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        bool taken = false;
        EXPECT_EQ(withSignalPending(
                      signal,
                      [&] {
                          return zr48({"--link", "sim", "dump-card", arg("dump.mpd"), "0-9"});
                      },
                      taken),
                  kExitFailed);
        EXPECT_TRUE(taken);
        EXPECT_TRUE(inErr("zr48: dump interrupted; nothing was written\n")) << err.str();
        EXPECT_FALSE(fileExists(arg("dump.mpd")));
    }
}

} // namespace
} // namespace zr48::cli
