#pragma once
// Shared helpers of the card image tests: a project folder with device files, and byte views.

#include "base/FileIo.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace zr48::test {

// Deterministic bytes that differ from place to place, zero bytes included: no device file.
inline std::string NoiseBytes(std::size_t size, unsigned seed = 1)
{
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

// Deterministic device file content whose bytes differ from place to place: a KEY=value line,
// then lines of printable characters and bytes above 0x7F ended by CR LF. A size below 5 gives no
// device file.
inline std::string PatternBytes(std::size_t size, unsigned seed = 1)
{
    std::string bytes = NoiseBytes(size, seed);
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (i % 64 == 62)
            bytes[i] = '\r';
        else if (i % 64 == 63)
            bytes[i] = '\n';
        else if (c < 0x20 || c == 0x7F)
            bytes[i] = static_cast<char>(c + 0x40);
    }
    bytes.replace(0, std::min<std::size_t>(size, 5), std::string("DATA=").substr(0, std::min<std::size_t>(size, 5)));
    return bytes;
}

inline void AssignDevice(TProjectFile& project, int slot, std::uint16_t type, Text configFile, Text name = "Device",
                         std::uint16_t source = 1, Text options = "")
{
    DEVICE_CONFIG& s = project.Slot(slot);
    s.DeviceType = type;
    s.ConfigFile = std::move(configFile);
    s.DeviceName = std::move(name);
    s.SourceSelect = source;
    s.OptionList = std::move(options);
}

inline std::string SectorText(const Sector& sector, std::size_t from, std::size_t count)
{
    return std::string(reinterpret_cast<const char*>(sector.data()) + from, count);
}

inline bool AllZero(const Sector& sector, std::size_t from = 0, std::size_t to = kSectorSize)
{
    for (std::size_t i = from; i < to; ++i) {
        if (sector[i] != 0)
            return false;
    }
    return true;
}

inline std::vector<std::uint16_t> RecordNumbers(const SectorImage& image)
{
    std::vector<std::uint16_t> numbers;
    for (const SectorRecord& r : image.Records)
        numbers.push_back(r.Number);
    return numbers;
}

} // namespace zr48::test
