#pragma once

#include "base/Paths.h"
#include "cli/Cli.h"

#include <string>

namespace zr48::cli {

Command compileCommand();
Command unpackCommand();
Command inspectCommand();

// "Image written: PATH (N sectors, B bytes)" for an image just compiled.
std::string describeWrittenImage(const Path& imagePath);
// "Project written: PATH (N devices, M device files)" for a project just unpacked.
std::string describeWrittenProject(const Path& projectPath);

} // namespace zr48::cli
