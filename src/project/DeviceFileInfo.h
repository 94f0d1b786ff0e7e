#pragma once
// What a device file tells the user besides what the unit reads: the texts of its options and the
// names of its remote-control keys.

#include "base/Text.h"

#include <array>
#include <string_view>
#include <vector>

namespace zr48 {

class TSimpleIniFile;

inline constexpr int kDeviceOptionCount = 9; // OPTION_1 to OPTION_9, as the card keeps them

// The user's text of each option: the value of OPTION_n after its first comma (what stands before
// it is for the unit); empty for an option the file does not offer.
std::array<Text, kDeviceOptionCount> DeviceOptionTexts(const TSimpleIniFile& file);

// The keys of a remote control that the file drives: its entries named "IR_" and a name, other than
// the timing table IR_TIME_0 to IR_TIME_9, in the order of the file, without the "IR_".
std::vector<Text> DeviceKeyNames(const TSimpleIniFile& file);

} // namespace zr48
