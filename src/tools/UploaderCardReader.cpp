#include "tools/UploaderCardReader.h"

#include "project/ImageReader.h"

namespace zr48 {

int CheckUploadedDirectorySector(std::span<const std::uint8_t, 512> sector)
{
    return CheckDirectorySector(sector);
}

bool UnpackUploadedImage(const Text& imagePath, Prompt& prompt)
{
    return UnpackImage(imagePath, prompt);
}

} // namespace zr48
