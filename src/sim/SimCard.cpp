#include "sim/SimCard.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"

#include <algorithm>

namespace zr48 {

namespace {
constexpr std::size_t kRecordSize = 2 + kSectorSize;

// The first line of the version file, without its line end.
std::optional<Text> readVersionFile(const Path& path)
{
    if (path.empty())
        return std::nullopt;
    const auto bytes = tryReadFileBytes(path);
    if (!bytes)
        return std::nullopt;
    Text line(bytes->begin(), bytes->end());
    line = line.substr(0, line.find_first_of("\r\n"));
    if (line.empty())
        return std::nullopt;
    return line;
}
} // namespace

SimCard::SimCard(Path path) : path_(std::move(path))
{
    if (path_.empty())
        return;
    firmwareVersion_ = readVersionFile(firmwareVersionPath());
    // Said now: a card that cannot be saved would otherwise be lost without a word.
    if (directoryExists(path_))
        throw Error("The card file \"" + shownPath(path_) + "\" is a folder, not a file.");
    if (!fileExists(path_)) {
        const Path folder = extractFileDir(path_);
        if (!folder.empty() && !directoryExists(folder))
            throw Error("The folder of the card file \"" + shownPath(path_) + "\" does not exist.");
        return;
    }
    const Bytes bytes = readFileBytes(path_);
    if (bytes.size() % kRecordSize != 0)
        throw Error("The card file \"" + shownPath(path_) +
                    "\" is damaged: its size is not a whole number of sector records.");
    for (std::size_t at = 0; at < bytes.size(); at += kRecordSize) {
        Sector data;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 2), kSectorSize, data.begin());
        sectors_[readLe16(bytes.data() + at)] = data;
    }
}

Sector SimCard::read(std::uint16_t sector) const
{
    const auto it = sectors_.find(sector);
    return it == sectors_.end() ? Sector{} : it->second;
}

void SimCard::write(std::uint16_t sector, const Sector& data)
{
    if (std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; }))
        sectors_.erase(sector); // a zero sector is what an unwritten one reads as
    else
        sectors_[sector] = data;
    dirty_ = true;
}

void SimCard::setFirmwareVersion(const Text& version)
{
    if (firmwareVersion_ == version)
        return;
    firmwareVersion_ = version;
    versionDirty_ = true;
}

void SimCard::save()
{
    if (path_.empty())
        return;
    if (versionDirty_ && firmwareVersion_) {
        const Text line = *firmwareVersion_ + "\n";
        writeFileAtomically(firmwareVersionPath(), Bytes(line.begin(), line.end()));
        versionDirty_ = false;
    }
    if (!dirty_)
        return;
    Bytes bytes;
    bytes.reserve(sectors_.size() * kRecordSize);
    for (const auto& [sector, data] : sectors_) {
        std::uint8_t number[2];
        writeLe16(number, sector);
        bytes.insert(bytes.end(), number, number + 2);
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    writeFileAtomically(path_, bytes);
    dirty_ = false;
}

} // namespace zr48
