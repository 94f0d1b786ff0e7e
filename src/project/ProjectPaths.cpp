#include "project/ProjectPaths.h"

#include "base/Paths.h"

#include <algorithm>

namespace zr48 {

namespace {

// Where "[PROJECT]" followed by a separator occurs in `text`, or npos.
size_t projectMark(std::string_view text)
{
    for (size_t at = text.find(kProjectFolderMark); at != std::string_view::npos;
         at = text.find(kProjectFolderMark, at + 1)) {
        const size_t next = at + kProjectFolderMark.size();
        if (next < text.size() && (text[next] == '\\' || text[next] == '/'))
            return at;
    }
    return std::string_view::npos;
}

} // namespace

std::string projectFolderOf(std::string_view documentFile)
{
    return extractFilePath(documentFile);
}

std::string DisplayPath(std::string_view path, std::string_view projectFolder)
{
    const std::string directory = extractFilePath(path);
    if (directory.empty() || directory != projectFolder)
        return std::string(path);
    // The folder's own separator: "\" in a folder of another system, "/" here.
    return std::string(kProjectFolderMark) + directory.back() + extractFileName(path);
}

std::string ResolvePath(std::string_view path, std::string_view projectFolder)
{
    if (projectMark(path) == std::string_view::npos)
        return std::string(path);
    const size_t markLength = kProjectFolderMark.size() + 1;
    return std::string(projectFolder) + std::string(path.substr(std::min(markLength, path.size())));
}

} // namespace zr48
