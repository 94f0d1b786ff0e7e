#include "link/FirmwareImage.h"

#include <filesystem>
#include <fstream>

namespace zr48 {

Text firmwareImageVersion(std::span<const std::uint8_t> image)
{
    const std::string_view all(reinterpret_cast<const char*>(image.data()), image.size());
    const std::size_t at = all.rfind(kFirmwareVersionMarker);
    if (at == std::string_view::npos)
        return kUnknownFirmwareVersion;
    const std::size_t end = all.find('\0', at);
    return Text(all.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

std::optional<std::vector<std::uint8_t>> readFirmwareFile(const Path& path, std::size_t limit)
{
    std::error_code error;
    const auto fsPath = toFsPath(path);
    // Only a regular file: a named pipe would never end the read.
    if (path.empty() || !std::filesystem::is_regular_file(fsPath, error))
        return std::nullopt;
    std::ifstream in(fsPath, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

Text firmwareFileVersion(const Path& path)
{
    const auto bytes = readFirmwareFile(path);
    return bytes ? firmwareImageVersion(*bytes) : Text(kUnknownFirmwareVersion);
}

} // namespace zr48
