#pragma once
// Writing a card image into the unit, reading a card back into a project, and reading card sectors
// as they are.

#include "cli/Cli.h"

namespace zr48::cli {

Command downloadCommand();
Command uploadCommand();
Command dumpCardCommand();

} // namespace zr48::cli
