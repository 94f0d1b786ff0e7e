#include "cli/CommandsProject.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/Json.h"
#include "project/ProjectFile.h"
#include "project/ProjectPaths.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace zr48::cli {

namespace {

// Columns of the slot table, sized to their widest cell. Cells are UTF-8 for the terminal (texts
// of the project converted, paths as they are), measured in characters.
class Table {
public:
    explicit Table(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void print(std::ostream& out, const char* indent) const
    {
        std::vector<size_t> widths(rows_.front().size(), 0);
        for (const auto& row : rows_) {
            for (size_t c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], width(row[c]));
        }
        for (const auto& row : rows_) {
            std::string line = indent;
            for (size_t c = 0; c < row.size(); ++c) {
                line += row[c];
                if (c + 1 < row.size())
                    line += std::string(widths[c] - width(row[c]) + 2, ' ');
            }
            out << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
        }
    }

private:
    static size_t width(const std::string& cell) { return utf8Characters(cell).size(); }
    std::vector<std::vector<std::string>> rows_;
};

// "1,3,9" for the options switched on, "-" when none.
Text OptionsOn(const Text& optionList)
{
    Text on;
    for (size_t i = 0; i < optionList.size(); ++i) {
        if (optionList[i] == '1')
            on += (on.empty() ? "" : ",") + std::to_string(i + 1);
    }
    return on.empty() ? "-" : on;
}

// A device file of the project's own folder shows as "[PROJECT]", the folder's separator and its
// name, as the project window shows it.
std::string ShownDeviceFile(const TProjectFile& project, const DEVICE_CONFIG& slot)
{
    if (slot.ConfigFile.empty())
        return "-";
    return shownPath(DisplayPath(slot.ConfigFile, projectFolderOf(project.FileName)));
}

// The slots that hold a device, with what `show` says of each.
struct ShownSlot {
    int index;
    const DEVICE_CONFIG* slot;
    std::string deviceFile; // as shown: [PROJECT]/NAME for the project's own folder, "-" for none
    bool missing;           // a device file is named but not there
};

std::vector<ShownSlot> shownSlots(const TProjectFile& project)
{
    std::vector<ShownSlot> slots;
    for (std::size_t i = 0; i < project.Devices.size(); ++i) {
        const DEVICE_CONFIG& slot = project.Devices[i];
        if (slot.DeviceType == 0)
            continue;
        const bool missing = !slot.ConfigFile.empty() && !fileExists(slot.ConfigFile);
        std::string shown = ShownDeviceFile(project, slot);
        if (missing)
            shown += "  (missing)";
        slots.push_back({static_cast<int>(i), &slot, std::move(shown), missing});
    }
    return slots;
}

std::string typeName(std::uint16_t deviceType)
{
    const TDeviceTypeInfo* type = DeviceTypeInfo(deviceType);
    return type ? toUtf8(type->Name) : "unknown type " + std::to_string(deviceType);
}

void showAsJson(std::ostream& out, const Path& path, const TProjectFile& project)
{
    JsonWriter json(out);
    json.beginObject().field("project", path);
    json.key("description").beginArray();
    for (const Text& line : project.Description)
        json.string(toUtf8(line));
    json.endArray().key("menuLines").beginArray();
    for (const Text& line : project.ProjectInfo)
        json.string(toUtf8(line));
    json.endArray().numberField("slotCount", TProjectFile::kSlotCount).key("slots").beginArray();
    for (const ShownSlot& shown : shownSlots(project)) {
        const DEVICE_CONFIG& slot = *shown.slot;
        json.beginObject()
            .numberField("index", shown.index)
            .field("slot", toUtf8(slot.SlotName))
            .numberField("type", slot.DeviceType)
            .field("typeName", typeName(slot.DeviceType))
            .field("name", toUtf8(slot.DeviceName))
            .numberField("source", slot.SourceSelect)
            .field("sourceName", toUtf8(SourceSelectText(slot.SourceSelect)));
        json.key("options").beginArray();
        for (std::size_t i = 0; i < slot.OptionList.size(); ++i) {
            if (slot.OptionList[i] == '1')
                json.number(static_cast<std::int64_t>(i) + 1);
        }
        json.endArray();
        if (slot.ConfigFile.empty())
            json.key("deviceFile").null();
        else
            json.field("deviceFile", slot.ConfigFile);
        json.booleanField("deviceFileMissing", shown.missing).endObject();
    }
    json.endArray().endObject();
}

int RunShow(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "show", arguments);
    if (!parsed)
        return parsed.failure();
    if (parsed->positional.size() != 1)
        return usageError(context, "show");
    const Path path = absolutePath(parsed->positional[0]);
    TProjectFile project;
    project.Load(path);
    if (parsed->has("--json")) {
        showAsJson(context.out, path, project);
        return kExitOk;
    }

    std::ostream& out = context.out;
    out << "Project: " << shownPath(path) << "\n\nDescription:\n";
    for (const Text& line : project.Description)
        out << "  " << toUtf8(line) << '\n';
    if (project.Description.empty())
        out << "  (none)\n";
    out << "\nMenu lines:\n";
    for (size_t n = 0; n < project.ProjectInfo.size(); ++n)
        out << "  " << n + 1 << "  " << toUtf8(project.ProjectInfo[n]) << '\n';
    if (project.ProjectInfo.empty())
        out << "  (none)\n";

    Table table({"SLOT", "TYPE", "NAME", "SOURCE", "OPTIONS", "DEVICE FILE"});
    const std::vector<ShownSlot> slots = shownSlots(project);
    int missing = 0;
    for (const ShownSlot& shown : slots) {
        const DEVICE_CONFIG& slot = *shown.slot;
        missing += shown.missing ? 1 : 0;
        table.add({toUtf8(slot.SlotName), typeName(slot.DeviceType),
                   slot.DeviceName.empty() ? "-" : toUtf8(slot.DeviceName), toUtf8(SourceSelectText(slot.SourceSelect)),
                   OptionsOn(slot.OptionList), shown.deviceFile});
    }
    out << "\nSlots (" << slots.size() << " of " << TProjectFile::kSlotCount << " assigned):\n";
    if (!slots.empty())
        table.print(out, "  ");
    if (missing > 0)
        out << '\n' << missing << " device file(s) missing.\n";
    return kExitOk;
}

int RunCopyProject(Context& context, const Arguments& given)
{
    const auto parsed = parseArguments(context, "copy-project", given);
    if (!parsed)
        return parsed.failure();
    const Arguments& arguments = parsed->positional;
    if (arguments.size() != 2)
        return usageError(context, "copy-project");
    const Path source = absolutePath(arguments[0]);
    const Path target = absolutePath(arguments[1]);
    if (sameFile(source, target)) {
        context.prompt.error("The project \"" + target +
                             "\" is the project to be copied; it is not copied onto itself.");
        context.err << "zr48: nothing copied\n";
        return kExitFailed;
    }
    if (directoryExists(target)) {
        context.prompt.error("The target \"" + target + "\" is a folder; give the new project's file name.");
        return kExitFailed;
    }
    if (fileExists(target) && context.prompt.confirm("The project file \"" + target + "\" exists.\nOverwrite it?",
                                                     Buttons::YesNo) != Answer::Yes) {
        context.err << "zr48: nothing copied\n";
        return kExitFailed;
    }
    TProjectFile::CopyResult result = TProjectFile::CopyResult::Failed;
    try {
        std::error_code ec;
        const auto folder = toFsPath(extractFilePath(target));
        if (!folder.empty() && !std::filesystem::create_directories(folder, ec) && ec)
            throw Error("Cannot create the folder \"" + extractFilePath(target) + "\":\n" + ec.message());
        TProjectFile copy;
        result = copy.CopyProject(source, target, context.prompt);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        result = TProjectFile::CopyResult::Failed;
    }
    switch (result) {
    case TProjectFile::CopyResult::Complete:
        context.out << "Copied " << shownPath(source) << " to " << shownPath(target) << '\n';
        return kExitOk;
    case TProjectFile::CopyResult::Incomplete:
        context.err << "zr48: copied " << shownPath(source) << " to " << shownPath(target)
                    << ", but not every device file: the project points at the missing ones (see above).\n";
        return kExitFailed;
    case TProjectFile::CopyResult::Failed: break;
    }
    context.err << "zr48: nothing copied\n";
    return kExitFailed;
}

const OptionRow kJsonOption[] = {
    {.longName = "--json", .help = "print the project as one JSON document instead (texts and paths in UTF-8)"},
};

} // namespace

Command showCommand()
{
    return {.name = "show",
            .arguments = "PROJECT.mpj",
            .summary = "Show a project: description, menu lines and every assigned slot.",
            .details = "Device files of the project's own folder show as [PROJECT]/NAME, as the desktop program\n"
                       "shows them;\n"
                       "device files that do not exist are flagged (missing).",
            .options = kJsonOption,
            .files = "mpj",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsProject,
            .run = RunShow};
}

Command copyProjectCommand()
{
    return {.name = "copy-project",
            .arguments = "SOURCE.mpj TARGET.mpj",
            .summary = "Copy a project, with its own copies of all device files, into TARGET's folder.",
            .details = "TARGET's folder is created when it does not exist. Questions (overwriting a device\n"
                       "file or the target project) are asked on the terminal, or answered by --yes / --no.",
            .files = "mpj",
            .minArguments = 2,
            .maxArguments = 2,
            .reads = kReadsProject,
            .run = RunCopyProject};
}

} // namespace zr48::cli
