#pragma once
// The folder of a benchmark program's files, made at first use and removed when the program ends,
// and a fresh copy of the sample project in it.

#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace zr48::bench {

// "zr48-NAME-PID" in the temporary folder; every call of a program must give the same name.
inline const std::filesystem::path& workFolder(const std::string& name)
{
    class Folder {
    public:
        explicit Folder(const std::string& name)
            : path_(std::filesystem::temp_directory_path() / ("zr48-" + name + "-" + std::to_string(::getpid())))
        {
            std::filesystem::create_directories(path_);
        }
        ~Folder()
        {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
        const std::filesystem::path& path() const { return path_; }

    private:
        std::filesystem::path path_;
    };
    static const Folder folder(name);
    return folder.path();
}

// The sample project Villa copied into `folder` anew (a run may have changed the last copy).
inline std::filesystem::path freshVilla(const std::filesystem::path& folder)
{
    const auto target = folder / "Villa";
    std::filesystem::remove_all(target);
    std::filesystem::copy(std::filesystem::path(ZR48_EXAMPLES_DIR) / "projects" / "Villa", target);
    return target;
}

} // namespace zr48::bench
