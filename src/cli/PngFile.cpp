#include "cli/PngFile.h"

#include "base/Error.h"

#include <png.h>

namespace zr48::cli {

namespace {

std::vector<std::uint8_t> encodePng(int width, int height, int channels, png_uint_32 format,
                                    std::span<const std::uint8_t> pixels)
{
    const auto expected =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * static_cast<std::size_t>(channels);
    if (width <= 0 || height <= 0 || pixels.size() != expected)
        throw Error("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels needs as many values");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    const auto stride = static_cast<png_int_32>(width * channels);
    // The first call tells the size, the second writes.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), stride, nullptr))
        throw Error(Text("cannot make the PNG picture: ") + image.message);
    std::vector<std::uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), stride, nullptr))
        throw Error(Text("cannot make the PNG picture: ") + image.message);
    bytes.resize(size);
    return bytes;
}

} // namespace

std::vector<std::uint8_t> encodeGreyPng(int width, int height, std::span<const std::uint8_t> grey)
{
    return encodePng(width, height, 1, PNG_FORMAT_GRAY, grey);
}

std::vector<std::uint8_t> encodeRgbPng(int width, int height, std::span<const std::uint8_t> rgb)
{
    return encodePng(width, height, 3, PNG_FORMAT_RGB, rgb);
}

} // namespace zr48::cli
