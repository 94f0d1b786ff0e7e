#include "project/DeviceFileInfo.h"

#include "project/SimpleIniFile.h"

namespace zr48 {

namespace {

bool IsTimingTableEntry(std::string_view name)
{
    return name.size() == 9 && name.substr(0, 8) == "IR_TIME_" && name[8] >= '0' && name[8] <= '9';
}

} // namespace

std::array<Text, kDeviceOptionCount> DeviceOptionTexts(const TSimpleIniFile& file)
{
    std::array<Text, kDeviceOptionCount> texts;
    for (int n = 1; n <= kDeviceOptionCount; ++n) {
        Text value = file.ReadString("OPTION_" + std::to_string(n), "");
        if (const size_t comma = value.find(','); comma != Text::npos)
            value.erase(0, comma + 1);
        texts[static_cast<std::size_t>(n - 1)] = std::move(value);
    }
    return texts;
}

std::vector<Text> DeviceKeyNames(const TSimpleIniFile& file)
{
    std::vector<Text> keys;
    for (const Text& name : file.EntryNames()) {
        const Text upper = upperCase(name);
        if (upper.size() > 3 && upper.starts_with("IR_") && !IsTimingTableEntry(upper))
            keys.push_back(name.substr(3));
    }
    return keys;
}

} // namespace zr48
