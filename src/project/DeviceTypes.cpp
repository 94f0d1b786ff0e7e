#include "project/DeviceTypes.h"

#include <string>

namespace zr48 {

const TDeviceTypeInfo* DeviceTypeInfo(std::uint16_t type)
{
    return type < kDeviceTypes.size() ? &kDeviceTypes[type] : nullptr;
}

Text SourceSelectText(std::uint16_t value)
{
    return value < kSourceSelectNames.size() ? Text(kSourceSelectNames[value]) : std::to_string(value);
}

} // namespace zr48
