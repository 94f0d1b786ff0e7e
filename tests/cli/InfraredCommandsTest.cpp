#include "CliHarness.h"
#include "base/FileIo.h"
#include "base/VirtualClock.h"
#include "cli/Cli.h"
#include "cli/CommandsInfrared.h"
#include "infrared/IrSamples.h"
#include "sim/SimulatedDriver.h"
#include "support/RandomBytes.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <sstream>

namespace zr48::cli {
namespace {

class InfraredCommandsTest : public testing::Test, public CliHarness {
protected:
    int run(Arguments arguments)
    {
        out.str({});
        err.str({});
        return cli::run(environment, arguments);
    }

    std::string fileText(const Text& path)
    {
        const Bytes bytes = readFileBytes(path);
        return {bytes.begin(), bytes.end()};
    }

    // A capture of `bytes` bytes with marks of 1000 samples at the given starts.
    Text writeCapture(const char* name, std::size_t bytes, std::vector<std::int64_t> markStarts)
    {
        CaptureBuffer capture{};
        for (std::int64_t start : markStarts)
            for (std::int64_t n = start; n < start + 1000; ++n)
                setIrSample(capture, n, true);
        return dir.write(name, std::string(capture.begin(), capture.begin() + static_cast<std::ptrdiff_t>(bytes)));
    }

    test::TempDir dir;
};

const char* const kDeviceFile =
    "NAME=Test\r\nIR_TIME_0 = 100\r\nIR_ON = \"#560#580#1690#600\"\r\nIR_OFF = \"$0#9000\"\r\n";
const char* const kOptimized = "NAME=Test\r\nIR_TIME_0 = 100\r\nIR_TIME_1 = 585\r\nIR_TIME_2 = 1690\r\n"
                               "IR_TIME_3 = 9000\r\nIR_ON = \"$1121\"\r\nIR_OFF = \"$03\"\r\n";

TEST_F(InfraredCommandsTest, OptimizeWritesTheResultToStandardOutputWithTheTwoPassesOfTheSettings)
{
    const Text file = dir.write("Tv.mpi", kDeviceFile);
    settings.setIrOptimizerPass1(1);
    settings.setIrOptimizerPass2(4);
    ASSERT_EQ(run({"ir", "optimize", file}), kExitOk) << err.str();
    // 1 % keeps 560, 580 and 600 apart; 4 % then merges 560 and 580 into 570 but keeps 600.
    EXPECT_EQ(out.str(), "NAME=Test\nIR_TIME_0 = 100\nIR_TIME_1 = 570\nIR_TIME_2 = 600\nIR_TIME_3 = 1690\n"
                         "IR_TIME_4 = 9000\nIR_ON = \"$1132\"\nIR_OFF = \"$04\"\n");
    EXPECT_EQ(fileText(file), kDeviceFile);
}

TEST_F(InfraredCommandsTest, OptimizeInPlaceRunsTheGivenTolerancesInOrder)
{
    const Text file = dir.write("Tv.mpi", kDeviceFile);
    ASSERT_EQ(run({"ir", "optimize", "--tolerance", "10", file, "--tolerance=20", "--in-place"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(fileText(file), kOptimized);
    // Written as system text: a Windows-1252 byte stays one byte. The file's name is any name.
    const Path accented = dir.write("Кафе/家.mpi", "NAME=Caf\xE9\r\nA=\"#500\"\r\n");
    ASSERT_EQ(run({"ir", "optimize", accented, "--in-place"}), kExitOk) << err.str();
    EXPECT_EQ(fileText(accented), "NAME=Caf\xE9\r\nA=\"$0\"\r\nIR_TIME_0 = 500\r\n");
}

// -o writes the device file's own form, the bytes --in-place writes; standard output stays text
// for the terminal.
TEST_F(InfraredCommandsTest, OptimizeIntoAFileWritesTheBytesOfInPlace)
{
    const std::string device = std::string(kDeviceFile) + "COMMENT=Caf\xE9 \x80\r\n";
    const Path inPlace = dir.write("InPlace.mpi", device);
    const Path source = dir.write("Source.mpi", device);
    ASSERT_EQ(run({"ir", "optimize", inPlace, "--in-place"}), kExitOk) << err.str();
    ASSERT_EQ(run({"ir", "optimize", source, "-o", dir.text("Out.mpi")}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(fileText(dir.text("Out.mpi")), fileText(inPlace));
    EXPECT_NE(fileText(inPlace).find("COMMENT=Caf\xE9 \x80\r\n"), std::string::npos);
    EXPECT_EQ(fileText(source), device);
    ASSERT_EQ(run({"ir", "optimize", "--output=" + dir.text("Long.mpi"), source}), kExitOk) << err.str();
    EXPECT_EQ(fileText(dir.text("Long.mpi")), fileText(inPlace));

    ASSERT_EQ(run({"ir", "optimize", source}), kExitOk) << err.str();
    EXPECT_EQ(out.str().find('\r'), std::string::npos);
    EXPECT_NE(out.str().find("COMMENT=Caf\xC3\xA9 \xE2\x82\xAC\n"), std::string::npos) << out.str();

    EXPECT_EQ(run({"ir", "optimize", source, "-o", dir.text("x.mpi"), "--in-place"}), kExitUsage);
    EXPECT_NE(err.str().find("give --in-place or -o FILE, not both"), std::string::npos) << err.str();
    EXPECT_EQ(run({"ir", "optimize", source, "-o"}), kExitUsage);
    EXPECT_NE(err.str().find("-o, --output FILE: the value is missing"), std::string::npos) << err.str();
}

// Such a file would be "optimized" into lines of garbage, and a huge one read whole.
TEST_F(InfraredCommandsTest, OptimizeRewritesNothingButADeviceFilesText)
{
    const std::string random = test::randomBytes(5000, 3);
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"capture.mpi", fileText(writeCapture("ir.bin", 16384, {2000, 3500})), "it holds binary data, not text."},
        {"random.mpi", random, "it holds binary data, not text."},
        {"notes.mpi", "Buy milk\r\nCall the installer\r\n", "it holds no KEY=value line."},
        {"huge.mpi", "A=\"#500\"\r\n" + std::string(1024 * 1024, 'x'),
         "it is larger than 1024 KiB, which no device file is."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Path path = dir.write(c.name, c.bytes);
        for (const Arguments& arguments :
             {Arguments{"ir", "optimize", path, "--in-place"},
              Arguments{"ir", "optimize", path, "-o", dir.text("out.mpi")}, Arguments{"ir", "optimize", path}}) {
            prompt.clear();
            EXPECT_EQ(run(arguments), kExitFailed);
            EXPECT_EQ(err.str(), "zr48: '" + path + "' is not a device file: " +
                                     std::string(c.reason).substr(0, std::strlen(c.reason) - 1) + "\n");
            EXPECT_EQ(out.str(), "");
        }
        EXPECT_EQ(fileText(path), c.bytes);
        EXPECT_FALSE(fileExists(dir.text("out.mpi")));
    }
    // UTF-16 with its byte-order mark is a device file's text too.
    const std::string utf16("\xFF\xFE"
                            "A\0=\0\"\0#\0"
                            "5\0"
                            "0\0"
                            "0\0\"\0\r\0\n\0",
                            22);
    ASSERT_EQ(run({"ir", "optimize", dir.write("Wide.mpi", utf16)}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "A=\"$0\"\nIR_TIME_0 = 500\n");
}

TEST_F(InfraredCommandsTest, WrongUsageAndMissingFiles)
{
    const Text file = dir.write("Tv.mpi", kDeviceFile);
    const struct {
        Arguments arguments;
        int status;
        const char* message;
    } cases[] = {
        {{"ir"}, kExitUsage, "zr48: usage: zr48 ir capture|analyse|optimize"},
        {{"ir", "capture"}, kExitUsage, "zr48: usage: zr48 ir "},
        {{"--link", "carrier-pigeon", "ir", "capture", "x.bin"}, kExitUsage, "unknown link 'carrier-pigeon'"},
        {{"ir", "scope"}, kExitUsage, "unknown ir command 'scope'"},
        {{"ir", "optimize"}, kExitUsage, "zr48: usage: zr48 ir "},
        {{"ir", "optimize", file, "--tolerance", "x"}, kExitUsage, "--tolerance takes a whole number from 0 to 100"},
        {{"ir", "optimize", file, "--tolerance", "101"}, kExitUsage, "--tolerance takes a whole number"},
        {{"ir", "optimize", file, "--fast"}, kExitUsage, "unknown option '--fast'"},
        {{"ir", "analyse", file, "5"}, kExitUsage, "zr48: usage: zr48 ir "},
        {{"ir", "analyse", file, "0", "524288"}, kExitUsage, "FIRST and LAST are sample numbers"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments), c.status);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
    EXPECT_EQ(fileText(file), kDeviceFile);

    EXPECT_EQ(run({"ir", "optimize", dir.text("missing.mpi")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: there is no device file '" + dir.text("missing.mpi") + "'\n");
    EXPECT_EQ(run({"ir", "analyse", dir.write("big.bin", std::string(65537, '\0'))}), kExitFailed);
    EXPECT_NE(err.str().find("is not an infrared capture: it holds 65537 bytes"), std::string::npos) << err.str();
}

TEST_F(InfraredCommandsTest, AnalysePrintsTheDurationsOfTheWholeCaptureOrASpan)
{
    const Text capture = writeCapture("ir.bin", 65536, {2000, 3500});
    ASSERT_EQ(run({"ir", "analyse", capture}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "#574#268#574\n");
    ASSERT_EQ(run({"ir", "analyse", capture, "2700", "2300"}), kExitOk);
    EXPECT_EQ(out.str(), "\n");
    EXPECT_NE(err.str().find("zr48: no mark ends between samples 2300 and 2700"), std::string::npos);
    ASSERT_EQ(run({"ir", "analyse", capture, "2300", "5000"}), kExitOk);
    EXPECT_EQ(out.str(), "#406#268#574\n");
    // A shorter file is the start of a capture; what lies beyond it reads as low.
    const Text shorter = writeCapture("short.bin", 512, {3000});
    ASSERT_EQ(run({"ir", "analyse", shorter}), kExitOk);
    EXPECT_EQ(out.str(), "#574\n");
}

TEST_F(InfraredCommandsTest, AnalyseDrawsThePlotOfTheSpan)
{
    const Text capture = writeCapture("ir.bin", 65536, {2000, 3500});
    const Text png = dir.text("plot.png");
    ASSERT_EQ(run({"ir", "analyse", capture, "1900", "4600", "--plot", png}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "#574#268#574\n");
    // 2,701 samples fit across a view at "40us/div" (3.564 samples a pixel); the points are 757
    // pixels of 2 us apart.
    EXPECT_NE(err.str().find("zr48: plot at 40us/div, measured 1514 us / 0.66 kHz"), std::string::npos) << err.str();
    const std::string bytes = fileText(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(bytes.substr(16, 8), std::string("\0\0\x04\xB0\0\0\x01\x2C", 8)); // 1200 x 300
}

// `zr48 ir capture` against a simulated unit in virtual time.
class IrCaptureCommandTest : public testing::Test {
protected:
    // `interfere` runs once, when `when` first holds (by default once the first block is asked for).
    int capture(SimulatedUnit& unit, const std::function<void()>& interfere = {}, std::function<bool()> when = {})
    {
        if (!when)
            when = [&] { return unit.unit.requestsReceived() > 0 && err.str().find("0/") != std::string::npos; };
        TimerRxThreadHost threads(clock);
        TUsbZR48 link(clock, unit.driver, threads, {});
        bool interfered = false;
        return captureToFile(
            out, err, link, clock, [this] { return static_cast<double>(clock.now()) / 1000.0; },
            [&](const std::function<bool()>& done, int ms) {
                return clock.advanceUntil(
                    [&] {
                        if (interfere && !interfered && when()) {
                            interfered = true;
                            interfere();
                        }
                        return done();
                    },
                    ms);
            },
            "the simulator", file, ProgressBar::Mode::Lines);
    }

    VirtualClock clock;
    test::TempDir dir;
    Text file = dir.text("capture.bin");
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(IrCaptureCommandTest, WritesTheCaptureAndItsDurations)
{
    SimulatedUnit unit(clock, [this] { return clock.now() * 1000; });
    ASSERT_EQ(capture(unit), kExitOk) << err.str();
    const std::vector<std::uint8_t> expected = necCapture(0x04, 0x08);
    EXPECT_EQ(readFileBytes(file), expected);
    EXPECT_NE(out.str().find("Captured " + std::to_string(expected.size()) + " bytes into "), std::string::npos);
    EXPECT_NE(out.str().find("\n#8996#4504#"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find(std::to_string(expected.size()) + "/" + std::to_string(expected.size()) + " bytes"),
              std::string::npos)
        << err.str();
}

TEST_F(IrCaptureCommandTest, RunsOnTheLinkOfTheCommandLine)
{
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    Environment environment{out, err, prompt, settings, {}, {.virtualTime = true}};
    ASSERT_EQ(run(environment, {"--link", "sim", "ir", "capture", file}), kExitOk) << err.str();
    EXPECT_EQ(readFileBytes(file), necCapture(0x04, 0x08));
}

TEST_F(IrCaptureCommandTest, ASilentUnitOrOneThatStopsAnsweringWritesNothing)
{
    SimOptions silent;
    silent.faults.silent = true;
    SimulatedUnit quiet(
        clock, [this] { return clock.now() * 1000; }, {}, silent);
    EXPECT_EQ(capture(quiet), kExitNoUnit);
    EXPECT_NE(err.str().find("zr48: no ZR48 found: Connecting... (looked for the simulator)"), std::string::npos)
        << err.str();

    err.str({});
    SimulatedUnit stopping(clock, [this] { return clock.now() * 1000; });
    EXPECT_EQ(capture(stopping, [&] { stopping.unit.faults().silent = true; }), kExitFailed);
    EXPECT_NE(err.str().find("the ZR48 stopped answering at byte 0 of "), std::string::npos) << err.str();
    EXPECT_FALSE(fileExists(file));
}

// The request to start is sent once the link is up, and again when it is lost.
TEST_F(IrCaptureCommandTest, ALineThatLosesRequestsStillGivesTheCapture)
{
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        SimOptions lossy;
        lossy.faults = {.seed = seed, .dropRate = 0.3};
        SimulatedUnit unit(
            clock, [this] { return clock.now() * 1000; }, {}, lossy);
        out.str({});
        err.str({});
        ASSERT_EQ(capture(unit), kExitOk) << err.str();
        EXPECT_EQ(readFileBytes(file), necCapture(0x04, 0x08));
    }
}

TEST_F(IrCaptureCommandTest, AUnitThatGoesAwayWhileWaitingEndsTheWaitWithinSeconds)
{
    SimulatedUnit unit(clock, [this] { return clock.now() * 1000; });
    std::int64_t unpluggedAt = 0;
    const int status = capture(
        unit,
        [&] {
            unit.unit.unplug();
            unpluggedAt = clock.now();
        },
        [&] { return out.str().find("Capturing:") != std::string::npos; });
    EXPECT_EQ(status, kExitFailed);
    EXPECT_LT(clock.now() - unpluggedAt, 5000); // not the full minute
    EXPECT_NE(err.str().find("zr48: the link to the ZR48 went down while waiting for the capture ("), std::string::npos)
        << err.str();
    EXPECT_FALSE(fileExists(file));
}

TEST_F(IrCaptureCommandTest, AnOutputThatCannotBeWrittenIsRefusedBeforeTheCapture)
{
    test::ScriptedPrompt prompt;
    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    std::filesystem::create_directory(dir.path() / "folder.bin");
    Environment environment{out, err, prompt, settings, {}, {.virtualTime = true}};
    EXPECT_EQ(run(environment, {"--link", "sim", "ir", "capture", dir.text("folder.bin")}), kExitFailed);
    EXPECT_EQ(err.str(), "zr48: Cannot write \"" + dir.text("folder.bin") +
                             "\":\nzr48: it is a folder, not a file\nzr48: nothing was captured\n");
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace zr48::cli
