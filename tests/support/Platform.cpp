#include "support/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace zr48::test {

#ifdef _WIN32

std::uint64_t fileIdentity(const Path& path)
{
    const HANDLE file = CreateFileW(toFsPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    return known ? (std::uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow : 0;
}

#else

std::uint64_t fileIdentity(const Path& path)
{
    struct stat status {};
    return ::stat(toFsPath(path).c_str(), &status) == 0 ? status.st_ino : 0;
}

#endif

} // namespace zr48::test
