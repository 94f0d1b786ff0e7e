#pragma once
// Where the programs find their data: the demonstration firmware and the sample device database.
// An installed tree keeps it in share/zr48/ beside the programs' bin/ folder, and the build folder
// is laid out the same way, so both are found from the program's own place.

#include "base/Paths.h"

#include <filesystem>

namespace zr48 {

// The sample device database below the data folder (the firmware updater names its own file).
inline constexpr const char* kSampleDatabaseFolder = "database/";

// The data folder of the program at `executable`, ending with a separator: share/zr48/ beside its
// folder when that exists, else the program's own folder; "" when `executable` is empty.
Path dataDirOf(const std::filesystem::path& executable);
// The data folder of the running program.
Path dataDir();

} // namespace zr48
