#pragma once
// Writing a card image into the unit and reading a card back into a project.

#include "cli/Cli.h"

namespace zr48::cli {

Command downloadCommand();
Command uploadCommand();

} // namespace zr48::cli
