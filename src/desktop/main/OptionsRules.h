#pragma once
// The settings dialog's and the directory chooser's rules, free of Qt.

#include "base/Text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zr48 {

// A tolerance as its spin box shows it: a whole number is taken, anything else (an empty text
// included) stands for 1.
std::int32_t percentFromText(std::string_view text);

// Where the chooser opens for a start path: its directory part, everything before the last
// separator ("D:\P\" opens D:\P, "D:\P\x" opens D:\P as well); empty when there is none.
std::string chooserStartDirectory(std::string_view startPath);
// The chooser's answer: the chosen directory with a separator at its end.
std::string chosenDirectory(std::string_view directory);

} // namespace zr48
