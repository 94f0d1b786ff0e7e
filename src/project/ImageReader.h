#pragma once
// The card image reader: checks the directory sectors of a card as they are uploaded, and turns
// a complete uploaded image into project files beside it.

#include "project/SectorImage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
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
// The same for an image just read from a card, whose file is written together with the project and
// device files: a failure leaves the earlier image, project and device files all as they were.
bool UnpackUploadedImage(std::string_view imagePath, std::span<const std::uint8_t> imageBytes, Prompt& prompt);

// Names longer than the system takes.
inline constexpr std::size_t kMaxFileNameBytes = 255;
inline constexpr std::size_t kMaxPathBytes = 4095;
// What an upload of a card written by the builder writes at most: the image (ten sectors and 63
// device file areas of 32 sectors), as much again of device files, and the project, with room for
// the temporary files they are written through.
inline constexpr std::uintmax_t kMostUploadBytes = std::uintmax_t{2} * (10 + 63 * 32) * 514 * 2 + 1024 * 1024;

// Why an upload into the image at `imagePath` would fail to unpack, asked before the card is read:
// a line break in the name (a project file cannot hold it), a target name that is a folder or too
// long for the system, a folder that takes no files, too little free space. A sentence's end or a
// whole message; nullopt when all is well.
std::optional<std::string> UnpackTargetProblem(std::string_view imagePath);

} // namespace zr48
