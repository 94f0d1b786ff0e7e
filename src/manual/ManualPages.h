#pragma once
// The manual pages of the three programs, made from the tables their command lines are read by:
// zr48's command table and global options, zr48pm's and zr48-sim's option tables.

#include "base/OptionTable.h"

#include <string>
#include <string_view>

namespace zr48::manual {

// zr48(1): every global option, link target and command with its options.
std::string zr48Page(std::string_view version);

// What a simple program's page says besides its own description.
struct PageExtras {
    bool linkTargets = false; // a LINK TARGETS section and ZR48_LINK under ENVIRONMENT
    const char* seeAlso = ""; // ".BR zr48 (1)" lines, comma-separated names: "zr48,zr48-sim"
};
std::string programPage(const ProgramDescription& program, std::string_view version, const PageExtras& extras);

std::string zr48pmPage(std::string_view version);
std::string zr48SimPage(std::string_view version);

} // namespace zr48::manual
