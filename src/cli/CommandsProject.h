#pragma once

#include "cli/Cli.h"

namespace zr48::cli {

Command showCommand();
Command copyProjectCommand();

} // namespace zr48::cli
