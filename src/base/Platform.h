#pragma once
// What the core needs of the operating system beyond the standard library, behind one seam:
// PlatformPosix.cpp serves Linux, PlatformWindows.cpp Windows. A path crosses it as a
// std::filesystem::path made from a `Path`'s bytes: kept as they are on Linux, read as UTF-8 and
// held wide on Windows, where the program's own paths separate their parts with '/' as well.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48::platform {

// The file system's name of the bytes of a path, and back.
std::filesystem::path nativePath(std::string_view bytes);
std::string pathBytes(const std::filesystem::path& path);

#ifdef _WIN32
// UTF-8 to the system's wide (UTF-16) text and back, for Win32 calls.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
#endif

// std::fopen of `path`.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);
// A regular file (or what a symbolic link to one names), open for reading bytes; null with errno
// set for anything else. A named pipe is not waited on for a writer.
std::FILE* openRegularFile(const std::filesystem::path& path);
// A file that did not exist before, open for writing bytes; null with errno set when there is one
// of that name already (EEXIST) or none can be made.
std::FILE* createNewFile(const std::filesystem::path& path);
// Renames `from` over `to` in one step, replacing a file that is there; errno's value when that
// fails, else 0.
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file, when it is there.
void removeFile(const std::filesystem::path& path);
// Makes an existing file `size` bytes long with room for all of them taken on the disk now, so
// that writing them later cannot run out of it; errno's value when that fails, else 0.
int growFile(const std::filesystem::path& path, std::uintmax_t size);

// The running program's own file; empty when the system does not say.
std::filesystem::path runningProgram();

// Whether standard output or standard error is a terminal (a console window on Windows).
enum class StandardStream { Output, Error };
bool isTerminal(StandardStream stream);

// The user's home folder, and the folder where programs keep the user's settings (%APPDATA% on
// Windows, $XDG_CONFIG_HOME or ~/.config elsewhere); nullopt when the system names none.
std::optional<std::string> homeFolder();
std::optional<std::string> userSettingsFolder();

// An environment variable's value (UTF-8); nullopt when it is not set.
std::optional<std::string> environmentVariable(const char* name);

// A program's arguments after its name, as UTF-8 (`argv` itself on Linux; Windows hands main()
// its code page's bytes, so they are taken from the wide command line there).
std::vector<std::string> commandLineArguments(int argc, char* argv[]);
// Lets a terminal show UTF-8 and answer in it (Windows' console uses its code page otherwise).
void useUtf8Terminal();

// Ctrl-C held back while one lives: the key does not end the program meanwhile, and `pressed`
// tells whether it came since. On Linux a SIGTERM or SIGHUP (a kill, a closed terminal) counts as
// Ctrl-C too. Made before any thread starts, so that they inherit the holding.
class CtrlCWatch {
public:
    CtrlCWatch();
    ~CtrlCWatch();
    CtrlCWatch(const CtrlCWatch&) = delete;
    CtrlCWatch& operator=(const CtrlCWatch&) = delete;

    bool pressed() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zr48::platform
