#include "base/DataDir.h"

#include "base/Paths.h"

namespace zr48 {

Path dataDirOf(const std::filesystem::path& executable)
{
    if (executable.empty())
        return {};
    const std::filesystem::path programDir = executable.parent_path();
    const std::filesystem::path shared = programDir.parent_path() / "share" / "zr48";
    std::error_code ec;
    return includeTrailingDelimiter(fromFsPath(std::filesystem::is_directory(shared, ec) ? shared : programDir));
}

Path dataDir()
{
    // The kernel's link names the program itself, whatever link or relative path started it.
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? Text{} : dataDirOf(executable);
}

} // namespace zr48
