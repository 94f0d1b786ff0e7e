#include "base/Paths.h"

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

Text extractFilePath(std::string_view path)
{
    return Text(path.substr(0, nameStart(path)));
}

Text extractFileName(std::string_view path)
{
    return Text(path.substr(nameStart(path)));
}

Text extractFileExt(std::string_view path)
{
    const size_t dot = extensionDot(path);
    return dot == std::string_view::npos ? Text() : Text(path.substr(dot));
}

Text changeFileExt(std::string_view path, std::string_view ext)
{
    const size_t dot = extensionDot(path);
    Text out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
    out += ext;
    return out;
}

Text includeTrailingDelimiter(std::string_view path)
{
    Text out(path);
    if (out.empty() || !isPathDelimiter(out.back()))
        out += kNativeSeparator;
    return out;
}

Text extractFileDir(std::string_view path)
{
    Text dir = extractFilePath(path);
    // Keep the delimiter of a root ("/", "C:\"), drop any other.
    if (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\') && dir[dir.size() - 2] != ':')
        dir.pop_back();
    return dir;
}

std::filesystem::path toFsPath(std::string_view path)
{
    std::string utf8 = toUtf8(path);
    for (char& c : utf8) {
        if (c == '\\')
            c = '/';
    }
    return std::filesystem::path(utf8);
}

Text fromFsPath(const std::filesystem::path& path)
{
    return fromUtf8(path.string());
}

Text absolutePath(std::string_view path)
{
    std::error_code ec;
    const auto full = std::filesystem::absolute(toFsPath(path), ec);
    return ec ? Text(path) : fromFsPath(full.lexically_normal());
}

} // namespace zr48
