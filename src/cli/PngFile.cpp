#include "cli/PngFile.h"

#include "base/Error.h"

#include <png.h>

#include <cstring>

namespace zr48::cli {

std::vector<std::uint8_t> encodeGreyPng(int width, int height, std::span<const std::uint8_t> grey)
{
    if (width <= 0 || height <= 0 || grey.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw Error("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels needs as many grey values");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_GRAY;
    // The first call tells the size, the second writes.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, grey.data(), width, nullptr))
        throw Error(Text("cannot make the PNG picture: ") + image.message);
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, grey.data(), width, nullptr))
        throw Error(Text("cannot make the PNG picture: ") + image.message);
    bytes.resize(size);
    return bytes;
}

} // namespace zr48::cli
