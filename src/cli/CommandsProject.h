#pragma once

#include "base/Paths.h"
#include "cli/Cli.h"

#include <string>

namespace zr48::cli {

Command showCommand();
Command copyProjectCommand();

// Whether `path` (given on the command line as `given`) is a project file; otherwise says why not
// ("there is no project file", "... is not a project file: it holds binary data, ...").
bool projectFileUsable(Context& context, const std::string& given, const Path& path);

} // namespace zr48::cli
