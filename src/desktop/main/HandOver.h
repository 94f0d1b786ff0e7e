#pragma once
// What a second start of zr48pm hands to the running program: the files it was asked to open, each
// an absolute path ended by a NUL byte (a path may hold any other byte, a line break included).
// The running program answers each path it took with one byte, kHandOverTaken.

#include "base/Paths.h"

#include <string>
#include <vector>

namespace zr48 {

inline constexpr char kHandOverTaken = '+';

std::string handOverMessage(const Path& absolutePath);
// The whole paths that `buffer` holds, taken out of it; an unfinished one stays for the next read.
std::vector<Path> takeHandedOverPaths(std::string& buffer);

// Where the running program listens: one place per user. In the user's runtime folder when there is
// one (`runtimeDir`, only the user may enter it), else in the temporary folder under the user's name.
std::string handOverServerName(const std::string& runtimeDir, const std::string& tempDir, const std::string& user);

} // namespace zr48
