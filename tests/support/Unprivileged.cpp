#include "support/Unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

namespace zr48::test {

std::optional<std::string> runUnprivileged(const std::function<std::string()>& work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(fds[0]);
        constexpr gid_t kNobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(3);
        std::string result;
        try {
            result = work();
        } catch (...) {
            _exit(4);
        }
        for (std::size_t at = 0; at < result.size();) {
            const ssize_t put = write(fds[1], result.data() + at, result.size() - at);
            if (put <= 0)
                _exit(5);
            at += static_cast<std::size_t>(put);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

std::optional<std::vector<std::string>> runUnprivilegedParts(const std::function<std::vector<std::string>()>& work)
{
    constexpr char kSeparator = '\x1F';
    const auto joined = runUnprivileged([&] {
        std::string out;
        for (const std::string& part : work())
            out += part + kSeparator;
        return out;
    });
    if (!joined)
        return std::nullopt;
    std::vector<std::string> parts;
    std::string part;
    for (const char c : *joined) {
        if (c == kSeparator)
            parts.push_back(std::exchange(part, {}));
        else
            part += c;
    }
    return parts;
}

} // namespace zr48::test
