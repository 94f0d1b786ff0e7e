#pragma once
// The unit's firmware as a file: a raw image of at most 131,072 bytes with its version text
// inside. The firmware updater programs it; the simulated unit reports the version of what it
// holds.

#include "base/Paths.h"
#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace zr48 {

// The most of a firmware file that is read.
inline constexpr std::size_t kFirmwareImageSize = 131072;
// The firmware file shipped with the programs, below their data folder.
inline constexpr const char* kShippedFirmwareFile = "Firmware/ZR48.BIN";
inline constexpr std::string_view kFirmwareVersionMarker = "R48+1";
inline constexpr const char* kUnknownFirmwareVersion = "Unknown";

// The version text of a firmware image: from the last "R48+1" to the next zero byte (or the end),
// "Unknown" without the marker.
Text firmwareImageVersion(std::span<const std::uint8_t> image);

// Up to `limit` bytes of the regular file at `path`; nullopt when it is none or cannot be read.
std::optional<std::vector<std::uint8_t>> readFirmwareFile(const Path& path, std::size_t limit = kFirmwareImageSize);

// The version of the firmware file at `path`; "Unknown" when it is missing, unreadable or carries
// no version text.
Text firmwareFileVersion(const Path& path);

} // namespace zr48
