#pragma once
// The about box's text, free of Qt.

#include "base/Text.h"

#include <vector>

namespace zr48 {

// "2.1.0, 57": major, minor, release and build.
Text softwareVersionText(int major, int minor, int release, int build);
// The software version of this build.
Text softwareVersion();

// The lines of the about box.
std::vector<Text> aboutLines(const Text& softwareVersion, const Text& firmwareVersion, const Text& databaseVersion);

} // namespace zr48
