#pragma once
// The layout of a ZR48 memory card: directory sectors 0 to 8 (seven 64-byte slot descriptors
// each), the project menu in sector 9, and from sector 16 each assigned slot's device file area
// (a 64-byte header, then the device file) followed by its data area. Numbers are little-endian.

#include "base/Text.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zr48 {

inline constexpr int kDirectorySectorCount = 9; // sectors 0 to 8
inline constexpr std::uint16_t kMenuSector = 9;
inline constexpr std::uint16_t kFirstAreaSector = 16;
inline constexpr std::uint32_t kLastCardSector = 65535;

inline constexpr std::size_t kDescriptorSize = 64;
inline constexpr int kDescriptorsPerSector = 7;
inline constexpr std::size_t kDeviceNameOffset = 10;
inline constexpr std::size_t kDeviceNameField = 16; // the name, at most 15 bytes, zero-ended
inline constexpr std::size_t kOptionsOffset = 26;
inline constexpr int kCardOptionCount = 9;

inline constexpr int kMenuLineCount = 5;
inline constexpr std::size_t kMenuEntrySize = 64; // a line of at most 63 bytes, zero-ended

inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::size_t kHeaderNameOffset = 6;
inline constexpr std::size_t kHeaderNameMax = 25;
inline constexpr std::uint16_t kChecksumSeed = 0x1234;

// One slot descriptor as it stands on the card.
struct SlotDescriptor {
    std::uint8_t DeviceType = 0;
    std::uint8_t SourceSelect = 0;
    std::uint16_t FileStart = 0;
    std::uint16_t FileSectors = 0;
    std::uint16_t DataStart = 0;
    std::uint16_t DataSectors = 0;
    Text DeviceName;                                      // up to the first zero byte of the field
    std::array<std::uint8_t, kCardOptionCount> Options{}; // the bytes as stored (0 or 1 when well formed)
};

void EncodeSlotDescriptor(const DEVICE_CONFIG& slot, std::span<std::uint8_t, kDescriptorSize> out);
SlotDescriptor DecodeSlotDescriptor(std::span<const std::uint8_t, kDescriptorSize> in);
// The descriptor bytes of slot `index` (0 to 6) of a directory sector.
std::span<const std::uint8_t, kDescriptorSize> DescriptorBytes(const Sector& sector, int index);

// Directory sector k: the descriptors of slots 7k to 7k + 6.
Sector EncodeDirectorySector(const TProjectFile& project, int k);

Sector EncodeMenuSector(const std::vector<Text>& lines);
std::array<Text, kMenuLineCount> DecodeMenuSector(const Sector& sector);

// 0x1234 plus the sum of bytes 2 to 511, modulo 65536.
std::uint16_t DeviceFileChecksum(const Sector& first);
// The header name of a device file: its file name without the extension, at most 25 characters,
// each as one byte.
Text DeviceFileHeaderName(std::string_view configFile);

struct DeviceFileHeader {
    std::uint16_t Checksum = 0;
    std::uint32_t TotalLength = 0; // 64 plus the file's size; below 64 means no device file
    Text Name;
    bool ChecksumValid = false;
};
DeviceFileHeader DecodeDeviceFileHeader(const Sector& first);

// An area's last sector must stay within 16-bit sector numbers: start + count <= 65535.
constexpr bool AreaFitsCard(std::uint32_t start, std::uint32_t count)
{
    return start + count <= kLastCardSector;
}

} // namespace zr48
