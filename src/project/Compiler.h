#pragma once
// The card image builder: turns a saved project file into the image file beside it, the sector
// records that the downloader writes to the unit's memory card.

#include "base/Text.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"

#include <optional>
#include <string_view>
#include <vector>

namespace zr48 {

class Prompt;

// Gives every slot its card areas: from sector 16 on, in slot order, each slot's device file area
// and then its data area, sized by its device type. Returns why the project cannot go onto a card
// (a device type outside the table, or an area past sector 65535), one line per problem naming the
// slot; empty when the layout is sound. The areas are only meaningful when it is.
std::vector<Text> LayOutCard(TProjectFile& project);

// A project compiled in memory: the records an image file would hold, in file order.
struct CompiledImage {
    TProjectFile Project; // laid out: every slot's card areas are set
    std::vector<SectorRecord> Records;
    // The slots whose device file is missing or too big for its area (reported); the image holds
    // none of a missing file and the first sectors of one that is too big.
    std::vector<int> FailedSlots;
    bool Complete() const { return FailedSlots.empty(); }
    // The records of slot i's device file area.
    std::vector<SectorRecord> DeviceFileRecords(int i) const;
};

// Compiles `project` as it is in memory, its device files read from disk. Device files that are
// missing or too big are reported through `prompt`, one message each; a project that does not fit a
// card is reported and gives nullopt.
std::optional<CompiledImage> CompileProjectImage(const TProjectFile& project, Prompt& prompt);

// Loads the project at `projectPath`, lays out the card and writes the image file (the project's
// path with the extension ".mpd") as a whole. Device files that are missing or too big for their
// area are reported through `prompt`, one message each, and make the result false; the image is
// still written without them. A project that does not fit a card is refused before anything is
// written. True when every slot's device file went into the image.
bool CompileProject(std::string_view projectPath, Prompt& prompt);

} // namespace zr48
