#include "cli/CommandsLink.h"

#include "CliHarness.h"
#include "base/VirtualClock.h"
#include "cli/Cli.h"
#include "sim/SimulatedDriver.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

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
