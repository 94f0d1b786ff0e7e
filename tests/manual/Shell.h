#pragma once
// Runs a shell command line in a test and collects what it writes.

#include <array>
#include <cstdio>
#include <string>

namespace zr48::test {

struct ShellResult {
    std::string output;
    int status = -1;
};

// Standard output (and standard error when the command line sends it there) of `command`.
inline ShellResult runShell(const std::string& command)
{
    ShellResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        result.output.append(buffer.data(), n);
    result.status = pclose(pipe);
    return result;
}

// `text` in single quotes for the shell.
inline std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace zr48::test
