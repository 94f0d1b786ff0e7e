#pragma once
// The desktop program's command line: zr48pm [--link TARGET] [FILE].

#include <optional>
#include <string>
#include <vector>

namespace zr48 {

struct DesktopCommandLine {
    std::string link = "auto";
    // The first argument that is no option: a file to open at start (UTF-8, as given).
    std::optional<std::string> file;
    bool help = false;
    // What is wrong with the line; empty when nothing is.
    std::string error;
};

// `arguments` without the program's name. "--link TARGET" and "--link=TARGET" are never taken
// for the file.
DesktopCommandLine parseDesktopCommandLine(const std::vector<std::string>& arguments);

std::string desktopUsage();

} // namespace zr48
