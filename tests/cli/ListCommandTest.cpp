// zr48 list and --link serial:SERIALNUMBER against sysfs trees made in a test folder.

#include "CliHarness.h"
#include "support/FakeSysfs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace zr48::cli {
namespace {

class ListCommandTest : public testing::Test, public CliHarness {
protected:
    ListCommandTest()
    {
        environment.defaults.systemFolders = {sysfs.dev(), sysfs.sysClassTty()};
        environment.defaults.ftdiDevices = [this] { return ftdi; };
    }
    // Two units, another converter and a modem.
    void twoUnits()
    {
        sysfs.addUsbSerial("ttyUSB10", "1-4", kZr48Description, "B2");
        sysfs.addUsbSerial("ttyUSB2", "1-2", kZr48Description, "A1");
        sysfs.addUsbSerial("ttyUSB0", "1-1", "FT232R USB UART", "X9");
        sysfs.addUsbSerial("ttyACM0", "1-3", "");
    }
    bool inOut(std::string_view part) const { return out.str().find(part) != std::string::npos; }

    test::TempDir dir;
    test::FakeSysfs sysfs{dir.path()};
    std::vector<FtdiDeviceInfo> ftdi;
};

TEST_F(ListCommandTest, ListsEveryConverterAndWhichOneAutoTakes)
{
    twoUnits();
    ASSERT_EQ(runCli({"list"}), kExitOk) << err.str();
    const std::string d = sysfs.dev().string();
    EXPECT_EQ(out.str(), "Serial devices (ttyUSB, ttyACM):\n"
                         "  " +
                             d +
                             "/ttyACM0  (unknown)\n"
                             "  " +
                             d +
                             "/ttyUSB0  \"FT232R USB UART\"  serial number X9  USB 1-1\n"
                             "  " +
                             d +
                             "/ttyUSB2  \"KELDO ZR48-USB Link\"  serial number A1  USB 1-2  (a ZR48 converter)\n"
                             "  " +
                             d +
                             "/ttyUSB10  \"KELDO ZR48-USB Link\"  serial number B2  USB 1-4  (a ZR48 converter)\n"
                             "FTDI devices (libftdi1):\n"
                             "  none\n"
                             "--link auto takes: the serial device " +
                             d +
                             "/ttyUSB2\n"
                             "Choose another unit with --link serial:SERIALNUMBER.\n");

    // The udev rule's link wins; --json says the same for scripts.
    sysfs.addUnitLink(3, "ttyUSB10");
    ASSERT_EQ(runCli({"list", "--json"}), kExitOk) << err.str();
    const auto list = nlohmann::json::parse(out.str());
    ASSERT_EQ(list["serial"].size(), 4u);
    EXPECT_EQ(list["serial"][3]["device"], d + "/ttyUSB10");
    EXPECT_EQ(list["serial"][3]["serialNumber"], "B2");
    EXPECT_EQ(list["serial"][3]["links"], nlohmann::json::array({d + "/zr48-3"}));
    EXPECT_EQ(list["serial"][3]["zr48"], true);
    EXPECT_EQ(list["serial"][1]["zr48"], false);
    EXPECT_EQ(list["auto"]["way"], "serial");
    EXPECT_EQ(list["auto"]["device"], d + "/ttyUSB10");
    EXPECT_TRUE(list["ftdi"].empty());
}

TEST_F(ListCommandTest, WithoutASerialUnitAutoTakesTheFtdiDevice)
{
    sysfs.addUsbSerial("ttyUSB0", "1-1", "FT232R USB UART", "X9");
    ftdi = {{"FT232R USB UART", "FTDI", "X9", 1, 4, ""},
            {"", "", "", 1, 7, "unable to open device"},
            {kZr48Description, "KELDO", "C3", 1, 9, ""}};
    ASSERT_EQ(runCli({"list"}), kExitOk);
    EXPECT_TRUE(inOut("FTDI devices (libftdi1):\n"
                      "  bus 1 device 4  \"FT232R USB UART\"  serial number X9\n"
                      "  bus 1 device 7  (its strings cannot be read: unable to open device)\n"
                      "  bus 1 device 9  \"KELDO ZR48-USB Link\"  serial number C3  (a ZR48 converter)\n"
                      "--link auto takes: the FTDI device on bus 1, device 9\n"))
        << out.str();
    ftdi.clear();
    ASSERT_EQ(runCli({"list", "--json"}), kExitOk);
    EXPECT_TRUE(nlohmann::json::parse(out.str())["auto"].is_null());
    EXPECT_EQ(runCli({"list", "extra"}), kExitUsage);
}

TEST_F(ListCommandTest, ASerialNumberThatNoUnitHasIsSaid)
{
    twoUnits();
    environment.defaults.virtualTime = true;
    EXPECT_EQ(runCli({"--link", "serial:C3", "status"}), kExitNoUnit);
    EXPECT_NE(err.str().find("zr48: no ZR48 found: Not Connected (looked for a serial device \"KELDO ZR48-USB Link\" "
                             "with the serial number C3)"),
              std::string::npos)
        << err.str();
}

} // namespace
} // namespace zr48::cli
