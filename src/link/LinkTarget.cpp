#include "link/LinkTarget.h"

#include <array>
#include <utility>

namespace zr48 {

std::span<const LinkTargetForm> linkTargetForms()
{
    static constexpr std::array<LinkTargetForm, 8> forms{{
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
    if (target.starts_with("tty:") && target.size() > 4)
        return targetOf(LinkTarget::Kind::Tty, std::string(target.substr(4)));
    return std::nullopt;
}

} // namespace zr48
