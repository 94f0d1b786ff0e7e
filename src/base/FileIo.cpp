#include "base/FileIo.h"

#include "base/Error.h"
#include "base/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace zr48 {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

Text systemReason(int error)
{
    return fromUtf8(std::strerror(error));
}

[[noreturn]] void fail(std::string_view what, std::string_view path, int error)
{
    throw Error(Text(what) + " \"" + Text(path) + "\":\n" + systemReason(error));
}

} // namespace

std::optional<Bytes> tryReadFileBytes(std::string_view path)
{
    const std::string fsPath = toFsPath(path).string();
    FilePtr file(std::fopen(fsPath.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    Bytes bytes;
    std::uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

Bytes readFileBytes(std::string_view path)
{
    errno = 0;
    if (auto bytes = tryReadFileBytes(path))
        return std::move(*bytes);
    fail("Cannot read the file", path, errno ? errno : EIO);
}

void writeFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes)
{
    const std::string target = toFsPath(path).string();
    const std::string temporary = target + ".zr48-tmp";
    errno = 0;
    FilePtr file(std::fopen(temporary.c_str(), "wb"));
    if (!file)
        fail("Cannot create the file", path, errno);
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        fail("Cannot write the file", path, !written ? writeError : closeError);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        std::remove(temporary.c_str());
        fail("Cannot write the file", path, renameError);
    }
}

void writeFileAtomically(std::string_view path, std::string_view bytes)
{
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool fileExists(std::string_view path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(toFsPath(path), ec);
}

bool directoryExists(std::string_view path)
{
    std::error_code ec;
    return std::filesystem::is_directory(toFsPath(path), ec);
}

} // namespace zr48
