#include "support/TempDir.h"

#include "base/Paths.h"

#include <fstream>
#include <random>
#include <sstream>

namespace zr48::test {

TempDir::TempDir()
{
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("zr48-test-" + std::to_string(seed()));
        if (std::filesystem::create_directory(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Path TempDir::text(std::string_view relative) const
{
    Path out = fromFsPath(path_) + "/";
    out += relative;
    return out;
}

Path TempDir::write(std::string_view relative, std::string_view bytes) const
{
    const Path path = text(relative);
    const auto fsPath = toFsPath(path);
    std::filesystem::create_directories(fsPath.parent_path());
    std::ofstream(fsPath, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string fileContents(std::string_view path)
{
    std::ifstream in(toFsPath(path), std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace zr48::test
