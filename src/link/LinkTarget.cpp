#include "link/LinkTarget.h"

#include <array>
#include <utility>

namespace zr48 {

std::span<const LinkTargetForm> linkTargetForms()
{
    static constexpr std::array<LinkTargetForm, 10> forms{{
        {"auto", "the converter as a serial device, else through libftdi1 (the default)"},
        {"serial", "the serial device that the udev rule links to /dev/zr48-N, else the ttyUSB or ttyACM device "
                   "whose USB product string is \"KELDO ZR48-USB Link\""},
        {"serial:SERIALNUMBER", "that serial device of the converter with this USB serial number, one of several "
                                "units ('zr48 list' shows them)"},
        {"ftdi", "the FTDI device with that product string, through libftdi1 (the kernel's serial driver is "
                 "detached while it is open)"},
        {"ftdi:SERIALNUMBER", "that FTDI device with this USB serial number"},
        {"tty:PATH", "an explicit terminal device, such as /dev/ttyUSB0 or a pseudo-terminal of zr48-sim"},
        {"sim, sim:CARDFILE", "the built-in simulated ZR48; with CARDFILE its memory card is kept in that file (and "
                              "the version of its firmware in CARDFILE.firmware)"},
        {"sim,firmware=VERSION:CARDFILE", "the simulated ZR48 running firmware of that version, an older unit for "
                                          "instance (kept on its card from now on); without it the unit runs what "
                                          "its card keeps, else the firmware file shipped with the programs"},
        {"tcp:HOST:PORT", "the unit's serial port served over the network as a raw byte stream (ser2net's raw "
                          "mode); the server sets the line to 230,400 baud, 8N1, no flow control"},
        {"rfc2217:HOST:PORT", "the unit's serial port served over the network with Telnet COM-port control (RFC "
                              "2217), which sets the line on the server; reach such a server only through a VPN or "
                              "an SSH tunnel"},
    }};
    return forms;
}

namespace {

LinkTarget targetOf(LinkTarget::Kind kind, std::string argument = {})
{
    LinkTarget target;
    target.kind = kind;
    target.argument = std::move(argument);
    return target;
}

// What follows "sim": options ",firmware=VERSION", then ":CARDFILE".
std::optional<LinkTarget> parseSimTarget(std::string_view rest)
{
    LinkTarget sim = targetOf(LinkTarget::Kind::Sim);
    const std::size_t colon = rest.find(':');
    std::string_view options = rest.substr(0, colon);
    if (colon != std::string_view::npos) {
        if (colon + 1 == rest.size())
            return std::nullopt;
        sim.argument = std::string(rest.substr(colon + 1));
    }
    constexpr std::string_view kFirmware = ",firmware=";
    if (options.empty())
        return sim;
    if (!options.starts_with(kFirmware) || options.size() == kFirmware.size() ||
        options.find(',', kFirmware.size()) != std::string_view::npos)
        return std::nullopt;
    sim.simFirmware = std::string(options.substr(kFirmware.size()));
    return sim;
}

// "HOST:PORT" or "[IPV6]:PORT", the port 1 to 65535.
std::optional<LinkTarget> parseNetworkTarget(LinkTarget::Kind kind, std::string_view rest)
{
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    std::string_view host = rest.substr(0, colon);
    const std::string_view port = rest.substr(colon + 1);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return std::nullopt;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return std::nullopt; // an IPv6 address goes in brackets
    }
    unsigned number = 0;
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    for (const char digit : port)
        number = number * 10 + static_cast<unsigned>(digit - '0');
    if (number == 0 || number > 65535)
        return std::nullopt;
    LinkTarget target = targetOf(kind, std::string(rest));
    target.host = std::string(host);
    target.port = static_cast<std::uint16_t>(number);
    return target;
}

} // namespace

std::optional<LinkTarget> parseLinkTarget(std::string_view target)
{
    if (target == "auto" || target.empty())
        return targetOf(LinkTarget::Kind::Auto);
    if (target == "serial")
        return targetOf(LinkTarget::Kind::Serial);
    if (target == "ftdi")
        return targetOf(LinkTarget::Kind::Ftdi);
    if (target == "sim" || target.starts_with("sim:") || target.starts_with("sim,"))
        return parseSimTarget(target.substr(3));
    if (target.starts_with("serial:") && target.size() > 7)
        return targetOf(LinkTarget::Kind::Serial, std::string(target.substr(7)));
    if (target.starts_with("ftdi:") && target.size() > 5)
        return targetOf(LinkTarget::Kind::Ftdi, std::string(target.substr(5)));
    if (target.starts_with("tcp:"))
        return parseNetworkTarget(LinkTarget::Kind::Tcp, target.substr(4));
    if (target.starts_with("rfc2217:"))
        return parseNetworkTarget(LinkTarget::Kind::Rfc2217, target.substr(8));
    if (target.starts_with("tty:") && target.size() > 4)
        return targetOf(LinkTarget::Kind::Tty, std::string(target.substr(4)));
    return std::nullopt;
}

} // namespace zr48
