// The project-file reader on any bytes, and what saving makes of it: whatever a file held, the
// project loaded from it saves, and loading and saving that file again gives the same bytes.

#include "FuzzSupport.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "project/ProjectFile.h"

#include <fstream>

using namespace zr48;

namespace {

void writePlain(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good(), "cannot write " + path.string());
}

std::string describe(const DEVICE_CONFIG& slot)
{
    return slot.SlotName + ": type " + std::to_string(slot.DeviceType) + " name [" + slot.DeviceName + "] file [" +
           slot.ConfigFile + "] options [" + slot.OptionList + "]";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path folder = fuzz::scratchFolder() / "project";
    std::filesystem::create_directories(folder);
    const Text input = (folder / "input.mpj").string();
    const Text saved = (folder / "saved.mpj").string();
    writePlain(input, fuzz::asText(data, size));

    TProjectFile first;
    first.Load(input);
    Text once;
    try {
        once = first.SaveText(saved);
    } catch (const Error& e) {
        fuzz::fail(__FILE__, __LINE__, "a loaded project saves", e.message());
    }
    writePlain(saved, once);

    TProjectFile second;
    second.Load(saved);
    FUZZ_CHECK(second.Description == first.Description, "the description changed");
    FUZZ_CHECK(second.ProjectInfo == first.ProjectInfo, "the menu lines changed");
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        const DEVICE_CONFIG& a = first.Slot(i);
        const DEVICE_CONFIG& b = second.Slot(i);
        // A slot without a device leaves no trace in the file; every other one comes back whole.
        if (a.DeviceType == 0)
            FUZZ_CHECK(b.DeviceType == 0, describe(a) + " became " + describe(b));
        else
            FUZZ_CHECK(a == b, describe(a) + " became " + describe(b));
    }
    const Text twice = second.SaveText(saved);
    FUZZ_CHECK(twice == once, "the second save differs:\n" + once + "\n---\n" + twice);
    return 0;
}
