// The converters on a Windows machine: its COM ports as SetupAPI describes them. FTDI devices
// through libftdi1 are not part of this build.

#include "link/drivers/ComPortDriver.h"
#include "link/drivers/ConverterList.h"

namespace zr48 {

std::vector<SerialPortInfo> listSerialPorts(const SerialSystemFolders&)
{
    std::vector<SerialPortInfo> ports;
    for (const ComPortDevice& device : ComPortDriver::presentPorts()) {
        const auto name = comPortName(device);
        if (!name)
            continue;
        SerialPortInfo port;
        port.tty = *name;
        port.device = *name;
        port.product = device.busReportedDescription.empty() ? device.deviceDescription : device.busReportedDescription;
        port.serialNumber = device.usbSerialNumber;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::optional<SerialChoice> chooseSerialDevice(const SerialSystemFolders&, const std::string& description,
                                               const std::string& serialNumber)
{
    const auto port = findComPortByDescription(ComPortDriver::presentPorts(), description, serialNumber);
    if (!port)
        return std::nullopt;
    return SerialChoice{*port, *port};
}

std::vector<FtdiDeviceInfo> listFtdiDevices()
{
    return {};
}

} // namespace zr48
