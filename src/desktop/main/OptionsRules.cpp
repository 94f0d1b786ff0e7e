#include "desktop/main/OptionsRules.h"

#include "base/Paths.h"
#include "link/FtDriver.h"
#include "link/LinkTarget.h"
#include "link/drivers/ConverterList.h"

#include <algorithm>
#include <charconv>

namespace zr48 {

std::int32_t percentFromText(std::string_view text)
{
    const std::string_view number = trimmed(text);
    std::int32_t value = 0;
    const char* end = number.data() + number.size();
    const auto result = std::from_chars(number.data() + (number.starts_with('+') ? 1 : 0), end, value);
    if (number.empty() || result.ec != std::errc() || result.ptr != end)
        return 1;
    return value;
}

std::string chooserStartDirectory(std::string_view startPath)
{
    return extractFileDir(startPath);
}

std::string chosenDirectory(std::string_view directory)
{
    return includeTrailingDelimiter(directory);
}

namespace {

LinkEntry serialEntry(const SerialPortInfo& port)
{
    std::string label = port.device.string();
    if (!port.product.empty())
        label += "  \"" + port.product + "\"";
    if (!port.serialNumber.empty())
        label += "  serial number " + port.serialNumber;
    if (port.product == kZr48Description && !port.serialNumber.empty())
        return {label, "serial:" + port.serialNumber};
    const auto& device = port.unitLinks.empty() ? port.device : port.unitLinks.front();
    return {label, "tty:" + device.string()};
}

LinkEntry ftdiEntry(const FtdiDeviceInfo& device)
{
    std::string label = "FTDI bus " + std::to_string(device.bus) + " device " + std::to_string(device.address) +
                        "  \"" + device.description + "\"";
    if (device.serialNumber.empty())
        return {label, "ftdi"};
    return {label + "  serial number " + device.serialNumber, "ftdi:" + device.serialNumber};
}

} // namespace

LinkSelection linkSelection(const std::vector<SerialPortInfo>& ports, const std::vector<FtdiDeviceInfo>& ftdi,
                            const std::string& stored)
{
    LinkSelection selection;
    auto& entries = selection.entries;
    entries.push_back({"Automatic (a ZR48 converter on USB)", "auto"});
    for (const SerialPortInfo& port : ports)
        entries.push_back(serialEntry(port));
    for (const FtdiDeviceInfo& device : ftdi) {
        if (device.problem.empty() && device.description == kZr48Description)
            entries.push_back(ftdiEntry(device));
    }
    const auto target = parseLinkTarget(stored);
    const bool simulator = target && target->kind == LinkTarget::Kind::Sim;
    const bool network = target && (target->kind == LinkTarget::Kind::Tcp || target->kind == LinkTarget::Kind::Rfc2217);
    const auto found =
        std::find_if(entries.begin(), entries.end(), [&](const LinkEntry& entry) { return entry.target == stored; });
    if (simulator) {
        selection.cardFile = target->argument;
    } else if (network) {
        selection.host = target->host;
        selection.port = std::to_string(target->port);
    } else if (found != entries.end()) {
        selection.selected = static_cast<std::size_t>(found - entries.begin());
    } else if (target && target->kind != LinkTarget::Kind::Auto) {
        entries.push_back({stored, stored});
        selection.selected = entries.size() - 1;
    }
    entries.push_back({"Serial server on the network, raw TCP (host and port below)", kTcpTarget});
    if (network && target->kind == LinkTarget::Kind::Tcp)
        selection.selected = entries.size() - 1;
    entries.push_back({"Serial server on the network, RFC 2217 (host and port below)", kRfc2217Target});
    if (network && target->kind == LinkTarget::Kind::Rfc2217)
        selection.selected = entries.size() - 1;
    entries.push_back({"Simulator (its card kept in the file below)", kSimulatorTarget});
    if (simulator)
        selection.selected = entries.size() - 1;
    return selection;
}

bool isNetworkEntry(const LinkEntry& entry)
{
    return entry.target == kTcpTarget || entry.target == kRfc2217Target;
}

std::string linkTarget(const LinkEntry& entry, std::string_view cardFile, std::string_view host, std::string_view port)
{
    if (isNetworkEntry(entry)) {
        const std::string name(trimmed(host));
        const bool ipv6 = name.find(':') != std::string::npos && !name.starts_with('[');
        return entry.target + ":" + (ipv6 ? "[" + name + "]" : name) + ":" + std::string(trimmed(port));
    }
    const std::string_view file = trimmed(cardFile);
    if (entry.target != kSimulatorTarget || file.empty())
        return entry.target;
    // A relative name would depend on the folder the program is started in.
    return entry.target + ":" + absolutePath(file);
}

std::string linkNote(const RunningLink& running)
{
    std::string note;
    if (!running.problem.empty())
        note = "This program cannot use " + running.target + ": " + running.problem + ".\n";
    if (running.givenBy.empty())
        return note + "Taken at the next start; --link and ZR48_LINK go before it.";
    return note + "This program runs on " + running.target + ", given by " + running.givenBy +
           ".\nThe link chosen here is taken at the next start without " + running.givenBy + ".";
}

} // namespace zr48
