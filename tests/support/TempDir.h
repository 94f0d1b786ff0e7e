#pragma once
// A fresh folder for one test, removed with everything in it at the end.

#include "base/Paths.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zr48::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path below the folder (the file system's bytes), with the native separator.
    Path text(std::string_view relative = {}) const;
    // Writes bytes to a file below the folder (creating its folders) and returns its path.
    Path write(std::string_view relative, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// The bytes of a file, read straight from the file system (not through the code under test); empty
// when it cannot be read.
std::string fileContents(std::string_view path);

} // namespace zr48::test
