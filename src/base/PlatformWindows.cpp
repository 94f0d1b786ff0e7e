// The platform seam on Windows: paths are UTF-8 inside the program and wide (UTF-16) at the file
// system's edge; the C library's wide calls keep errno for the messages.

#include "base/Platform.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

namespace zr48::platform {

std::wstring widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string narrow(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

namespace {

// The errno value closest to a Win32 error, for the C library's message.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME: return ENAMETOOLONG;
    default: return EIO;
    }
}

} // namespace

std::filesystem::path nativePath(std::string_view bytes)
{
    return std::filesystem::path(widen(bytes));
}

std::string pathBytes(const std::filesystem::path& path)
{
    // With forward slashes, as every path inside the program has them; Windows takes both.
    return narrow(path.generic_wstring());
}

std::FILE* openFile(const std::filesystem::path& path, const char* mode)
{
    return _wfopen(path.c_str(), widen(mode).c_str());
}

std::FILE* openRegularFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        errno = std::filesystem::is_directory(path, ec) ? EISDIR : (ec ? ENOENT : EINVAL);
        return nullptr;
    }
    return openFile(path, "rb");
}

std::FILE* createNewFile(const std::filesystem::path& path)
{
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        _close(fd);
        errno = error;
    }
    return file;
}

int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // The C library's rename refuses an existing target; this replaces it in one step.
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return errnoOf(GetLastError());
}

void removeFile(const std::filesystem::path& path)
{
    _wremove(path.c_str());
}

int growFile(const std::filesystem::path& path, std::uintmax_t size)
{
    // Setting the end of a file allocates its clusters on NTFS.
    std::error_code ec;
    std::filesystem::resize_file(path, size, ec);
    return ec ? errnoOf(static_cast<DWORD>(ec.value())) : 0;
}

std::filesystem::path runningProgram()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (size == 0)
            return {};
        if (size < buffer.size()) {
            buffer.resize(size);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2); // cut short: try a larger buffer
    }
}

bool isTerminal(StandardStream stream)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE),
                          &mode) != 0;
}

std::optional<std::string> environmentVariable(const char* name)
{
    const wchar_t* value = _wgetenv(widen(name).c_str());
    return value ? std::optional<std::string>(narrow(value)) : std::nullopt;
}

namespace {

std::optional<std::string> knownFolder(REFKNOWNFOLDERID id)
{
    wchar_t* folder = nullptr;
    std::optional<std::string> found;
    if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK && folder && *folder)
        found = pathBytes(std::filesystem::path(folder)); // with '/', as every path inside
    CoTaskMemFree(folder);
    return found;
}

} // namespace

std::optional<std::string> homeFolder()
{
    return knownFolder(FOLDERID_Profile);
}

std::optional<std::string> userSettingsFolder()
{
    return knownFolder(FOLDERID_RoamingAppData);
}

std::vector<std::string> commandLineArguments(int argc, char* argv[])
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) // as the C library saw them, then
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

void useUtf8Terminal()
{
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

namespace {

// The console calls its handler on a thread of its own; the handler can reach nothing else.
std::atomic<bool> ctrlCPressed{false};

BOOL WINAPI noticeCtrlC(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE; // closing the console or logging off ends the program as usual
    ctrlCPressed = true;
    return TRUE;
}

} // namespace

struct CtrlCWatch::State {};

CtrlCWatch::CtrlCWatch()
{
    ctrlCPressed = false;
    SetConsoleCtrlHandler(noticeCtrlC, TRUE);
}

CtrlCWatch::~CtrlCWatch()
{
    SetConsoleCtrlHandler(noticeCtrlC, FALSE);
    ctrlCPressed = false;
}

bool CtrlCWatch::pressed() const
{
    return ctrlCPressed;
}

} // namespace zr48::platform
