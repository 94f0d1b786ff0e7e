#pragma once
// How to reach the ZR48, as given by `--link TARGET`: auto (the serial converter, then libftdi1),
// serial, ftdi, tty:PATH (an explicit device, such as a pseudo-terminal), sim or sim:CARDFILE
// (the built-in simulator, its card kept in CARDFILE between runs).

#include <optional>
#include <string>
#include <string_view>

namespace zr48 {

struct LinkTarget {
    enum class Kind { Auto, Serial, Ftdi, Tty, Sim };
    Kind kind = Kind::Auto;
    std::string argument; // the path of tty: and sim: (UTF-8, as given)
};

// nullopt for anything else, and for tty: without a path.
std::optional<LinkTarget> parseLinkTarget(std::string_view target);

inline constexpr const char* kLinkTargetHelp = "auto, serial, ftdi, tty:PATH, sim or sim:CARDFILE";

} // namespace zr48
