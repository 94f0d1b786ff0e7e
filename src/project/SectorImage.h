#pragma once
// Sector records and image files (.mpd). A sector record is a card sector number (unsigned
// 16-bit, little-endian) followed by the sector's 512 bytes; an image file is a sequence of
// records without any header. The builder writes them, the downloader sends them in file order,
// the uploader stores what it reads from a card the same way.

#include "base/CardSector.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zr48 {

inline constexpr std::size_t kSectorRecordSize = 2 + kSectorSize;
// Every sector of a card once: no image from the builder or from a card is larger.
inline constexpr std::size_t kMaxImageBytes = 65536 * kSectorRecordSize;

struct SectorRecord {
    std::uint16_t Number = 0;
    Sector Data{};

    bool operator==(const SectorRecord&) const = default;
};

struct SectorImage {
    std::vector<SectorRecord> Records; // in file order
    std::size_t TrailingBytes = 0;     // bytes of a cut-off last record, which is not a record
};

void AppendSectorRecord(Bytes& image, const SectorRecord& record);
Bytes EncodeSectorImage(std::span<const SectorRecord> records);
SectorImage DecodeSectorImage(std::span<const std::uint8_t> bytes);

// Throws zr48::Error naming the path and the reason when the file cannot be read or is larger
// than a whole card.
SectorImage ReadSectorImage(std::string_view path);
// Replaces the file as a whole (through a temporary file); throws zr48::Error naming the path and
// the system's reason.
void WriteSectorImage(std::string_view path, std::span<const SectorRecord> records);

// The image file of a project file: its extension replaced by ".mpd".
Path ImagePathOfProject(std::string_view projectPath);

} // namespace zr48
