#include "cli/CommandsLink.h"

#include "CliHarness.h"
#include "base/VirtualClock.h"
#include "cli/Cli.h"
#include "sim/SimulatedDriver.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zr48::cli {
namespace {

// `zr48 status` against a simulated unit in virtual time.
class StatusTest : public testing::Test {
protected:
    int report(SimulatedUnit& unit)
    {
        TimerRxThreadHost threads(clock);
        TUsbZR48 link(clock, unit.driver, threads, {});
        return reportStatus(
            out, err, link, [this](const std::function<bool()>& done, int ms) { return clock.advanceUntil(done, ms); },
            "the simulator");
    }
    VirtualClock clock;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(StatusTest, ConnectedUnitShowsTheLinkAndItsFirmware)
{
    SimulatedUnit unit(clock, [this] { return clock.now() * 1000; });
    EXPECT_EQ(report(unit), kExitOk);
    EXPECT_EQ(out.str(), "Connected (Rx:15, Tx:2)\nFirmware version: R48+1.20 SIM\n");
    EXPECT_LT(clock.now(), 100); // the version request made the connection, no keep-alive needed
}

TEST_F(StatusTest, ASilentOrAbsentUnitIsReportedAfterThreeSeconds)
{
    SimOptions silent;
    silent.faults.silent = true;
    SimulatedUnit quiet(
        clock, [this] { return clock.now() * 1000; }, {}, silent);
    EXPECT_EQ(report(quiet), kExitNoUnit);
    EXPECT_EQ(clock.now(), 3000);
    EXPECT_EQ(err.str(), "zr48: no ZR48 found: Connecting... (looked for the simulator)\n");

    err.str({});
    SimulatedUnit absent(clock, [this] { return clock.now() * 1000; });
    absent.unit.unplug();
    EXPECT_EQ(report(absent), kExitNoUnit);
    EXPECT_EQ(err.str(), "zr48: no ZR48 found: Not Connected (looked for the simulator)\n");
    EXPECT_TRUE(out.str().empty());
}

TEST(StatusCommand, ADeviceWithoutPermissionIsReportedWithTheWayToGetAccess)
{
    test::TempDir dir;
    const auto device = dir.path() / "ttyLocked";
    std::ofstream(device) << "x";
    std::filesystem::permissions(device, std::filesystem::perms::none);
    const auto result = test::runUnprivileged([&] {
        CliHarness cli;
        const int exitCode = cli.runCli({"--link", "tty:" + device.string(), "status"});
        return std::to_string(exitCode) + "|" + cli.out.str() + "|" + cli.err.str();
    });
    ASSERT_TRUE(result);
    // The group named is the one that owns the device ("dialout" for a ttyUSB).
    const std::string expected =
        std::to_string(kExitNoUnit) + "||" +
        "zr48: no ZR48 found: USB Error 3 (Permission denied) (looked for the terminal device " + device.string() +
        ")\nzr48: Permission denied: cannot open " + device.string() +
        ".\nzr48: To get access, add your user to the group \"";
    EXPECT_EQ(result->substr(0, expected.size()), expected);
    EXPECT_NE(result->find("\" that owns it (sudo usermod -aG "), std::string::npos) << *result;
    EXPECT_TRUE(result->ends_with(" $USER), then log out and in again.\n")) << *result;
}

TEST(StatusCommand, RefusesAnUnknownLinkAndReportsAMissingDevice)
{
    CliHarness cli;
    EXPECT_EQ(cli.runCli({"--link", "usb", "status"}), kExitUsage);
    EXPECT_NE(cli.err.str().find("unknown link 'usb'"), std::string::npos) << cli.err.str();
    EXPECT_EQ(cli.runCli({"--link", "tty:/nonexistent/ttyZR48", "status"}), kExitNoUnit);
    EXPECT_EQ(cli.err.str(),
              "zr48: no ZR48 found: Not Connected (looked for the terminal device /nonexistent/ttyZR48)\n");
    EXPECT_EQ(cli.runCli({"status", "extra"}), kExitUsage);
}

} // namespace
} // namespace zr48::cli

namespace zr48::cli {
namespace {

TEST(UnitSession, DeviceCommandsRunOnASimulatedUnitInVirtualTime)
{
    CliHarness cli;
    EXPECT_EQ(cli.runCli({"--link", "sim", "status"}), kExitOk) << cli.err.str();
    EXPECT_NE(cli.out.str().find("Firmware version: R48+1.20 SIM"), std::string::npos);
    EXPECT_EQ(cli.runCli({"--link", "bogus", "status"}), kExitUsage);
    EXPECT_NE(cli.err.str().find("unknown link 'bogus'"), std::string::npos);
}

} // namespace
} // namespace zr48::cli
