#pragma once
// The converters on this machine, as `zr48 list` shows them and the serial way chooses among them:
// USB serial devices as sysfs shows them (product string, manufacturer, serial number, and the
// udev rule's /dev/zr48-N links) and FTDI devices through libftdi1.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zr48 {

// Where the device links and the ttys' sysfs entries are (other folders for tests).
struct SerialSystemFolders {
    std::filesystem::path dev = "/dev";
    std::filesystem::path sysClassTty = "/sys/class/tty";
};

// A USB serial device (ttyUSB*, ttyACM*).
struct SerialPortInfo {
    std::string tty;              // "ttyUSB0"
    std::filesystem::path device; // "/dev/ttyUSB0"
    // Of the USB device it belongs to; empty where sysfs does not say.
    std::string product;
    std::string manufacturer;
    std::string serialNumber;
    std::string usbPath;                          // the USB device's place: "1-1.2"
    std::vector<std::filesystem::path> unitLinks; // the udev rule's links to it: "/dev/zr48-0"
};

// Every USB serial device, in the order of their names (ttyUSB2 before ttyUSB10).
std::vector<SerialPortInfo> listSerialPorts(const SerialSystemFolders& folders);

// The device that the serial way opens for `description`: the unit behind the lowest-numbered
// /dev/zr48-N link, else the first USB serial device whose product string equals it. With a
// serial number, only the device whose USB serial number equals it too.
struct SerialChoice {
    std::filesystem::path device;
    std::string tty; // its name in sysfs, where its latency timer lies
};
std::optional<SerialChoice> chooseSerialDevice(const SerialSystemFolders& folders, const std::string& description,
                                               const std::string& serialNumber = {});

// An FTDI device on USB, as libftdi1 sees it.
struct FtdiDeviceInfo {
    std::string description; // the USB product string
    std::string manufacturer;
    std::string serialNumber;
    int bus = 0;
    int address = 0;
    // Why its strings could not be read (no access, most often); empty when they could.
    std::string problem;
};

// Every FTDI device with one of the usual product ids, in the order the ftdi way tries them.
std::vector<FtdiDeviceInfo> listFtdiDevices();

} // namespace zr48
