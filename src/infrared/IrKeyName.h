#pragma once
// The key a button's name becomes in a device file, as an installer reads it: upper case, words
// joined by "_", "+" and a trailing "-" spelled out (VOL_PLUS, CH_MINUS), accented and Cyrillic
// letters transliterated (LAUTSTAERKE, GROMKOST), anything else a word break.

#include "base/Text.h"

#include <string>
#include <string_view>

namespace zr48 {

struct IrKeyName {
    Text key;           // A-Z, 0-9 and "_" only; "BUTTON" for a name without a letter or digit
    std::string reason; // why it is not the name in upper case as it stands; empty when it is
};

// `name` is UTF-8, or Windows-1252 where it is not valid UTF-8.
IrKeyName irKeyName(std::string_view name);

} // namespace zr48
