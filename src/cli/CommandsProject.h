#pragma once

#include "base/Paths.h"
#include "cli/Cli.h"

#include <string>

namespace zr48::cli {

Command showCommand();
Command copyProjectCommand();

} // namespace zr48::cli
