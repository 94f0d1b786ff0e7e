#pragma once
// The error raised below the operations that report to the user themselves: its text is
// a Windows-1252 message that the user can act on, shown by whoever catches it.

#include "base/Text.h"

#include <stdexcept>

namespace zr48 {

class Error : public std::runtime_error {
public:
    explicit Error(const Text& message) : std::runtime_error(message) {}
    Text message() const { return what(); }
};

} // namespace zr48
