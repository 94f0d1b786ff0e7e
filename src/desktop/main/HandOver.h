#pragma once
// What a second start of zr48pm hands to the running program: the files it was asked to open, each
// an absolute path ended by a NUL byte (a path may hold any other byte, a line break included).
// The running program answers each path it took with one byte, kHandOverTaken. A start that named
// its link (--link) first sends that link: the running program takes the start's files only when it
// runs on the same unit, and answers kHandOverRefused otherwise.

#include "base/Paths.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

inline constexpr char kHandOverTaken = '+';
inline constexpr char kHandOverRefused = '-';

std::string handOverMessage(const Path& absolutePath);
// The whole paths that `buffer` holds, taken out of it; an unfinished one stays for the next read.
std::vector<Path> takeHandedOverPaths(std::string& buffer);

// The link of a start that named one, as the first record of its hand-over. No absolute path
// begins as it does.
std::string handOverLinkMessage(const std::string& target);
// The link target of a record taken by takeHandedOverPaths; nothing for a path.
std::optional<std::string> handedOverLink(std::string_view record);

// Whether two link targets reach the same unit: the same converter (by serial number, or the same
// device, its links followed) or the simulator on the same card file. The simulator without a card
// file is a unit of every program's own; a target that is no link reaches nothing.
bool sameUnit(std::string_view a, std::string_view b);

// The target with the path of tty: and sim: made absolute (from the current folder), so that it
// names the same file in another program.
std::string absoluteLinkTarget(std::string_view target);

// Where the running program listens: one place per user. In the user's runtime folder when there is
// one (`runtimeDir`, only the user may enter it), else in the temporary folder under the user's name.
std::string handOverServerName(const std::string& runtimeDir, const std::string& tempDir, const std::string& user);

} // namespace zr48
