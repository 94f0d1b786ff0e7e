#include "link/LinkTarget.h"

#include <array>

namespace zr48 {

std::span<const LinkTargetForm> linkTargetForms()
{
    static constexpr std::array<LinkTargetForm, 7> forms{{
        {"auto", "the converter as a serial device, else through libftdi1 (the default)"},
        {"serial", "the serial device that the udev rule links to /dev/zr48-N, else the ttyUSB or ttyACM device "
                   "whose USB product string is \"KELDO ZR48-USB Link\""},
        {"serial:SERIALNUMBER", "that serial device of the converter with this USB serial number, one of several "
                                "units ('zr48 list' shows them)"},
        {"ftdi", "the FTDI device with that product string, through libftdi1 (the kernel's serial driver is "
                 "detached while it is open)"},
        {"ftdi:SERIALNUMBER", "that FTDI device with this USB serial number"},
        {"tty:PATH", "an explicit terminal device, such as /dev/ttyUSB0 or a pseudo-terminal of zr48-sim"},
        {"sim, sim:CARDFILE", "the built-in simulated ZR48; with CARDFILE its memory card is kept in that file"},
    }};
    return forms;
}

std::optional<LinkTarget> parseLinkTarget(std::string_view target)
{
    if (target == "auto" || target.empty())
        return LinkTarget{LinkTarget::Kind::Auto, {}};
    if (target == "serial")
        return LinkTarget{LinkTarget::Kind::Serial, {}};
    if (target == "ftdi")
        return LinkTarget{LinkTarget::Kind::Ftdi, {}};
    if (target == "sim")
        return LinkTarget{LinkTarget::Kind::Sim, {}};
    if (target.starts_with("sim:") && target.size() > 4)
        return LinkTarget{LinkTarget::Kind::Sim, std::string(target.substr(4))};
    if (target.starts_with("serial:") && target.size() > 7)
        return LinkTarget{LinkTarget::Kind::Serial, std::string(target.substr(7))};
    if (target.starts_with("ftdi:") && target.size() > 5)
        return LinkTarget{LinkTarget::Kind::Ftdi, std::string(target.substr(5))};
    if (target.starts_with("tty:") && target.size() > 4)
        return LinkTarget{LinkTarget::Kind::Tty, std::string(target.substr(4))};
    return std::nullopt;
}

} // namespace zr48
