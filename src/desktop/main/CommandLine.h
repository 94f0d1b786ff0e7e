#pragma once
// The desktop program's command line: zr48pm [--link TARGET] [FILE]. One table of options, from
// which the program reads its arguments and its help and manual page are made.

#include "base/OptionTable.h"

#include <optional>
#include <string>
#include <vector>

namespace zr48 {

struct DesktopCommandLine {
    std::string link = "auto";
    // Whether --link or ZR48_LINK named the link; else the settings' link is taken.
    bool linkGiven = false;
    // Whether --link named it: such a start never hands its file to a running program.
    bool linkOption = false;
    // The first argument that is no option: a file to open at start (UTF-8, as given).
    std::optional<std::string> file;
    bool help = false;
    bool version = false;
    // What is wrong with the line; empty when nothing is.
    std::string error;
};

// `arguments` without the program's name. "--link TARGET" and "--link=TARGET" are never taken
// for the file. Without --link, `linkVariable` (the environment's ZR48_LINK) names the link.
DesktopCommandLine parseDesktopCommandLine(const std::vector<std::string>& arguments,
                                           const std::optional<std::string>& linkVariable = std::nullopt);

// The link the program uses: the one --link or ZR48_LINK gave, else the stored one (`stored`, the
// settings dialog's choice), else auto when the stored one is no link target.
std::string chosenLink(const DesktopCommandLine& line, const std::string& stored);

// The program as its help and manual page describe it.
const ProgramDescription& desktopProgram();
std::string desktopUsage();

} // namespace zr48
