// The unpacker on any image: it writes only the project file and the device files of the 63 slots
// beside the image, never elsewhere; no device file is larger than its slot's area; and the project
// file it writes reads back to the same text.

#include "FuzzSupport.h"

#include "base/FileIo.h"
#include "project/ImageReader.h"
#include "project/ProjectFile.h"

#include <array>
#include <fstream>
#include <iterator>

using namespace zr48;

namespace {

constexpr std::size_t kRecordSize = 514;
constexpr int kSlots = 63;

// The device file area of each slot in sectors, read from the raw directory records the way the
// unpacker counts slots: every record numbered 0 to 8 fills the next seven, in file order.
std::array<std::uint32_t, kSlots> AreaSectors(std::string_view image, std::array<bool, kSlots>& assigned)
{
    std::array<std::uint32_t, kSlots> sectors{};
    int slot = 0;
    for (std::size_t at = 0; at + kRecordSize <= image.size(); at += kRecordSize) {
        const auto byte = [&](std::size_t offset) { return static_cast<std::uint8_t>(image[at + offset]); };
        const unsigned number = byte(0) | byte(1) << 8;
        if (number > 8)
            continue;
        for (int i = 0; i < 7 && slot < kSlots; ++i, ++slot) {
            const std::size_t descriptor = 2 + 64 * static_cast<std::size_t>(i);
            assigned[static_cast<std::size_t>(slot)] = byte(descriptor) != 0;
            sectors[static_cast<std::size_t>(slot)] = byte(descriptor + 4) | byte(descriptor + 5) << 8;
        }
    }
    return sectors;
}

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path root = fuzz::scratchFolder() / "unpack";
    const std::filesystem::path folder = root / "Project";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(folder);
    const std::filesystem::path image = folder / "Fuzz.mpd";
    {
        std::ofstream out(image, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    fuzz::SilentPrompt prompt;
    const bool unpacked = UnpackImage(image.string(), prompt);

    std::array<bool, kSlots> assigned{};
    const auto areas = AreaSectors(fuzz::asText(data, size), assigned);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::filesystem::path relative = std::filesystem::relative(entry.path(), root);
        if (relative == "Project")
            continue;
        FUZZ_CHECK(relative.parent_path() == "Project", "written outside the image's folder: " + relative.string());
        const std::string name = relative.filename().string();
        if (name == "Fuzz.mpd" || name == "Fuzz.mpj")
            continue;
        FUZZ_CHECK(name.starts_with("Fuzz_") && name.ends_with(".mpi"), "a file of no slot: " + name);
        const std::string number = name.substr(5, name.size() - 9);
        FUZZ_CHECK(!number.empty() && number.size() <= 2 && number[0] != '0' &&
                       number.find_first_not_of("0123456789") == std::string::npos,
                   "a file of no slot: " + name);
        const int slot = std::stoi(number) - 1;
        FUZZ_CHECK(slot < kSlots && assigned[static_cast<std::size_t>(slot)],
                   "a device file of an empty slot: " + name);
        const std::uintmax_t limit = areas[static_cast<std::size_t>(slot)] * 512u - 64u;
        FUZZ_CHECK(areas[static_cast<std::size_t>(slot)] > 0 && entry.file_size() <= limit,
                   name + " holds " + std::to_string(entry.file_size()) + " bytes, its area " +
                       std::to_string(areas[static_cast<std::size_t>(slot)]) + " sectors");
    }

    const std::filesystem::path projectFile = folder / "Fuzz.mpj";
    FUZZ_CHECK(unpacked == std::filesystem::exists(projectFile), "the result does not match the project file");
    if (unpacked) {
        TProjectFile project;
        project.Load(projectFile.string());
        const std::string written = readAll(projectFile);
        const Text again = project.SaveText(projectFile.string());
        FUZZ_CHECK(again == written, "the unpacked project reads back differently:\n" + written + "\n---\n" + again);
    }
    std::filesystem::remove_all(root);
    return 0;
}
