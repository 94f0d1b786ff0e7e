#pragma once
// The kinds of device a slot can hold, and the receiver sources a device can be connected to.

#include "base/Text.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace zr48 {

struct TDeviceTypeInfo {
    std::string_view Name; // at most 31 bytes, Windows-1252
    bool UsesSourceSelect;
    bool HasDeviceName;
    bool HasOptions;
    std::uint16_t DataSectors;
    std::uint16_t FileSectors; // 0: the type takes no device file
};

inline constexpr int kDeviceTypeCount = 10;

inline constexpr std::array<TDeviceTypeInfo, kDeviceTypeCount> kDeviceTypes = {{
    {"No Device", false, false, false, 0, 0},
    {"K73 FM-Tuner", true, true, false, 4, 8},
    {"Original RT4", true, true, false, 0, 8},
    {"K20/K22 Server", true, true, false, 2048, 8},
    {"Feller BEAMIT\xAE", false, true, false, 0, 16},
    {"Infrared (RC5)", true, true, true, 0, 16},
    {"Infrared (RAW)", true, true, true, 0, 32},
    {"K73 SAT Module", true, true, false, 256, 8},
    {"K20/K22 Server (Track)", true, true, false, 8192, 8},
    {"Multi Media Module", true, true, false, 128, 8},
}};

// The table entry of a device type, or nullptr for a value outside the table (such a value can
// only come from a project file edited by hand).
const TDeviceTypeInfo* DeviceTypeInfo(std::uint16_t type);

inline constexpr std::array<std::string_view, 18> kSourceSelectNames = {
    "None",   "Tuner",  "DVD",    "Tape",   "Aux/Server", "Aux2",   "Aux3",   "Local",  "TV",
    "Video1", "Video2", "Video3", "Video4", "Video5",     "Video6", "Local1", "Local2", "Local3",
};

// The text of a source select value; the number itself for a value outside the list.
Text SourceSelectText(std::uint16_t value);

} // namespace zr48
