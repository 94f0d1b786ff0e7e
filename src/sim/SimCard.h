#pragma once
// The simulated unit's memory card: 65,536 sectors of 512 bytes, sparse (a sector never written
// reads as zeros). It may be kept in a file of sector records (2-byte little-endian sector number,
// then the 512 bytes), the same records as an image file, so that a card survives between runs.

#include "base/Paths.h"
#include "link/Frames.h"

#include <cstdint>
#include <map>

namespace zr48 {

class SimCard {
public:
    SimCard() = default;
    // Loads `path` when it exists; a missing file is an empty card. Throws zr48::Error when the
    // file cannot be read or is not made of whole sector records, or when no file can be kept
    // there (a folder, or a folder that does not exist).
    explicit SimCard(Path path);

    Sector read(std::uint16_t sector) const;
    void write(std::uint16_t sector, const Sector& data);
    std::size_t writtenSectors() const { return sectors_.size(); }

    const Path& path() const { return path_; }
    bool dirty() const { return dirty_; }
    // Writes the card to its file, atomically, when it has one and changed. Throws zr48::Error.
    void save();

private:
    Path path_;
    std::map<std::uint16_t, Sector> sectors_;
    bool dirty_ = false;
};

} // namespace zr48
