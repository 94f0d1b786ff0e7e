// The platform seam on Linux (and other POSIX systems).

#include "base/Platform.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zr48::platform {

std::filesystem::path nativePath(std::string_view bytes)
{
    return std::filesystem::path(std::string(bytes));
}

std::string pathBytes(const std::filesystem::path& path)
{
    return path.string();
}

std::FILE* openFile(const std::filesystem::path& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::FILE* openRegularFile(const std::filesystem::path& path)
{
    // Opened without waiting: a named pipe would hold the open until something writes to it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

std::FILE* createNewFile(const std::filesystem::path& path)
{
    return std::fopen(path.c_str(), "wbx");
}

int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeFile(const std::filesystem::path& path)
{
    std::remove(path.c_str());
}

int growFile(const std::filesystem::path& path, std::uintmax_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = posix_fallocate(fd, 0, static_cast<off_t>(size));
    ::close(fd);
    return error;
}

std::filesystem::path runningProgram()
{
    // The kernel's link names the program itself, whatever link or relative path started it.
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : executable;
}

bool isTerminal(StandardStream stream)
{
    return isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) != 0;
}

std::optional<std::string> environmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::optional<std::string> homeFolder()
{
    const auto home = environmentVariable("HOME");
    return home && !home->empty() ? home : std::nullopt;
}

std::optional<std::string> userSettingsFolder()
{
    if (const auto config = environmentVariable("XDG_CONFIG_HOME"); config && !config->empty())
        return config;
    const auto home = homeFolder();
    return home ? std::optional<std::string>(*home + "/.config") : std::nullopt;
}

std::vector<std::string> commandLineArguments(int argc, char* argv[])
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

void useUtf8Terminal() {}

// The signals that ask a program to stop: Ctrl-C (SIGINT), a polite kill or a shutdown (SIGTERM),
// a closed terminal (SIGHUP). Each ends a transfer as its Cancel does, so that what the card holds
// is said and what was read is kept.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The stop signals are blocked and looked for among the pending signals.
struct CtrlCWatch::State {
    sigset_t set{};
    sigset_t previous{};
};

CtrlCWatch::CtrlCWatch() : state_(std::make_unique<State>())
{
    sigemptyset(&state_->set);
    for (const int signal : kStopSignals)
        sigaddset(&state_->set, signal);
    pthread_sigmask(SIG_BLOCK, &state_->set, &state_->previous);
}

CtrlCWatch::~CtrlCWatch()
{
    // Each pending stop signal was handled by whoever asked.
    const timespec none{};
    while (pressed() && sigtimedwait(&state_->set, nullptr, &none) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &state_->previous, nullptr);
}

bool CtrlCWatch::pressed() const
{
    sigset_t pending;
    sigpending(&pending);
    for (const int signal : kStopSignals) {
        if (sigismember(&pending, signal) == 1)
            return true;
    }
    return false;
}

} // namespace zr48::platform
