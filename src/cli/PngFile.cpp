#include "cli/PngFile.h"

#include "base/ByteOrder.h"
#include "base/Error.h"

#include <zlib.h>

#include <string_view>

namespace zr48::cli {

namespace {

// A PNG file is its signature and a chain of chunks; zlib compresses the rows and makes the
// checksums. (libpng has no build for every platform the tool runs on; zlib has.)
constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kGreyColour = 0;
constexpr std::uint8_t kRgbColour = 2;

void appendChunk(std::vector<std::uint8_t>& out, std::string_view type, std::span<const std::uint8_t> data)
{
    std::uint8_t length[4];
    writeBe32(length, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), length, length + 4);
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    // The checksum covers the type and the data.
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    std::uint8_t check[4];
    writeBe32(check, static_cast<std::uint32_t>(crc));
    out.insert(out.end(), check, check + 4);
}

std::vector<std::uint8_t> encodePng(int width, int height, int channels, std::uint8_t colourType,
                                    std::span<const std::uint8_t> pixels)
{
    const auto rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    const auto expected = rowBytes * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || pixels.size() != expected)
        throw Error("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels needs as many values");

    std::uint8_t header[13] = {};
    writeBe32(header, static_cast<std::uint32_t>(width));
    writeBe32(header + 4, static_cast<std::uint32_t>(height));
    header[8] = 8; // bits per sample
    header[9] = colourType;
    // compression, filter and interlace methods 0: deflate, per-row filters, none

    // Each row begins with its filter type; 0 leaves it as it is.
    std::vector<std::uint8_t> rows;
    rows.reserve(expected + static_cast<std::size_t>(height));
    for (std::size_t at = 0; at < expected; at += rowBytes) {
        rows.push_back(0);
        rows.insert(rows.end(), pixels.begin() + static_cast<std::ptrdiff_t>(at),
                    pixels.begin() + static_cast<std::ptrdiff_t>(at + rowBytes));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw Error("cannot make the PNG picture: the compression failed");
    packed.resize(packedSize);

    std::vector<std::uint8_t> out(std::begin(kSignature), std::end(kSignature));
    appendChunk(out, "IHDR", header);
    appendChunk(out, "IDAT", packed);
    appendChunk(out, "IEND", {});
    return out;
}

} // namespace

std::vector<std::uint8_t> encodeGreyPng(int width, int height, std::span<const std::uint8_t> grey)
{
    return encodePng(width, height, 1, kGreyColour, grey);
}

std::vector<std::uint8_t> encodeRgbPng(int width, int height, std::span<const std::uint8_t> rgb)
{
    return encodePng(width, height, 3, kRgbColour, rgb);
}

} // namespace zr48::cli
