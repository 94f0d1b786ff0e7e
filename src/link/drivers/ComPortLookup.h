#pragma once
// Which COM port is the ZR48's converter, from what Windows' device manager knows of each serial
// port: pure, so that it is tested on every system; ComPortDriver gathers the devices.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

// A serial port's device as Windows describes it (texts as UTF-8).
struct ComPortDevice {
    std::string friendlyName;           // "USB Serial Port (COM3)"
    std::string deviceDescription;      // "USB Serial Port", from the driver's INF file
    std::string busReportedDescription; // the USB product string, such as "KELDO ZR48-USB Link"
    std::string portName;               // "COM3", from the device's registry key; may be empty
    std::string usbSerialNumber = {};   // of the USB device it belongs to; empty when it has none
};

// The serial number in the instance ID of a USB device ("USB\\VID_0403&PID_6001\\A12345" gives
// "A12345"); empty when Windows made the last part up (it holds '&') or the ID is no USB device's.
std::string usbSerialNumberOfInstance(std::string_view instanceId);

// The port's name of a device: its registry key's, else the "(COMn)" that ends its friendly name.
std::optional<std::string> comPortName(const ComPortDevice& device);

// The port of the device that carries `description`: as the description the bus reported (the USB
// product string), as its device description, or as its friendly name with or without the port
// that ends it; with a serial number, only a device whose USB serial number equals it. Of several,
// the lowest-numbered port; nullopt when none matches.
std::optional<std::string> findComPortByDescription(const std::vector<ComPortDevice>& devices,
                                                    std::string_view description, std::string_view serialNumber = {});

// The name CreateFile opens a port by, "\\.\COM12" for "COM12" (ports from COM10 on are reached
// only this way); a name given as such already, or any other device path, is kept. Letter case
// of "com3" as typed is kept, as Windows does not mind it.
std::string comPortDevicePath(std::string_view port);

} // namespace zr48
