#pragma once

#include "cli/Cli.h"

namespace zr48::cli {

Command helpCommand();
Command settingsCommand();

} // namespace zr48::cli
