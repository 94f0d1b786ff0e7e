#include "desktop/main/HandOver.h"

namespace zr48 {

std::string handOverMessage(const Path& absolutePath)
{
    return absolutePath + '\0';
}

std::vector<Path> takeHandedOverPaths(std::string& buffer)
{
    std::vector<Path> paths;
    std::size_t start = 0;
    for (std::size_t end = buffer.find('\0'); end != std::string::npos; end = buffer.find('\0', start)) {
        if (end > start)
            paths.emplace_back(buffer, start, end - start);
        start = end + 1;
    }
    buffer.erase(0, start);
    return paths;
}

std::string handOverServerName(const std::string& runtimeDir, const std::string& tempDir, const std::string& user)
{
    if (!runtimeDir.empty())
        return includeTrailingDelimiter(runtimeDir) + "zr48pm.socket";
    return includeTrailingDelimiter(tempDir) + "zr48pm-" + user + ".socket";
}

} // namespace zr48
