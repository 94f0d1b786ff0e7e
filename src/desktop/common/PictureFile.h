#pragma once
// Saving a window's picture as a PNG file, as the display copy and the infrared scope do.

#include <string>

class QImage;

namespace zr48 {

class Prompt;

// The file dialog's filter for pictures.
inline constexpr const char* kPictureFilter = "PNG Pictures (*.png)|*.png";

// Writes `picture` to `path` as a PNG file, through the atomic write; a failure is said through
// `prompt`.
void writePicture(const QImage& picture, const std::string& path, Prompt& prompt);

} // namespace zr48
