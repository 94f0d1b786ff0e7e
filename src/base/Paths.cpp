#include "base/Paths.h"

#include "base/Platform.h"

namespace zr48 {

namespace {

size_t nameStart(std::string_view path)
{
    for (size_t i = path.size(); i > 0; --i) {
        if (isPathDelimiter(path[i - 1]))
            return i;
    }
    return 0;
}

// Position of the extension's dot within path, or npos.
size_t extensionDot(std::string_view path)
{
    const size_t start = nameStart(path);
    const size_t dot = path.rfind('.');
    return dot != std::string_view::npos && dot >= start ? dot : std::string_view::npos;
}

} // namespace

bool isPathDelimiter(char c)
{
    return c == '\\' || c == ':' || c == '/';
}

Path extractFilePath(std::string_view path)
{
    return Path(path.substr(0, nameStart(path)));
}

Path extractFileName(std::string_view path)
{
    return Path(path.substr(nameStart(path)));
}

Path extractFileExt(std::string_view path)
{
    const size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? Path() : Path(path.substr(dot));
}

Path changeFileExt(std::string_view path, std::string_view ext)
{
    const size_t dot = extensionDot(path);
    Path out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
    out += ext;
    return out;
}

Path includeTrailingDelimiter(std::string_view path)
{
    Path out(path);
    if (out.empty() || !isPathDelimiter(out.back()))
        out += kNativeSeparator;
    return out;
}

Path extractFileDir(std::string_view path)
{
    Path dir = extractFilePath(path);
    // Keep the delimiter of a root ("/", "C:\"), drop any other.
    if (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\') && dir[dir.size() - 2] != ':')
        dir.pop_back();
    return dir;
}

std::filesystem::path toFsPath(std::string_view path)
{
    std::string bytes(path);
    for (char& c : bytes) {
        if (c == '\\')
            c = '/';
    }
    return platform::nativePath(bytes);
}

Path fromFsPath(const std::filesystem::path& path)
{
    return platform::pathBytes(path);
}

Path absolutePath(std::string_view path)
{
    std::error_code ec;
    const auto full = std::filesystem::absolute(toFsPath(path), ec);
    return ec ? Path(path) : fromFsPath(full.lexically_normal());
}

Path withFolder(std::string_view path)
{
    const bool full = !path.empty() && (path.front() == '/' || path.front() == '\\');
    const bool otherSystem = path.find(':') != std::string_view::npos;
    return full || otherSystem ? Path(path) : absolutePath(path);
}

Path pathFromProjectText(std::string_view value)
{
    return isValidUtf8(value) ? Path(value) : toUtf8(value);
}

std::string shownPath(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
        }
    }
    return out;
}

Text pathToText(std::string_view path)
{
    Text out;
    for (const char32_t c : utf8Characters(path)) {
        const int byte = unicodeToCp1252(c);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

} // namespace zr48
