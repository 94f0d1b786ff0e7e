#pragma once

#include "cli/Cli.h"

namespace zr48::cli {

// `zr48 ir analyse|optimize ...`: the infrared tools from the terminal.
Command irCommand();

} // namespace zr48::cli
