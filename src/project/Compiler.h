#pragma once
// The card image builder: turns a saved project file into the image file beside it, the sector
// records that the downloader writes to the unit's memory card.

#include "base/Text.h"
#include "project/ProjectFile.h"

#include <string_view>
#include <vector>

namespace zr48 {

class Prompt;

// Gives every slot its card areas: from sector 16 on, in slot order, each slot's device file area
// and then its data area, sized by its device type. Returns why the project cannot go onto a card
// (a device type outside the table, or an area past sector 65535), one line per problem naming the
// slot; empty when the layout is sound. The areas are only meaningful when it is.
std::vector<Text> LayOutCard(TProjectFile& project);

// Loads the project at `projectPath`, lays out the card and writes the image file (the project's
// path with the extension ".mpd") as a whole. Device files that are missing or too big for their
// area are reported through `prompt`, one message each, and make the result false; the image is
// still written without them. A project that does not fit a card is refused before anything is
// written. True when every slot's device file went into the image.
bool CompileProject(std::string_view projectPath, Prompt& prompt);

} // namespace zr48
