#pragma once

#include "cli/Cli.h"

namespace zr48::cli {

// `zr48 report PROJECT.mpj -o FILE.pdf|FILE.html`: the installation report.
Command reportCommand();

} // namespace zr48::cli
