#pragma once
// The card image reader's two operations as the uploader calls them. They sit in a unit of their
// own because the card image's sector type and the frame catalogue's share a name and cannot be
// declared in the same file.

#include "base/Text.h"

#include <cstdint>
#include <span>

namespace zr48 {

class Prompt;

// 0 for a well-formed directory sector, else the reader's error code (1 to 4).
int CheckUploadedDirectorySector(std::span<const std::uint8_t, 512> sector);
// Unpacks the complete image into project files beside it; failures are reported through `prompt`.
bool UnpackUploadedImage(const Text& imagePath, Prompt& prompt);

} // namespace zr48
