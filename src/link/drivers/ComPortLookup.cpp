#include "link/drivers/ComPortLookup.h"

#include <algorithm>
#include <charconv>

namespace zr48 {

namespace {

bool startsWithComIgnoringCase(std::string_view name)
{
    return name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm');
}

// The number of "COMn", or nullopt for any other name.
std::optional<unsigned> portNumber(std::string_view name)
{
    if (!startsWithComIgnoringCase(name))
        return std::nullopt;
    unsigned number = 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc{} || end != last || number == 0)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<std::string> comPortName(const ComPortDevice& device)
{
    if (!device.portName.empty())
        return device.portName;
    const std::string_view name = device.friendlyName;
    const auto open = name.rfind(" (");
    if (open == std::string_view::npos || !name.ends_with(')'))
        return std::nullopt;
    const std::string_view inside = name.substr(open + 2, name.size() - open - 3);
    return portNumber(inside) ? std::optional<std::string>(inside) : std::nullopt;
}

std::string usbSerialNumberOfInstance(std::string_view instanceId)
{
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (instanceId.size() < 4 || upper(instanceId[0]) != 'U' || upper(instanceId[1]) != 'S' ||
        upper(instanceId[2]) != 'B' || instanceId[3] != '\\')
        return {};
    const auto last = instanceId.rfind('\\');
    const std::string_view serial = instanceId.substr(last + 1);
    if (last == 3 || serial.empty() || serial.find('&') != std::string_view::npos)
        return {};
    return std::string(serial);
}

std::optional<std::string> findComPortByDescription(const std::vector<ComPortDevice>& devices,
                                                    std::string_view description, std::string_view serialNumber)
{
    std::optional<std::string> best;
    for (const ComPortDevice& device : devices) {
        const auto port = comPortName(device);
        if (!port)
            continue;
        const bool matches = device.busReportedDescription == description || device.deviceDescription == description ||
                             device.friendlyName == description ||
                             device.friendlyName == std::string(description) + " (" + *port + ")";
        if (!matches || (!serialNumber.empty() && device.usbSerialNumber != serialNumber))
            continue;
        // Of several units, the lowest port number, so that the choice is the same every time.
        const auto number = portNumber(*port).value_or(~0u);
        if (!best || number < portNumber(*best).value_or(~0u))
            best = port;
    }
    return best;
}

std::string comPortDevicePath(std::string_view port)
{
    if (port.starts_with("\\\\.\\") || port.starts_with("//./"))
        return std::string(port);
    if (portNumber(port))
        return "\\\\.\\" + std::string(port);
    return std::string(port);
}

} // namespace zr48
