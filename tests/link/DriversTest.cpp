#include "link/LinkTarget.h"
#include "support/Platform.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <sstream>

#ifndef _WIN32
#include "link/drivers/ConverterList.h"
#include "link/drivers/DeviceLock.h"
#include "link/drivers/SerialDriver.h"
#include "support/FakeSysfs.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>
#endif

namespace zr48 {
namespace {

TEST(LinkTarget, ParsesEveryKindAndRefusesTheRest)
{
    struct Case {
        const char* target;
        std::optional<LinkTarget::Kind> kind;
        const char* argument;
        const char* simFirmware = "";
    };
    const Case cases[] = {
        {"auto", LinkTarget::Kind::Auto, ""},
        {"sim", LinkTarget::Kind::Sim, ""},
        {"sim:/home/ann/card.zr48", LinkTarget::Kind::Sim, "/home/ann/card.zr48"},
        {"sim,firmware=R48+1.10 OLD", LinkTarget::Kind::Sim, "", "R48+1.10 OLD"},
        {"sim,firmware=R48+1.10:/tmp/a,b.zr48", LinkTarget::Kind::Sim, "/tmp/a,b.zr48", "R48+1.10"},
        {"sim,firmware=", std::nullopt, ""},
        {"sim,firmware=R48+1.10:", std::nullopt, ""},
        {"sim,speed=2", std::nullopt, ""},
        {"sim,firmware=a,firmware=b", std::nullopt, ""},
        {"sim:", std::nullopt, ""},
        {"tty:/dev/pts/4", LinkTarget::Kind::Tty, "/dev/pts/4"},
        {"ftdi", LinkTarget::Kind::Ftdi, ""},
        {"serial", LinkTarget::Kind::Serial, ""},
        {"serial:A1B2C3", LinkTarget::Kind::Serial, "A1B2C3"},
        {"ftdi:FT4XJ7", LinkTarget::Kind::Ftdi, "FT4XJ7"},
        {"serial:", std::nullopt, ""},
        {"tty:", std::nullopt, ""},
        {"usb", std::nullopt, ""},
        {"SIM", std::nullopt, ""},
        {"tcp:site.example:7000", LinkTarget::Kind::Tcp, "site.example:7000"},
        {"rfc2217:127.0.0.1:65535", LinkTarget::Kind::Rfc2217, "127.0.0.1:65535"},
        {"tcp:[::1]:7000", LinkTarget::Kind::Tcp, "[::1]:7000"},
        {"tcp:site:0", std::nullopt, ""},
        {"tcp:site:65536", std::nullopt, ""},
        {"tcp:site:70a", std::nullopt, ""},
        {"tcp:site", std::nullopt, ""},
        {"tcp::7000", std::nullopt, ""},
        {"tcp:::1:7000", std::nullopt, ""},
        {"rfc2217:", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const auto target = parseLinkTarget(c.target);
        ASSERT_EQ(target.has_value(), c.kind.has_value()) << c.target;
        if (target) {
            EXPECT_EQ(target->kind, *c.kind) << c.target;
            EXPECT_EQ(target->argument, c.argument) << c.target;
            EXPECT_EQ(target->simFirmware, c.simFirmware) << c.target;
        }
    }
}

// The forms that help texts list are the ones the shell completes, and each parses.
TEST(LinkTarget, TheFormsOfHelpAreTheWordsOfCompletion)
{
    std::istringstream wordList(kLinkTargetWords);
    std::set<std::string> words{std::istream_iterator<std::string>(wordList), {}};
    std::set<std::string> forms;
    for (const LinkTargetForm& form : linkTargetForms()) {
        std::istringstream names(form.form); // "sim, sim:CARDFILE"
        for (std::string name; names >> name;) {
            if (name.ends_with(","))
                name.pop_back();
            // Completion ends where a value begins ("sim:", "sim,firmware=").
            const std::size_t value = name.find_first_of(":=");
            forms.insert(value == std::string::npos ? name : name.substr(0, value + 1));
            // A value as typed: a host and port where the form asks for them.
            const std::string example = name.ends_with("HOST:PORT") ? "x:1" : "x";
            EXPECT_TRUE(parseLinkTarget(value == std::string::npos ? name : name.substr(0, value + 1) + example))
                << name;
        }
    }
    EXPECT_EQ(forms, words);
}

#ifdef _WIN32
TEST(SerialDriver, IsTheLinuxDriver)
{
    ZR48_POSIX_ONLY("the serial driver reads sysfs and sets the line through termios; Windows has the COM port "
                    "driver");
}
#else
// The tty's "device" link leads to the USB interface, whose parent, the USB device, holds the
// product string; only ttyUSB* and ttyACM* are USB serial devices.
TEST(SerialDriver, FindsTheTtyByTheUsbProductString)
{
    test::TempDir dir;
    test::FakeSysfs sysfs(dir.path());
    sysfs.addUsbSerial("ttyUSB0", "1-1", "FT232R USB UART");
    sysfs.addUsbSerial("ttyACM1", "1-2", "KELDO ZR48-USB Link");
    sysfs.addUsbSerial("ttyS9", "1-3", "KELDO ZR48-USB Link"); // not a USB serial name
    const SerialSystemFolders folders{sysfs.dev(), sysfs.sysClassTty()};
    const auto ttyOf = [](const SerialSystemFolders& in, const std::string& product) {
        const auto choice = chooseSerialDevice(in, product);
        return choice ? std::optional<std::string>(choice->tty) : std::nullopt;
    };
    EXPECT_EQ(ttyOf(folders, "KELDO ZR48-USB Link"), "ttyACM1");
    EXPECT_EQ(ttyOf(folders, "FT232R USB UART"), "ttyUSB0");
    EXPECT_EQ(ttyOf(folders, "KELDO ZR48"), std::nullopt);
    EXPECT_EQ(ttyOf({sysfs.dev(), dir.path() / "missing"}, "x"), std::nullopt);
}

// The udev rule links /dev/zr48-N to the converter's tty; the lowest number is taken, and links
// without a number or whose device is gone are passed over.
TEST(SerialDriver, FindsTheUnitThroughTheLinksOfTheUdevRule)
{
    test::TempDir dir;
    namespace fs = std::filesystem;
    for (const char* tty : {"ttyUSB2", "ttyUSB10", "ttyUSB7", "ttyS0"})
        std::ofstream(dir.path() / tty) << "";
    fs::create_symlink(dir.path() / "ttyUSB10", dir.path() / "zr48-10");
    fs::create_symlink(dir.path() / "ttyUSB2", dir.path() / "zr48-2");
    fs::create_symlink(dir.path() / "ttyUSB9", dir.path() / "zr48-1"); // unplugged
    fs::create_symlink(dir.path() / "ttyS0", dir.path() / "zr48-x");
    fs::create_symlink(dir.path() / "ttyS0", dir.path() / "zr48-");
    fs::create_symlink(dir.path() / "ttyS0", dir.path() / "zr48-0a");
    fs::create_symlink(dir.path() / "ttyS0", dir.path() / "zr48-99999999999999999999");
    fs::create_symlink(dir.path() / "ttyUSB7", dir.path() / "zr49-0");
    EXPECT_EQ(SerialDriver::findUnitLink(dir.path()), fs::canonical(dir.path() / "ttyUSB2"));
    fs::remove(dir.path() / "zr48-2");
    EXPECT_EQ(SerialDriver::findUnitLink(dir.path()), fs::canonical(dir.path() / "ttyUSB10"));
    fs::remove(dir.path() / "zr48-10");
    EXPECT_EQ(SerialDriver::findUnitLink(dir.path()), std::nullopt);
    EXPECT_EQ(SerialDriver::findUnitLink(dir.path() / "missing"), std::nullopt);
}

// By description, a terminal behind a zr48-N link is opened even where sysfs shows nothing.
TEST(SerialDriver, OpensTheUnitBehindItsLinkWithoutSysfs)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    test::TempDir dir;
    std::filesystem::create_symlink(ptsname(master), dir.path() / "zr48-0");

    SerialDriver driver(SerialDriver::SystemFolders{dir.path(), dir.path() / "no-sysfs"});
    ASSERT_EQ(driver.openByDescription(kZr48Description), FT_OK);
    const std::uint8_t bytes[] = {0x5C, 0x00, 0x09, 0x00, 0x5C, 0x01};
    driver.write(bytes, sizeof bytes);
    std::uint8_t got[sizeof bytes] = {};
    std::size_t n = 0;
    while (n < sizeof got) {
        const ssize_t r = ::read(master, got + n, sizeof got - n);
        ASSERT_GT(r, 0);
        n += static_cast<std::size_t>(r);
    }
    EXPECT_TRUE(std::equal(std::begin(bytes), std::end(bytes), got));
    // Another description is not the unit's: the link is not taken for it.
    SerialDriver other(SerialDriver::SystemFolders{dir.path(), dir.path() / "no-sysfs"});
    EXPECT_EQ(other.openByDescription("FT232R USB UART"), FT_DEVICE_NOT_FOUND);
    driver.close();
    ::close(master);
}

// Several units: the serial number of the converter chooses one; without it, the udev rule's link.
TEST(SerialDriver, ASerialNumberChoosesOneOfSeveralUnits)
{
    struct Pty {
        Pty() : master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
        {
            grantpt(master);
            unlockpt(master);
        }
        ~Pty() { ::close(master); }
        // What the driver wrote to this terminal: waits for it a while when something is expected.
        std::string written(bool expected) const
        {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, expected ? 2000 : 50) <= 0)
                return {};
            char bytes[64];
            const ssize_t n = ::read(master, bytes, sizeof bytes);
            return n > 0 ? std::string(bytes, static_cast<std::size_t>(n)) : std::string();
        }
        int master;
    };
    Pty a;
    Pty b;
    ASSERT_GE(a.master, 0);
    ASSERT_GE(b.master, 0);
    test::TempDir dir;
    test::FakeSysfs sysfs(dir.path());
    sysfs.addUsbSerial("ttyUSB0", "1-1", kZr48Description, "A1", ptsname(a.master));
    sysfs.addUsbSerial("ttyUSB1", "1-2", kZr48Description, "B2", ptsname(b.master));
    sysfs.addUnitLink(0, "ttyUSB0");
    const SerialDriver::SystemFolders folders{sysfs.dev(), sysfs.sysClassTty()};
    const struct {
        const char* serialNumber;
        FtStatus status;
        const Pty* reached;
    } cases[] = {{"B2", FT_OK, &b}, {"A1", FT_OK, &a}, {"", FT_OK, &a}, {"C3", FT_DEVICE_NOT_FOUND, nullptr}};
    for (const auto& c : cases) {
        SerialDriver driver(folders, c.serialNumber);
        ASSERT_EQ(driver.openByDescription(kZr48Description), c.status) << c.serialNumber;
        driver.write(reinterpret_cast<const std::uint8_t*>("x"), 1);
        driver.close();
        EXPECT_EQ(a.written(c.reached == &a), c.reached == &a ? "x" : "") << c.serialNumber;
        EXPECT_EQ(b.written(c.reached == &b), c.reached == &b ? "x" : "") << c.serialNumber;
    }
}

// Every USB serial device with what sysfs says of it, in the order people count them.
TEST(ConverterList, ListsUsbSerialDevicesInNameOrderWithTheirLinks)
{
    test::TempDir dir;
    test::FakeSysfs sysfs(dir.path());
    sysfs.addUsbSerial("ttyUSB10", "1-4", kZr48Description, "B2");
    sysfs.addUsbSerial("ttyUSB2", "1-2", kZr48Description, "A1");
    sysfs.addUsbSerial("ttyACM0", "1-3", "");
    sysfs.addUnitLink(7, "ttyUSB10");
    sysfs.addUnitLink(3, "ttyUSB10");
    std::filesystem::create_directories(sysfs.sysClassTty() / "ttyS0"); // no USB serial device
    const auto ports = listSerialPorts({sysfs.dev(), sysfs.sysClassTty()});
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].tty, "ttyACM0");
    EXPECT_EQ(ports[0].product, "");
    EXPECT_EQ(ports[1].tty, "ttyUSB2");
    EXPECT_EQ(ports[1].device, sysfs.dev() / "ttyUSB2");
    EXPECT_EQ(ports[1].serialNumber, "A1");
    EXPECT_EQ(ports[1].manufacturer, "KELDO");
    EXPECT_EQ(ports[1].usbPath, "1-2");
    EXPECT_TRUE(ports[1].unitLinks.empty());
    EXPECT_EQ(ports[2].tty, "ttyUSB10");
    EXPECT_EQ(ports[2].unitLinks, (std::vector<std::filesystem::path>{sysfs.dev() / "zr48-3", sysfs.dev() / "zr48-7"}));
    // Without links the first unit by name is the one the serial way takes.
    EXPECT_EQ(chooseSerialDevice({sysfs.dev(), dir.path() / "missing"}, kZr48Description)->device,
              std::filesystem::canonical(sysfs.dev() / "ttyUSB10"));
    std::filesystem::remove(sysfs.dev() / "zr48-3");
    std::filesystem::remove(sysfs.dev() / "zr48-7");
    EXPECT_EQ(chooseSerialDevice({sysfs.dev(), sysfs.sysClassTty()}, kZr48Description)->tty, "ttyUSB2");
    EXPECT_EQ(chooseSerialDevice({sysfs.dev(), sysfs.sysClassTty()}, kZr48Description, "B2")->tty, "ttyUSB10");
}

TEST(SerialDriver, AMissingOrUnsuitablePathIsReportedWithD2xxCodes)
{
    test::TempDir dir;
    SerialDriver missing(dir.path() / "ttyNone");
    EXPECT_EQ(missing.openByDescription(kZr48Description), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(missing.setBaudRate(230400), FT_INVALID_HANDLE);
    EXPECT_EQ(missing.queuedBytes(), 0u);
    std::ofstream(dir.path() / "plain") << "x";
    SerialDriver plain(dir.path() / "plain");
    EXPECT_EQ(plain.openByDescription(kZr48Description), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(plain.lastFailure().reason, "Not a serial device");
    EXPECT_FALSE(plain.waitReadable(1));
}

TEST(SerialDriver, ADeviceWithoutPermissionSaysSoAndHowToGetAccess)
{
    test::TempDir dir;
    const auto device = dir.path() / "ttyLocked";
    std::ofstream(device) << "x";
    std::filesystem::permissions(device, std::filesystem::perms::none);
    const auto opened = test::runUnprivileged([&] {
        SerialDriver driver(device);
        const FtStatus status = driver.openByDescription(kZr48Description);
        return std::to_string(status) + "|" + driver.lastFailure().reason + "|" + driver.lastFailure().help;
    });
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->substr(0, opened->find('|', 2)), "3|Permission denied") << *opened;
    EXPECT_NE(opened->find("cannot open " + device.string()), std::string::npos) << *opened;
    EXPECT_NE(opened->find("sudo usermod -aG "), std::string::npos) << *opened;
    EXPECT_EQ(opened->find("udev"), std::string::npos) << *opened; // a path of its own: no USB rule
}

TEST(SerialDriver, OpenErrorsNameTheDeviceAndForMissingPermissionTheWayToAccess)
{
    const FtFailure denied = SerialDriver::describeOpenError(EACCES, "/dev/ttyUSB0", "dialout", true);
    EXPECT_EQ(denied.reason, "Permission denied");
    EXPECT_EQ(denied.help, "Permission denied: cannot open /dev/ttyUSB0.\n"
                           "To get access, add your user to the group \"dialout\" that owns it "
                           "(sudo usermod -aG dialout $USER), then log out and in again.\n"
                           "Or let udev give it to whoever is logged in: put the line\n"
                           "  SUBSYSTEM==\"tty\", ATTRS{product}==\"KELDO ZR48-USB Link\", TAG+=\"uaccess\"\n"
                           "into /etc/udev/rules.d/70-zr48.rules and plug the ZR48 in again.");
    EXPECT_EQ(SerialDriver::describeOpenError(EPERM, "/dev/ttyACM0", "uucp", false).help,
              "Permission denied: cannot open /dev/ttyACM0.\n"
              "To get access, add your user to the group \"uucp\" that owns it "
              "(sudo usermod -aG uucp $USER), then log out and in again.");
    const FtFailure busy = SerialDriver::describeOpenError(EBUSY, "/dev/ttyUSB0", "dialout", true);
    EXPECT_EQ(busy.reason, "Device or resource busy");
    EXPECT_EQ(busy.help, "Cannot open /dev/ttyUSB0: Device or resource busy.");
}

// The name and number of this process, as a refused program hears of it.
std::string thisProcess()
{
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    return name + " (process " + std::to_string(getpid()) + ")";
}

TEST(DeviceLock, FindsWhoHoldsAFileInTheKernelsListOfLocks)
{
    const char* locks = "1: POSIX  ADVISORY  WRITE 700 00:1a:42 0 EOF\n"
                        "2: FLOCK  ADVISORY  WRITE 812 00:1a:41 0 EOF\n"
                        "2: -> FLOCK  ADVISORY  WRITE 913 00:1a:42 0 EOF\n"
                        "3: FLOCK  ADVISORY  WRITE 1234 fd:0b:42 0 EOF\n";
    const struct {
        unsigned major, minor;
        unsigned long inode;
        std::optional<long> holder;
    } cases[] = {
        {0xfd, 0x0b, 42, 1234},         // hexadecimal device numbers
        {0x00, 0x1a, 41, 812},          // the other file
        {0x00, 0x1a, 42, std::nullopt}, // a POSIX lock, and one only waited for
        {0x00, 0x1b, 42, std::nullopt}, // the same inode on another file system
    };
    for (const auto& c : cases)
        EXPECT_EQ(flockHolderIn(locks, c.major, c.minor, c.inode), c.holder) << c.inode << " on " << c.minor;
}

// Two programs on one terminal: the second is told who has it, and gets it once it is let go.
TEST(DeviceLock, ASerialDeviceHasOneOwner)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string path = ptsname(master);

    SerialDriver first{std::filesystem::path(path)};
    SerialDriver second{std::filesystem::path(path)};
    ASSERT_EQ(first.openByDescription(kZr48Description), FT_OK);
    EXPECT_EQ(second.openByDescription(kZr48Description), FT_DEVICE_NOT_OPENED);
    EXPECT_TRUE(second.lastFailure().inUse);
    EXPECT_EQ(second.lastFailure().help, "the ZR48 on " + path + " is in use by " + thisProcess());
    EXPECT_EQ(second.lastFailure().reason, "In use by " + thisProcess());
    first.close();
    EXPECT_EQ(second.openByDescription(kZr48Description), FT_OK);
    EXPECT_FALSE(second.lastFailure().inUse);
    EXPECT_EQ(first.openByDescription(kZr48Description), FT_DEVICE_NOT_OPENED);
    second.close();
    ::close(master);
}

// A simulator's card: the second user is refused, or waits until the first lets it go.
TEST(DeviceLock, ASimulatorsCardHasOneOwner)
{
    test::TempDir dir;
    const std::filesystem::path card = dir.path() / "card.zr48";
    auto first = std::make_unique<CardLock>(card, nullptr);
    try {
        CardLock second(card, nullptr);
        ADD_FAILURE() << "a second lock of one card";
    } catch (const LinkInUse& e) {
        EXPECT_EQ(e.message(), "the ZR48 on the simulator's card " + card.string() + " is in use by " + thisProcess());
    }
    std::string said;
    std::atomic<bool> waiting{false};
    bool locked = false;
    std::thread waiter([&] {
        CardLock second(card, [&](const std::string& inUse) {
            said = inUse;
            waiting = true;
        });
        locked = true;
    });
    // The waiter says why it waits before it waits; only the first lock's end lets it go on.
    while (!waiting)
        std::this_thread::yield();
    first.reset();
    waiter.join();
    EXPECT_TRUE(locked);
    EXPECT_EQ(said, "the ZR48 on the simulator's card " + card.string() + " is in use by " + thisProcess());
}

#endif

} // namespace
} // namespace zr48
