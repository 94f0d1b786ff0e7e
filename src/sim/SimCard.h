#pragma once
// The simulated unit's memory card: 65,536 sectors of 512 bytes, sparse (a sector never written
// reads as zeros). It may be kept in a file of sector records (2-byte little-endian sector number,
// then the 512 bytes), the same records as an image file, so that a card survives between runs.
// Beside it, in the card file's name followed by ".firmware", the unit keeps the version of its
// firmware, so that an update (or an older unit asked for) survives between runs too.

#include "base/Paths.h"
#include "base/Text.h"
#include "link/Frames.h"

#include <cstdint>
#include <map>
#include <optional>

namespace zr48 {

class SimCard {
public:
    SimCard() = default;
    // Loads `path` when it exists; a missing file is an empty card. Throws zr48::Error when the
    // file cannot be read or is not made of whole sector records, or when no file can be kept
    // there (a folder, or a folder that does not exist). The firmware version kept beside it is
    // read too.
    explicit SimCard(Path path);

    Sector read(std::uint16_t sector) const;
    void write(std::uint16_t sector, const Sector& data);
    std::size_t writtenSectors() const { return sectors_.size(); }

    // The version of the firmware the unit held when the card was last saved; nullopt when none
    // was kept (a new card, or one without a file).
    const std::optional<Text>& firmwareVersion() const { return firmwareVersion_; }
    void setFirmwareVersion(const Text& version);

    const Path& path() const { return path_; }
    // The file beside the card file that keeps the firmware version.
    Path firmwareVersionPath() const { return path_.empty() ? Path() : path_ + ".firmware"; }
    bool dirty() const { return dirty_ || versionDirty_; }
    // Writes the card and the firmware version to their files, atomically, when it has one and
    // they changed. Throws zr48::Error.
    void save();

private:
    Path path_;
    std::map<std::uint16_t, Sector> sectors_;
    std::optional<Text> firmwareVersion_;
    bool dirty_ = false;
    bool versionDirty_ = false;
};

} // namespace zr48
