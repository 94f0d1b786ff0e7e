#pragma once
// The card image reader: checks the directory sectors of a card as they are uploaded, and turns
// a complete uploaded image into project files beside it.

#include "project/SectorImage.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace zr48 {

class Prompt;

// Codes of CheckDirectorySector.
enum DirectoryCheck : int {
    kDirectoryWellFormed = 0,
    kDirectoryBadOption = 1,       // an option byte is neither 0 nor 1
    kDirectoryBadName = 2,         // a device name byte is a control character (1 to 31)
    kDirectoryFileAreaPastEnd = 3, // FileStart + FileSectors > 65535
    kDirectoryDataAreaPastEnd = 4, // DataStart + DataSectors > 65535
};

// Checks the seven slot descriptors of one directory sector (0 to 8), in order; the first failed
// test gives the code. The sector's last 64 bytes are not looked at.
int CheckDirectorySector(std::span<const std::uint8_t, kSectorSize> sector);

// Unpacks an uploaded image: for each assigned slot its device file as base_N.mpi (N the slot
// number plus 1, base the image path without its extension), and the project as base.mpj, all
// written together through temporary files: all of them or none. Only the image's own folder is
// written to, and a device file holds at most what its slot's area holds, whatever its header
// claims. A failure (image unreadable, a name the project file cannot hold, a file that cannot be
// written) is reported through `prompt`, leaves every file as it was, and gives false.
bool UnpackImage(std::string_view imagePath, Prompt& prompt);

} // namespace zr48
