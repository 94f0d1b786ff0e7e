#include "project/SectorImage.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/Paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace zr48 {

void AppendSectorRecord(Bytes& image, const SectorRecord& record)
{
    std::uint8_t number[2];
    writeLe16(number, record.Number);
    image.insert(image.end(), number, number + 2);
    image.insert(image.end(), record.Data.begin(), record.Data.end());
}

Bytes EncodeSectorImage(std::span<const SectorRecord> records)
{
    Bytes image;
    image.reserve(records.size() * kSectorRecordSize);
    for (const SectorRecord& record : records)
        AppendSectorRecord(image, record);
    return image;
}

SectorImage DecodeSectorImage(std::span<const std::uint8_t> bytes)
{
    SectorImage image;
    const std::size_t count = bytes.size() / kSectorRecordSize;
    image.Records.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = bytes.data() + i * kSectorRecordSize;
        image.Records[i].Number = readLe16(p);
        std::copy_n(p + 2, kSectorSize, image.Records[i].Data.begin());
    }
    image.TrailingBytes = bytes.size() % kSectorRecordSize;
    return image;
}

SectorImage ReadSectorImage(std::string_view path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    if (!ec && size > kMaxImageBytes)
        throw Error("The file \"" + shownPath(path) +
                    "\" is not a card image:\nit is larger than a whole memory card.");
    return DecodeSectorImage(readFileBytes(path));
}

void WriteSectorImage(std::string_view path, std::span<const SectorRecord> records)
{
    writeFileAtomically(path, EncodeSectorImage(records));
}

Path ImagePathOfProject(std::string_view projectPath)
{
    return changeFileExt(projectPath, ".mpd");
}

} // namespace zr48
