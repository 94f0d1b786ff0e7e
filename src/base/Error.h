#pragma once
// The error raised below the operations that report to the user themselves: its text is a
// message that the user can act on (UTF-8, like every message: it may name any path), shown by
// whoever catches it.

#include "base/Text.h"

#include <stdexcept>
#include <string>

namespace zr48 {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

} // namespace zr48
