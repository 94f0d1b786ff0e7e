#include "project/ProjectFile.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "project/ProjectIniReader.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace zr48 {

namespace {

constexpr std::string_view kProjectSection = "PROJECT";

std::vector<Text> ReadNumberedLines(const ProjectIniReader& ini, std::string_view prefix)
{
    std::vector<Text> lines;
    for (int n = 0;; ++n) {
        auto value = ini.Value(kProjectSection, Text(prefix) + std::to_string(n));
        if (!value)
            return lines;
        lines.push_back(std::move(*value));
    }
}

void AppendLine(Text& out, std::string_view line)
{
    out += line;
    out += "\r\n";
}

// One "KEY=value" line, written so that the reader gives the value back as it is: as it stands
// when the reader would not change it, otherwise inside one pair of double quotes (the reader
// drops blanks around a value and one pair of enclosing quotes, nothing inside them). A value with
// a line break, or one longer than the reader reads, cannot be stored: the save is refused.
void AppendEntry(Text& out, std::string_view projectPath, std::string_view section, std::string_view key,
                 std::string_view value)
{
    const auto refuse = [&](std::string_view reason) {
        throw Error("Cannot save the project \"" + shownPath(projectPath) + "\":\nthe value of " + Text(key) + " in [" +
                    Text(section) + "] " + Text(reason) + ".");
    };
    if (value.find_first_of("\r\n") != std::string_view::npos)
        refuse("holds a line break");
    static_assert(ProjectIniReader::kMaxValueLength == 2047, "the message names the limit");
    if (value.size() > ProjectIniReader::kMaxValueLength)
        refuse("is longer than 2,047 characters");
    out += key;
    out += '=';
    if (ProjectIniReader::ValueOf(value) == value) {
        out += value;
    } else {
        out += '"';
        out += value;
        out += '"';
    }
    out += "\r\n";
}

} // namespace

TProjectFile::TProjectFile()
{
    for (int i = 0; i < kSlotCount; ++i)
        Devices[static_cast<size_t>(i)].SlotName = SlotName(i);
}

Text TProjectFile::SlotName(int i)
{
    Text name(kGroupNames.at(static_cast<size_t>(i / kSlotsPerGroup)));
    if (i % kSlotsPerGroup != 0)
        name += "-" + std::to_string(i % kSlotsPerGroup);
    return name;
}

int TProjectFile::SlotIndexByName(std::string_view name) const
{
    for (int i = 0; i < kSlotCount; ++i) {
        if (sameText(Devices[static_cast<size_t>(i)].SlotName, name))
            return i;
    }
    return 0;
}

DEVICE_CONFIG& TProjectFile::SlotByName(std::string_view name)
{
    return Slot(SlotIndexByName(name));
}

void TProjectFile::ClearSlot(DEVICE_CONFIG& slot)
{
    slot.DeviceType = 0;
    slot.SourceSelect = 0;
    slot.DeviceName.clear();
    slot.ConfigFile.clear();
    slot.OptionList.clear();
}

void TProjectFile::Load(std::string_view path)
{
    const ProjectIniReader ini = ProjectIniReader::FromFile(path);
    const Path savedDirectory = ini.ReadPath(kProjectSection, "PATH");
    Description = ReadNumberedLines(ini, "DESCRIPTION_");
    ProjectInfo = ReadNumberedLines(ini, "PROJECTINFO_");
    const Path directory = extractFilePath(path);
    for (DEVICE_CONFIG& slot : Devices) {
        slot.DeviceType = ini.ReadWord(slot.SlotName, "DEVICE_TYPE", 0);
        slot.DeviceName = ini.ReadString(slot.SlotName, "DEVICE_NAME", "");
        slot.SourceSelect = ini.ReadWord(slot.SlotName, "K73_SELECT", 0);
        slot.ConfigFile = ini.ReadPath(slot.SlotName, "CONFIG_FILE");
        slot.OptionList = ini.ReadString(slot.SlotName, "OPTION_LIST", "");
        // Device files kept in the project's own folder follow the project file (unless the
        // path would grow past what a value holds, when it could not be saved again).
        if (!slot.ConfigFile.empty() && extractFilePath(slot.ConfigFile) == savedDirectory) {
            Path relocated = directory + extractFileName(slot.ConfigFile);
            if (relocated.size() <= ProjectIniReader::kMaxValueLength)
                slot.ConfigFile = std::move(relocated);
        }
    }
    FileName = Path(path);
}

bool TProjectFile::HasPathBeyondUtf8(std::string_view path) const
{
    if (!isValidUtf8(extractFilePath(path)))
        return true;
    return std::any_of(Devices.begin(), Devices.end(),
                       [](const DEVICE_CONFIG& slot) { return slot.DeviceType != 0 && !isValidUtf8(slot.ConfigFile); });
}

Text TProjectFile::SaveText(std::string_view path) const
{
    Text out;
    AppendLine(out, "[PROJECT]");
    AppendEntry(out, path, kProjectSection, "PATH", extractFilePath(path));
    // A name that is not UTF-8 would read back as Windows-1252, naming another file: the file says
    // that its paths are bytes.
    if (HasPathBeyondUtf8(path))
        AppendEntry(out, path, kProjectSection, ProjectIniReader::kPathBytesKey, ProjectIniReader::kPathBytesValue);
    for (size_t n = 0; n < Description.size(); ++n)
        AppendEntry(out, path, kProjectSection, "DESCRIPTION_" + std::to_string(n), Description[n]);
    for (size_t n = 0; n < ProjectInfo.size(); ++n)
        AppendEntry(out, path, kProjectSection, "PROJECTINFO_" + std::to_string(n), ProjectInfo[n]);
    AppendLine(out, "");
    for (const DEVICE_CONFIG& slot : Devices) {
        if (slot.DeviceType == 0)
            continue;
        const std::string_view section = slot.SlotName;
        AppendLine(out, "[" + slot.SlotName + "]");
        AppendEntry(out, path, section, "DEVICE_TYPE", std::to_string(slot.DeviceType));
        AppendEntry(out, path, section, "DEVICE_NAME", slot.DeviceName);
        AppendEntry(out, path, section, "K73_SELECT", std::to_string(slot.SourceSelect));
        AppendEntry(out, path, section, "CONFIG_FILE", slot.ConfigFile);
        AppendEntry(out, path, section, "OPTION_LIST", slot.OptionList);
        AppendLine(out, "");
    }
    return out;
}

void TProjectFile::Save(std::string_view path)
{
    writeFileAtomically(path, SaveText(path));
    FileName = Path(path);
}

std::optional<std::string> ProjectFileProblem(std::string_view path)
{
    if (auto reason = notAFileReason(path))
        return reason;
    std::optional<Bytes> bytes;
    try {
        bytes = readFileBytesUpTo(path, kMaxProjectFileBytes);
    } catch (const Error& e) {
        // The system's reason, without the sentence that names the file.
        const std::string& message = e.message();
        return "it cannot be read (" + message.substr(message.find('\n') + 1) + ")";
    }
    if (!bytes)
        return "it is larger than " + std::to_string(kMaxProjectFileBytes / (1024 * 1024)) +
               " MiB, which no project file is";
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (const std::size_t at = firstBinaryByte(text); at != std::string_view::npos)
        return binaryDataReason(text, at);
    const ProjectIniReader ini = ProjectIniReader::FromBytes(text);
    if (ini.HasSection(kProjectSection))
        return std::nullopt;
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        if (ini.HasSection(TProjectFile::SlotName(i)))
            return std::nullopt;
    }
    return "it has neither a [PROJECT] section nor a slot section such as [TUNER]";
}

std::string ProjectFileProblemMessage(std::string_view path, const std::string& problem)
{
    if (problem == kNoSuchFile)
        return "Cannot find the project file \"" + shownPath(path) + "\".";
    return "The file \"" + shownPath(path) + "\" is not a project file: " + problem + ".";
}

} // namespace zr48
