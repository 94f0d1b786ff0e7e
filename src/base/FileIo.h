#pragma once
// Whole-file reads and writes. A write goes to a temporary file beside the target and is
// renamed over it, so a failure never leaves a half-written file behind.

#include "base/Text.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zr48 {

using Bytes = std::vector<std::uint8_t>;

// Throws zr48::Error naming the path and the system's reason.
Bytes readFileBytes(std::string_view path);
// nullopt when the file cannot be read.
std::optional<Bytes> tryReadFileBytes(std::string_view path);

// Throws zr48::Error naming the path and the system's reason; the target is then unchanged.
void writeFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes);
void writeFileAtomically(std::string_view path, std::string_view bytes);

bool fileExists(std::string_view path);
bool directoryExists(std::string_view path);

} // namespace zr48
