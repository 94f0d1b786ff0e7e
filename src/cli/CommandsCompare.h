#pragma once

#include "cli/Cli.h"

namespace zr48::cli {

// `zr48 compare PROJECT.mpj`: what the ZR48's card holds against the project.
Command compareCommand();

} // namespace zr48::cli
