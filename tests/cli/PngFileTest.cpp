// The PNG pictures of the command-line tool, read back by libpng: every pixel as it was given.

#include "cli/PngFile.h"
#include "base/Error.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <optional>

namespace zr48::cli {
namespace {

// The pixels of `bytes` as `format` (PNG_FORMAT_GRAY or PNG_FORMAT_RGB); nullopt when libpng
// refuses the file (a bad checksum, say).
std::optional<std::vector<std::uint8_t>> decode(const std::vector<std::uint8_t>& bytes, png_uint_32 format, int& width,
                                                int& height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return std::nullopt;
    image.format = format;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return std::nullopt;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

// Every byte value in a row of odd width, so that a lost filter byte or a swapped row shows.
std::vector<std::uint8_t> pattern(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37 + i / 7) & 0xFF);
    return bytes;
}

TEST(PngFileTest, GreyAndColourPicturesReadBackPixelForPixel)
{
    struct Case {
        int width, height, channels;
        png_uint_32 format;
    };
    for (const Case c : {Case{7, 3, 1, PNG_FORMAT_GRAY}, Case{124, 84, 1, PNG_FORMAT_GRAY},
                         Case{5, 4, 3, PNG_FORMAT_RGB}, Case{1, 1, 3, PNG_FORMAT_RGB}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.channels));
        const auto pixels = pattern(static_cast<std::size_t>(c.width * c.height * c.channels));
        const auto png =
            c.channels == 1 ? encodeGreyPng(c.width, c.height, pixels) : encodeRgbPng(c.width, c.height, pixels);
        int width = 0, height = 0;
        const auto back = decode(png, c.format, width, height);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(*back, pixels);
    }
}

TEST(PngFileTest, AGreyPictureIsStoredAsGrey)
{
    // Colour type 0 in the header: a grey picture keeps its one byte per pixel.
    const auto png = encodeGreyPng(2, 2, std::vector<std::uint8_t>{0, 85, 170, 255});
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(png[24], 8);                                                    // bits per sample
    EXPECT_EQ(png[25], 0);                                                    // grey
    EXPECT_EQ(encodeRgbPng(1, 1, std::vector<std::uint8_t>{1, 2, 3})[25], 2); // RGB
}

TEST(PngFileTest, PixelsThatDoNotFillThePictureAreRefused)
{
    EXPECT_THROW(encodeGreyPng(3, 2, std::vector<std::uint8_t>(5)), Error);
    EXPECT_THROW(encodeRgbPng(2, 2, std::vector<std::uint8_t>(4)), Error);
    EXPECT_THROW(encodeGreyPng(0, 0, {}), Error);
}

} // namespace
} // namespace zr48::cli
