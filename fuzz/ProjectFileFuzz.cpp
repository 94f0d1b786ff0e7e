// The project file both ways. From a file: whatever it held, the project loaded from it saves, and
// loading and saving that file again gives the same bytes. From texts: any description line, menu
// line, device name, device file or option list either saves and loads back exactly as it was, or
// the save is refused because it holds a line break or is longer than the reader reads.

#include "FuzzSupport.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <fstream>
#include <vector>

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

// Texts cut from the input at a separator byte: description lines, menu lines and the text fields
// of three slots.
void saveAndLoadTexts(std::string_view input, const Text& path)
{
    if (input.empty())
        return;
    const char separator = input.front();
    input.remove_prefix(1);
    std::vector<Text> texts;
    for (std::size_t at = 0; at <= input.size() && texts.size() < 13;) {
        const std::size_t end = std::min(input.find(separator, at), input.size());
        texts.emplace_back(input.substr(at, end - at));
        at = end + 1;
    }
    TProjectFile project;
    std::size_t next = 0;
    const auto text = [&]() -> Text { return next < texts.size() ? texts[next++] : Text(); };
    project.Description = {text(), text()};
    project.ProjectInfo = {text(), text()};
    for (int slot : {0, 9, 62}) {
        DEVICE_CONFIG& d = project.Slot(slot);
        d.DeviceType = static_cast<std::uint16_t>(slot + 1);
        d.DeviceName = text();
        d.ConfigFile = text();
        d.OptionList = text();
    }
    Text once;
    try {
        once = project.SaveText(path);
    } catch (const Error& e) {
        const bool storable = std::all_of(texts.begin(), texts.end(), [](const Text& t) {
            return t.size() <= 2047 && t.find_first_of("\r\n") == Text::npos;
        });
        FUZZ_CHECK(!storable, "a storable text was refused: " + e.message());
        return;
    }
    writePlain(path, once);
    TProjectFile back;
    back.Load(path);
    FUZZ_CHECK(back.Description == project.Description, "a description line changed");
    FUZZ_CHECK(back.ProjectInfo == project.ProjectInfo, "a menu line changed");
    for (int slot : {0, 9, 62})
        FUZZ_CHECK(back.Slot(slot) == project.Slot(slot),
                   describe(project.Slot(slot)) + " became " + describe(back.Slot(slot)));
    FUZZ_CHECK(back.SaveText(path) == once, "the second save differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path folder = fuzz::scratchFolder() / "project";
    std::filesystem::create_directories(folder);
    const Text input = (folder / "input.mpj").string();
    const Text saved = (folder / "saved.mpj").string();
    // An input that starts with a zero byte is a set of texts; any other a project file.
    if (size > 0 && data[0] == 0) {
        saveAndLoadTexts(fuzz::asText(data + 1, size - 1), saved);
        return 0;
    }
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
