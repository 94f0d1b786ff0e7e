#include "desktop/main/AboutText.h"

#include "base/Version.h"

#include <string>

namespace zr48 {

Text softwareVersionText(int major, int minor, int release, int build)
{
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) + ", " +
           std::to_string(build);
}

Text softwareVersion()
{
    return softwareVersionText(kVersionMajor, kVersionMinor, kVersionPatch, kVersionBuild);
}

std::vector<Text> aboutLines(const Text& softwareVersion, const Text& firmwareVersion, const Text& databaseVersion)
{
    return {"Keldo ZR48 Project Manager", "--------------------------", "Software Version: " + softwareVersion,
            "Firmware Version: " + firmwareVersion, "Database Version: " + databaseVersion};
}

} // namespace zr48
