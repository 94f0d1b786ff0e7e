// The converter as a Windows COM port: which port is the unit's (pure, tested everywhere), and
// the driver as far as a system without the unit shows it (Windows only).

#include "link/drivers/ComPortLookup.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "base/Platform.h"
#include "base/VirtualClock.h"
#include "link/drivers/ComPortDriver.h"
#include "link/drivers/LinkDrivers.h"
#include "support/TempDir.h"

#include <chrono>
#include <vector>
#endif

namespace zr48 {
namespace {

constexpr const char* kUnit = "KELDO ZR48-USB Link";

TEST(ComPortLookup, FindsTheUnitByAnyOfItsDescriptions)
{
    const ComPortDevice modem{"Communications Port (COM1)", "Communications Port", "", "COM1"};
    struct Case {
        const char* what;
        ComPortDevice unit;
    };
    const Case cases[] = {
        // FTDI's driver calls every port "USB Serial Port"; the bus reports the product string.
        {"bus-reported description", {"USB Serial Port (COM7)", "USB Serial Port", kUnit, "COM7"}},
        {"device description", {"USB Serial Port (COM7)", kUnit, "", "COM7"}},
        {"friendly name without the port", {kUnit, "USB Serial Port", "", "COM7"}},
        {"friendly name with the port", {"KELDO ZR48-USB Link (COM7)", "Serial", "", "COM7"}},
        {"port from the friendly name only", {"KELDO ZR48-USB Link (COM7)", kUnit, "", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findComPortByDescription({modem, c.unit}, kUnit), "COM7") << c.what;
        EXPECT_EQ(findComPortByDescription({c.unit, modem}, kUnit), "COM7") << c.what;
    }
    // Another converter, or the unit's name as a part of another's, is not the unit.
    const ComPortDevice other{"USB Serial Port (COM4)", "USB Serial Port", "FT232R USB UART", "COM4"};
    const ComPortDevice longer{"KELDO ZR48-USB Link 2 (COM5)", "KELDO ZR48-USB Link 2", "", "COM5"};
    const ComPortDevice cased{"keldo zr48-usb link (COM6)", "USB Serial Port", "keldo zr48-usb link", "COM6"};
    EXPECT_EQ(findComPortByDescription({modem, other, longer, cased}, kUnit), std::nullopt);
    EXPECT_EQ(findComPortByDescription({}, kUnit), std::nullopt);
    // A device without any port name cannot be opened and is passed over.
    EXPECT_EQ(findComPortByDescription({{kUnit, kUnit, kUnit, ""}}, kUnit), std::nullopt);
}

TEST(ComPortLookup, OfSeveralUnitsTakesTheLowestNumberedPort)
{
    const ComPortDevice com12{"USB Serial Port (COM12)", "USB Serial Port", kUnit, "COM12"};
    const ComPortDevice com9{"USB Serial Port (COM9)", "USB Serial Port", kUnit, "COM9"};
    const ComPortDevice com10{"USB Serial Port (COM10)", "USB Serial Port", kUnit, "COM10"};
    // By number, not as text ("COM10" < "COM9"), whatever order Windows lists them in.
    EXPECT_EQ(findComPortByDescription({com12, com9, com10}, kUnit), "COM9");
    EXPECT_EQ(findComPortByDescription({com10, com12}, kUnit), "COM10");
}

TEST(ComPortLookup, ASerialNumberChoosesOneOfSeveralUnits)
{
    const ComPortDevice first{"USB Serial Port (COM3)", "USB Serial Port", kUnit, "COM3", "KZ0001"};
    const ComPortDevice second{"USB Serial Port (COM8)", "USB Serial Port", kUnit, "COM8", "KZ0002"};
    const ComPortDevice other{"USB Serial Port (COM2)", "USB Serial Port", "FT232R USB UART", "COM2", "KZ0002"};
    EXPECT_EQ(findComPortByDescription({first, second, other}, kUnit, "KZ0002"), "COM8");
    EXPECT_EQ(findComPortByDescription({first, second, other}, kUnit, "KZ0001"), "COM3");
    EXPECT_EQ(findComPortByDescription({first, second, other}, kUnit, "KZ0003"), std::nullopt);
    EXPECT_EQ(findComPortByDescription({first, second}, kUnit), "COM3");
}

TEST(ComPortLookup, TheSerialNumberIsTheLastPartOfTheUsbDevicesInstance)
{
    EXPECT_EQ(usbSerialNumberOfInstance("USB\\VID_0403&PID_6001\\KZ0001"), "KZ0001");
    EXPECT_EQ(usbSerialNumberOfInstance("usb\\vid_0403&pid_6001\\A50285BI"), "A50285BI");
    // Windows makes up an instance of its own for a device without a serial number.
    EXPECT_EQ(usbSerialNumberOfInstance("USB\\VID_0403&PID_6001\\5&2C7F3B4&0&2"), "");
    // Not a USB device's (FTDI's bus driver adds its own), or cut short.
    EXPECT_EQ(usbSerialNumberOfInstance("FTDIBUS\\VID_0403+PID_6001+KZ0001A\\0000"), "");
    EXPECT_EQ(usbSerialNumberOfInstance("USB\\VID_0403&PID_6001"), "");
    EXPECT_EQ(usbSerialNumberOfInstance("USB\\"), "");
}

TEST(ComPortLookup, ThePortNameComesFromTheRegistryElseTheFriendlyName)
{
    EXPECT_EQ(comPortName({"USB Serial Port (COM3)", "", "", "COM8"}), "COM8");
    EXPECT_EQ(comPortName({"USB Serial Port (COM3)", "", "", ""}), "COM3");
    EXPECT_EQ(comPortName({"Printer Port (LPT1)", "", "", ""}), std::nullopt);
    EXPECT_EQ(comPortName({"USB Serial Port", "", "", ""}), std::nullopt);
    EXPECT_EQ(comPortName({"USB Serial Port (COM)", "", "", ""}), std::nullopt);
    EXPECT_EQ(comPortName({"USB Serial Port (COM3x)", "", "", ""}), std::nullopt);
}

TEST(ComPortLookup, PortsAreOpenedThroughTheDeviceNamespace)
{
    EXPECT_EQ(comPortDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(comPortDevicePath("COM12"), "\\\\.\\COM12"); // the only way to reach COM10 and above
    EXPECT_EQ(comPortDevicePath("com4"), "\\\\.\\com4");
    EXPECT_EQ(comPortDevicePath("\\\\.\\COM5"), "\\\\.\\COM5");
    EXPECT_EQ(comPortDevicePath("C:/Temp/port.txt"), "C:/Temp/port.txt");
    EXPECT_EQ(comPortDevicePath("COMPUTER"), "COMPUTER");
}

#ifdef _WIN32

TEST(ComPortDriver, WithoutTheUnitNothingIsFound)
{
    ComPortDriver byDescription;
    EXPECT_EQ(byDescription.openByDescription("KELDO no such converter"), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(byDescription.lastFailure().reason, "");
    ComPortDriver byName(ComPortDriver::Port{"COM199"});
    EXPECT_EQ(byName.openByDescription(kUnit), FT_DEVICE_NOT_FOUND);
}

TEST(ComPortDriver, AFileIsNoSerialPort)
{
    test::TempDir dir;
    ComPortDriver driver(ComPortDriver::Port{dir.write("port.txt", "not a port")});
    EXPECT_EQ(driver.openByDescription(kUnit), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(driver.lastFailure().reason, "Not a serial port");
    EXPECT_NE(driver.lastFailure().help.find("port.txt"), std::string::npos) << driver.lastFailure().help;
}

TEST(ComPortDriver, AClosedPortDoesNothingAndWaitsOutItsTime)
{
    ComPortDriver driver(ComPortDriver::Port{"COM199"});
    driver.openByDescription(kUnit);
    EXPECT_EQ(driver.setBaudRate(230400), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.setDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.setFlowControl(FT_FLOW_NONE), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.setLatencyTimer(1), FT_INVALID_HANDLE);
    EXPECT_EQ(driver.queuedBytes(), 0u);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(driver.read(buffer, sizeof buffer), 0u);
    driver.write(buffer, sizeof buffer);
    // The receive thread must not spin on a closed port: the wait takes its time.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(driver.waitReadable(60));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    driver.close();
    driver.close();
}

TEST(ComPortDriver, TheLinkTargetsOfWindows)
{
    VirtualClock clock;
    const auto now = [] { return std::int64_t{0}; };
    LinkDriver tty(*parseLinkTarget("tty:COM199"), clock, now);
    EXPECT_EQ(tty.description(), "the COM port COM199");
    EXPECT_EQ(tty.driver().open(), FT_DEVICE_NOT_FOUND);
    LinkDriver serial(*parseLinkTarget("serial"), clock, now);
    EXPECT_EQ(serial.description(), "a COM port \"KELDO ZR48-USB Link\"");
    LinkDriver one(*parseLinkTarget("serial:KZ0001"), clock, now);
    EXPECT_EQ(one.description(), "a COM port \"KELDO ZR48-USB Link\" with the serial number KZ0001");
    EXPECT_EQ(one.driver().open(), FT_DEVICE_NOT_FOUND);
    // libftdi1 has no Windows build: `ftdi` says so and what to use instead.
    LinkDriver ftdi(*parseLinkTarget("ftdi"), clock, now);
    EXPECT_EQ(ftdi.driver().open(), FT_NOT_SUPPORTED);
    EXPECT_NE(ftdi.driver().lastFailure().help.find("--link serial"), std::string::npos);
}

// A real serial line: under Wine, tests/link/com-loopback.py links a pseudo-terminal whose other
// end echoes every byte as a COM port and names it in ZR48_LOOPBACK_PORT.
TEST(ComPortDriver, SendsAndReceivesOverARealLine)
{
    const auto port = platform::environmentVariable("ZR48_LOOPBACK_PORT");
    if (!port)
        GTEST_SKIP() << "needs a COM port that echoes (run by com-loopback.py)";
    ComPortDriver driver(ComPortDriver::Port{*port});
    ASSERT_EQ(driver.openByDescription(kUnit), FT_OK) << driver.lastFailure().help;
    EXPECT_EQ(driver.setBaudRate(230400), FT_OK);
    EXPECT_EQ(driver.setDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
    EXPECT_EQ(driver.setFlowControl(FT_FLOW_NONE), FT_OK);
    EXPECT_EQ(driver.setDataCharacteristics(9, FT_STOP_BITS_1, FT_PARITY_NONE), FT_INVALID_PARAMETER);
    // Nothing sent, nothing there: the wait ends empty.
    EXPECT_FALSE(driver.waitReadable(20));
    EXPECT_EQ(driver.queuedBytes(), 0u);

    // Every byte value, binary and untranslated (no CR/LF or XON/XOFF handling), more than a frame.
    std::vector<std::uint8_t> sent(1500);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    driver.write(sent.data(), sent.size());
    std::vector<std::uint8_t> received;
    for (int waits = 0; received.size() < sent.size() && waits < 200; ++waits) {
        if (!driver.waitReadable(50))
            continue;
        std::uint8_t buffer[700];
        const std::size_t queued = driver.queuedBytes();
        EXPECT_GT(queued, 0u);
        const std::size_t got = driver.read(buffer, sizeof buffer);
        received.insert(received.end(), buffer, buffer + got);
    }
    EXPECT_EQ(received, sent);
    driver.close();
    EXPECT_EQ(driver.queuedBytes(), 0u);
    // The port is free again for the next open.
    EXPECT_EQ(driver.openByDescription(kUnit), FT_OK);
}

#endif

} // namespace
} // namespace zr48
