#pragma once
// The commands of the unit's own tools: firmware update and version, display dump, sector view.

#include "cli/Cli.h"
#include "tools/DisplayDump.h"

#include <string>

namespace zr48::cli {

Command firmwareCommand();
Command versionCommand();
Command displayCommand();
Command sectorCommand();

// The display picture as text art: two pixel rows per line, dark pixels drawn as blocks (UTF-8).
std::string displayPictureArt(const DisplayPicture& picture);

} // namespace zr48::cli
