#pragma once
// How to reach the ZR48, as given by `--link TARGET`: auto (the serial converter, then libftdi1),
// serial or serial:SERIALNUMBER, ftdi or ftdi:SERIALNUMBER (one of several units, by the USB serial
// number of its converter), tty:PATH (an explicit device, such as a pseudo-terminal), sim or
// sim:CARDFILE (the built-in simulator, its card kept in CARDFILE between runs), and
// sim,firmware=VERSION or sim,firmware=VERSION:CARDFILE (the simulator running firmware of that
// version, an older unit for instance), tcp:HOST:PORT and rfc2217:HOST:PORT (the unit's serial port
// served over the network, as a raw byte stream or with Telnet COM-port control).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zr48 {

struct LinkTarget {
    enum class Kind { Auto, Serial, Ftdi, Tty, Sim, Tcp, Rfc2217 };
    Kind kind = Kind::Auto;
    // The path of tty: and sim: (the file system's bytes, as given), the serial number of serial:
    // and ftdi:.
    std::string argument;
    // sim,firmware=VERSION: the firmware version the simulated unit runs from now on; empty: the
    // one its card keeps.
    std::string simFirmware;
    // tcp: and rfc2217: the server's host name or address (without brackets) and port.
    std::string host;
    std::uint16_t port = 0;
};

// nullopt for anything else, and for tty: without a path.
std::optional<LinkTarget> parseLinkTarget(std::string_view target);

// The forms of TARGET, each with what it reaches, for help texts and manual pages.
struct LinkTargetForm {
    const char* form;
    const char* reaches;
};
std::span<const LinkTargetForm> linkTargetForms();
// What completes a TARGET in a shell: the forms as typed, those that go on after ':' ending there.
inline constexpr const char* kLinkTargetWords =
    "auto serial serial: ftdi ftdi: tty: sim sim: sim,firmware= tcp: rfc2217:";

inline constexpr const char* kLinkTargetHelp =
    "auto, serial, serial:SERIALNUMBER, ftdi, ftdi:SERIALNUMBER, tty:PATH, sim, sim:CARDFILE or "
    "sim,firmware=VERSION[:CARDFILE], tcp:HOST:PORT or rfc2217:HOST:PORT";

} // namespace zr48
