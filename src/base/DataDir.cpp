#include "base/DataDir.h"

#include "base/Paths.h"
#include "base/Platform.h"

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
    return dataDirOf(platform::runningProgram());
}

} // namespace zr48
