// Bringing device files into a project's own folder: one slot at a time, or a whole project.

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "project/ProjectFile.h"

#include <filesystem>

namespace zr48 {

namespace {

namespace fs = std::filesystem;

bool SameModificationTime(const fs::path& a, const fs::path& b)
{
    std::error_code ecA;
    std::error_code ecB;
    const auto timeA = fs::last_write_time(a, ecA);
    const auto timeB = fs::last_write_time(b, ecB);
    return !ecA && !ecB && timeA == timeB;
}

// Copies like the desktop's file copy: the copy keeps the source's modification time. The target
// is replaced in one step (never deleted first), through the atomic write. False when the copy
// failed, which has been said, naming the file that could not be read or written.
bool CopyDeviceFile(const Path& source, const Path& target, Prompt& prompt)
{
    try {
        writeFileAtomically(target, readFileBytes(source));
    } catch (const Error& e) {
        prompt.error(e.message());
        return false;
    }
    std::error_code ec;
    const auto time = fs::last_write_time(toFsPath(source), ec);
    if (!ec)
        fs::last_write_time(toFsPath(target), time, ec);
    return true;
}

} // namespace

bool TProjectFile::AssignSlot(int i, const DEVICE_CONFIG& entry, Prompt& prompt)
{
    DEVICE_CONFIG& slot = Slot(i);
    slot.DeviceType = entry.DeviceType;
    slot.DeviceName = entry.DeviceName;
    slot.SourceSelect = entry.SourceSelect;
    slot.OptionList = entry.OptionList;
    slot.ConfigFile.clear();
    if (entry.DeviceType == 0 || entry.ConfigFile.empty())
        return true;
    if (!fileExists(entry.ConfigFile)) {
        prompt.error("Could not copy source file " + entry.ConfigFile);
        return false;
    }
    // A project path without a folder lies in the current folder (not in the root).
    const Path newPath =
        includeTrailingDelimiter(extractFilePath(withFolder(FileName))) + extractFileName(entry.ConfigFile);
    bool copied = true;
    // Two names of one file (a folder reached through a link, say) need no copy; and a copy over
    // its own source would destroy it.
    if (!sameFile(newPath, entry.ConfigFile)) {
        Answer answer = Answer::Yes;
        if (fileExists(newPath) && !SameModificationTime(toFsPath(entry.ConfigFile), toFsPath(newPath)))
            answer = prompt.confirm("Overwrite current Device File?\n" + extractFileName(newPath), Buttons::YesNo);
        if (answer == Answer::Yes)
            copied = CopyDeviceFile(entry.ConfigFile, newPath, prompt);
    }
    slot.ConfigFile = newPath;
    return copied;
}

TProjectFile::CopyResult TProjectFile::CopyProject(std::string_view source, std::string_view target, Prompt& prompt)
{
    if (sameFile(source, target)) {
        prompt.error("The project \"" + shownPath(target) +
                     "\" is the project to be copied; it is not copied onto itself.");
        return CopyResult::Failed;
    }
    TProjectFile original;
    original.Load(source);
    FileName = Path(target);
    // A folder that takes no files is said once, not once for every device file.
    try {
        checkFolderWritable(extractFilePath(withFolder(target)));
    } catch (const Error& e) {
        prompt.error(e.message());
        return CopyResult::Failed;
    }
    bool complete = true;
    for (int i = 0; i < kSlotCount; ++i)
        complete = AssignSlot(i, original.Slot(i), prompt) && complete;
    Description = {"*** Project copied from " + pathToText(source) + " ***", ""};
    Description.insert(Description.end(), original.Description.begin(), original.Description.end());
    ProjectInfo = original.ProjectInfo;
    Save(target);
    return complete ? CopyResult::Complete : CopyResult::Incomplete;
}

} // namespace zr48
