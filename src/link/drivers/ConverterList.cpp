#include "link/drivers/ConverterList.h"

#include "link/drivers/FtdiDriver.h"
#include "link/drivers/SerialDriver.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <tuple>

namespace zr48 {

namespace {

std::string firstLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// "ttyUSB10" as ("ttyUSB", 10), so that names sort as people count.
std::pair<std::string, unsigned long> nameAndNumber(const std::string& name)
{
    std::size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    const std::string number = name.substr(digits);
    return {name.substr(0, digits), number.empty() || number.size() > 9 ? 0 : std::stoul(number)};
}

bool inNameOrder(const std::string& a, const std::string& b)
{
    return std::make_tuple(nameAndNumber(a), a) < std::make_tuple(nameAndNumber(b), b);
}

} // namespace

std::vector<SerialPortInfo> listSerialPorts(const SerialSystemFolders& folders)
{
    std::vector<SerialPortInfo> ports;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folders.sysClassTty, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("ttyUSB") && !name.starts_with("ttyACM"))
            continue;
        SerialPortInfo port{name, folders.dev / name, {}, {}, {}, {}, {}};
        // The strings belong to the USB device, a few levels above the tty's interface.
        std::error_code walk;
        std::filesystem::path dir = std::filesystem::canonical(entry.path() / "device", walk);
        for (int level = 0; !walk && level < 5 && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
            if (std::filesystem::exists(dir / "product", walk)) {
                port.product = firstLine(dir / "product");
                port.manufacturer = firstLine(dir / "manufacturer");
                port.serialNumber = firstLine(dir / "serial");
                port.usbPath = dir.filename().string();
                break;
            }
        }
        ports.push_back(std::move(port));
    }
    // The udev rule's links, by the device each leads to.
    std::vector<std::filesystem::path> links;
    for (const auto& entry : std::filesystem::directory_iterator(folders.dev, ec)) {
        if (entry.path().filename().string().starts_with("zr48-"))
            links.push_back(entry.path());
    }
    std::sort(links.begin(), links.end(),
              [](const auto& a, const auto& b) { return inNameOrder(a.filename().string(), b.filename().string()); });
    for (const auto& link : links) {
        std::error_code linkEc;
        const auto target = std::filesystem::canonical(link, linkEc);
        for (SerialPortInfo& port : ports) {
            if (!linkEc && target.filename() == port.tty)
                port.unitLinks.push_back(link);
        }
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return inNameOrder(a.tty, b.tty); });
    return ports;
}

std::optional<SerialChoice> chooseSerialDevice(const SerialSystemFolders& folders, const std::string& description,
                                               const std::string& serialNumber)
{
    if (serialNumber.empty() && description == kZr48Description) {
        if (const auto link = SerialDriver::findUnitLink(folders.dev))
            return SerialChoice{*link, link->filename().string()};
    }
    for (const SerialPortInfo& port : listSerialPorts(folders)) {
        if (port.product == description && (serialNumber.empty() || port.serialNumber == serialNumber))
            return SerialChoice{port.device, port.tty};
    }
    return std::nullopt;
}

std::vector<FtdiDeviceInfo> listFtdiDevices()
{
    std::vector<FtdiDeviceInfo> devices;
    ftdi_context* context = ftdi_new();
    if (!context)
        return devices;
    for (const int product : FtdiDriver::kProducts) {
        ftdi_device_list* list = nullptr;
        if (ftdi_usb_find_all(context, &list, FtdiDriver::kVendor, product) <= 0)
            continue;
        for (ftdi_device_list* at = list; at; at = at->next) {
            FtdiDeviceInfo info;
            info.bus = libusb_get_bus_number(at->dev);
            info.address = libusb_get_device_address(at->dev);
            char manufacturer[128] = {};
            char description[128] = {};
            char serial[128] = {};
            if (ftdi_usb_get_strings(context, at->dev, manufacturer, sizeof manufacturer, description,
                                     sizeof description, serial, sizeof serial) == 0) {
                info.manufacturer = manufacturer;
                info.description = description;
                info.serialNumber = serial;
            } else {
                info.problem = ftdi_get_error_string(context);
            }
            devices.push_back(std::move(info));
        }
        ftdi_list_free(&list);
    }
    ftdi_free(context);
    return devices;
}

} // namespace zr48
