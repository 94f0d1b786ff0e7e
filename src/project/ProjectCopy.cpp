// Bringing device files into a project's own folder: one slot at a time, or a whole project.

#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "project/ProjectFile.h"

#include <filesystem>

namespace zr48 {

namespace {

namespace fs = std::filesystem;

// Copies like the desktop's file copy: the copy keeps the source's modification time, and an
// existing target is left alone. Returns the system's reason when the copy fails.
std::optional<Text> CopyKeepingTime(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    if (!fs::copy_file(from, to, fs::copy_options::none, ec))
        return fromUtf8(ec ? ec.message() : "the file exists");
    const auto time = fs::last_write_time(from, ec);
    if (!ec)
        fs::last_write_time(to, time, ec);
    return std::nullopt;
}

bool SameModificationTime(const fs::path& a, const fs::path& b)
{
    std::error_code ecA;
    std::error_code ecB;
    const auto timeA = fs::last_write_time(a, ecA);
    const auto timeB = fs::last_write_time(b, ecB);
    return !ecA && !ecB && timeA == timeB;
}

} // namespace

void TProjectFile::AssignSlot(int i, const DEVICE_CONFIG& entry, Prompt& prompt)
{
    DEVICE_CONFIG& slot = Slot(i);
    slot.DeviceType = entry.DeviceType;
    slot.DeviceName = entry.DeviceName;
    slot.SourceSelect = entry.SourceSelect;
    slot.OptionList = entry.OptionList;
    slot.ConfigFile.clear();
    if (entry.DeviceType == 0)
        return;
    if (!fileExists(entry.ConfigFile)) {
        if (!entry.ConfigFile.empty())
            prompt.error("Could not copy source file " + entry.ConfigFile);
        return;
    }
    const Text newPath = includeTrailingDelimiter(extractFilePath(FileName)) + extractFileName(entry.ConfigFile);
    if (!sameText(newPath, entry.ConfigFile)) {
        const fs::path source = toFsPath(entry.ConfigFile);
        const fs::path target = toFsPath(newPath);
        Answer answer = Answer::Yes;
        const bool targetExists = fileExists(newPath);
        if (targetExists && !SameModificationTime(source, target))
            answer = prompt.confirm("Overwrite current Device File?\n" + extractFileName(newPath), Buttons::YesNo);
        if (answer == Answer::Yes) {
            std::error_code ignored;
            fs::remove(target, ignored);
            if (const auto reason = CopyKeepingTime(source, target))
                prompt.error("Could not copy source file " + entry.ConfigFile + "\n" + *reason);
        }
    }
    slot.ConfigFile = newPath;
}

void TProjectFile::CopyProject(std::string_view source, std::string_view target, Prompt& prompt)
{
    TProjectFile original;
    original.Load(source);
    FileName = Text(target);
    for (int i = 0; i < kSlotCount; ++i)
        AssignSlot(i, original.Slot(i), prompt);
    Description = {"*** Project copied from " + Text(source) + " ***", ""};
    Description.insert(Description.end(), original.Description.begin(), original.Description.end());
    ProjectInfo = original.ProjectInfo;
    Save(target);
}

} // namespace zr48
