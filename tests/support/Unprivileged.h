#pragma once
// Runs a piece of a test as a user without special rights, so that a file the test made
// unreadable is unreadable also when the tests run as root.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zr48::test {

// Runs `work` in a child process that holds no rights over others' files: as root, the child
// becomes the user "nobody" (65534) first. Returns what `work` returned, or nothing when the child
// could not drop its rights or ended abnormally. `work` must not use the test framework's checks.
std::optional<std::string> runUnprivileged(const std::function<std::string()>& work);
// The same for work that answers several texts (results, messages), none holding the byte 0x1F.
std::optional<std::vector<std::string>> runUnprivilegedParts(const std::function<std::vector<std::string>()>& work);

} // namespace zr48::test
