#pragma once

#include "cli/Cli.h"

namespace zr48::cli {

Command compileCommand();
Command unpackCommand();
Command inspectCommand();

} // namespace zr48::cli
