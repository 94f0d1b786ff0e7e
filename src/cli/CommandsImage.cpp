#include "cli/CommandsImage.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "cli/CommandsProject.h"
#include "cli/Json.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"
#include "project/DeviceTypes.h"
#include "project/ImageCheck.h"
#include "project/ImageReader.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zr48::cli {

namespace {

// The one file a command takes, and its options; nullopt, the problem said and `failure` set to
// the exit status, for anything else.
struct FileArgument {
    std::string file;
    ParsedArguments options;
};
std::optional<FileArgument> fileArgument(Context& context, const Arguments& arguments, const char* command,
                                         int& failure)
{
    auto parsed = parseArguments(context, command, arguments);
    if (!parsed) {
        failure = parsed.failure();
        return std::nullopt;
    }
    if (parsed->positional.size() != 1) {
        failure = usageError(context, command);
        return std::nullopt;
    }
    FileArgument result{parsed->positional[0], std::move(*parsed)};
    return result;
}

std::uintmax_t fileSize(std::string_view path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    return ec ? 0 : size;
}

int runCompile(Context& context, const Arguments& arguments)
{
    int failure = kExitUsage;
    const auto argument = fileArgument(context, arguments, "compile", failure);
    if (!argument)
        return failure;
    const Path projectPath = absolutePath(argument->file);
    const Path imagePath = ImagePathOfProject(projectPath);
    switch (Compile(projectPath, context.prompt)) {
    case CompileResult::Complete: break;
    case CompileResult::Incomplete:
        context.err << "zr48: the image " << quotedName(imagePath) << " is not complete; do not write it to a unit\n";
        return kExitFailed;
    case CompileResult::NotWritten: context.err << "zr48: nothing was written\n"; return kExitFailed;
    }
    context.out << describeWrittenImage(imagePath) << '\n';
    return kExitOk;
}

int runUnpack(Context& context, const Arguments& arguments)
{
    int failure = kExitUsage;
    const auto argument = fileArgument(context, arguments, "unpack", failure);
    if (!argument)
        return failure;
    const Path imagePath = absolutePath(argument->file);
    Text problem;
    try {
        problem = ImageFileProblem(imagePath);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    if (!problem.empty() && !argument->options.has("--force")) {
        context.err << "zr48: " << problem << "\nzr48: nothing was unpacked; add --force to unpack it anyway\n";
        return kExitFailed;
    }
    // An image beside the project it was compiled from would replace that project. (The uploader
    // unpacks into the project it has just created, through the same reader.)
    const Path projectPath = changeFileExt(imagePath, ".mpj");
    if (fileExists(projectPath) && !argument->options.has("--force")) {
        context.err << "zr48: the project " << quotedName(projectPath) << " exists; add --force to replace it\n";
        return kExitFailed;
    }
    if (!UnpackImage(imagePath, context.prompt))
        return kExitFailed;
    context.out << describeWrittenProject(projectPath) << '\n';
    return kExitOk;
}

// --- inspect -------------------------------------------------------------------------------------

// A cell of a table: system text padded to `width` characters, shown as UTF-8.
std::string cell(const Text& text, std::size_t width)
{
    Text padded = text;
    if (padded.size() < width)
        padded.append(width - padded.size(), ' ');
    return toUtf8(padded);
}

// Runs of consecutive sector numbers in file order: (first, last).
std::vector<std::pair<int, int>> numberRuns(const std::vector<SectorRecord>& records)
{
    std::vector<std::pair<int, int>> runs;
    for (std::size_t i = 0; i < records.size();) {
        std::size_t j = i;
        while (j + 1 < records.size() && records[j + 1].Number == records[j].Number + 1)
            ++j;
        runs.emplace_back(records[i].Number, records[j].Number);
        i = j + 1;
    }
    return runs;
}

// "0-9, 16-40, 12"
std::string runsText(const std::vector<std::pair<int, int>>& runs)
{
    std::string out;
    for (const auto& [first, last] : runs) {
        out += (out.empty() ? "" : ", ") + std::to_string(first);
        if (last > first)
            out += "-" + std::to_string(last);
    }
    return out;
}

// What `zr48 inspect` finds in an image; the problems come from the image checks that download
// and unpack run too.
struct Inspection {
    struct Slot {
        int index;
        SlotDescriptor descriptor;
    };
    // The device file of an assigned slot: not in the image, no file (a length below the header),
    // or its header.
    struct DeviceFile {
        int slot;
        std::uint16_t sector;
        bool inImage = false;
        std::optional<DeviceFileHeader> header;
    };

    std::size_t records = 0;
    std::uintmax_t bytes = 0;
    std::vector<std::pair<int, int>> runs;
    std::vector<Slot> slots;
    int emptySlots = 0;
    std::optional<std::array<Text, kMenuLineCount>> menu;
    std::vector<DeviceFile> deviceFiles;
    std::vector<Text> problems;
};

Inspection inspectImage(const SectorImage& image, std::uintmax_t bytes)
{
    Inspection result;
    const SectorIndex index(image);
    result.records = image.Records.size();
    result.bytes = bytes;
    result.runs = numberRuns(image.Records);
    for (int k = 0; k < kDirectorySectorCount; ++k) {
        const SectorRecord* r = index.Find(static_cast<std::uint16_t>(k));
        if (!r)
            continue;
        for (int i = 0; i < kDescriptorsPerSector; ++i) {
            const SlotDescriptor d = DecodeSlotDescriptor(DescriptorBytes(r->Data, i));
            if (d.DeviceType == 0)
                ++result.emptySlots;
            else
                result.slots.push_back({k * kDescriptorsPerSector + i, d});
        }
    }
    if (const SectorRecord* r = index.Find(kMenuSector))
        result.menu = DecodeMenuSector(r->Data);
    for (const auto& [slot, d] : result.slots) {
        Inspection::DeviceFile file{slot, d.FileStart, false, std::nullopt};
        const SectorRecord* first = d.FileStart > kMenuSector ? index.Find(d.FileStart) : nullptr;
        file.inImage = first != nullptr;
        if (first) {
            const DeviceFileHeader h = DecodeDeviceFileHeader(first->Data);
            if (h.TotalLength >= kHeaderSize)
                file.header = h;
        }
        result.deviceFiles.push_back(file);
    }
    result.problems = ImageProblems(image);
    return result;
}

std::string optionBytes(const SlotDescriptor& d)
{
    Text options;
    for (std::uint8_t byte : d.Options)
        options += byte == 0 ? '0' : byte == 1 ? '1' : '?';
    return options;
}

// The name of a device type (Windows-1252), "(unknown)" outside the table.
Text typeName(std::uint8_t deviceType)
{
    const TDeviceTypeInfo* info = DeviceTypeInfo(deviceType);
    return info ? Text(info->Name) : Text("(unknown)");
}

std::string checksumText(std::uint16_t checksum)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", checksum);
    return text;
}

// The listing as text; true when nothing is wrong with the image.
bool printInspection(std::ostream& out, const Inspection& in)
{
    out << in.records << " sectors, " << in.bytes << " bytes\n";
    out << "Sectors in file order: " << (in.runs.empty() ? "none" : runsText(in.runs)) << '\n';
    out << "\nDirectory:\n"
        << "  Slot " << cell("Name", 9) << cell("Type", 27) << cell("Source", 14) << cell("File area", 14)
        << cell("Data area", 14) << cell("Device name", 17) << "Options\n";
    const auto area = [](std::uint16_t start, std::uint16_t count) {
        return std::to_string(start) + " +" + std::to_string(count);
    };
    for (const auto& [slot, d] : in.slots) {
        char number[8];
        std::snprintf(number, sizeof number, "%4d ", slot);
        out << "  " << number << cell(TProjectFile::SlotName(slot), 9)
            << cell(std::to_string(d.DeviceType) + " " + typeName(d.DeviceType), 27)
            << cell(std::to_string(d.SourceSelect) + " " + SourceSelectText(d.SourceSelect), 14)
            << cell(area(d.FileStart, d.FileSectors), 14) << cell(area(d.DataStart, d.DataSectors), 14)
            << cell(d.DeviceName, 17) << optionBytes(d) << '\n';
    }
    out << "  (" << in.emptySlots << " empty slots)\n";
    out << "\nMenu:\n";
    if (!in.menu)
        out << "  (no menu sector)\n";
    for (std::size_t i = 0; in.menu && i < in.menu->size(); ++i)
        out << "  " << i + 1 << "  " << toUtf8((*in.menu)[i]) << '\n';
    out << "\nDevice files:\n"
        << "  " << cell("Slot", 10) << cell("Sector", 8) << cell("Header name", 27) << cell("Length", 22)
        << "Checksum\n";
    for (const Inspection::DeviceFile& file : in.deviceFiles) {
        out << "  " << cell(TProjectFile::SlotName(file.slot), 10) << cell(std::to_string(file.sector), 8);
        if (!file.inImage) {
            out << "(not in the image)\n";
            continue;
        }
        if (!file.header) {
            out << "(none)\n";
            continue;
        }
        const DeviceFileHeader& h = *file.header;
        const std::uint32_t size = h.TotalLength - static_cast<std::uint32_t>(kHeaderSize);
        out << cell(h.Name, 27) << cell(std::to_string(h.TotalLength) + " (" + std::to_string(size) + " bytes)", 22)
            << checksumText(h.Checksum) << (h.ChecksumValid ? " valid" : " NOT valid") << '\n';
    }
    out << '\n';
    if (in.problems.empty()) {
        out << "No problems found.\n";
        return true;
    }
    out << "Problems:\n";
    for (const Text& p : in.problems)
        out << "  " << toUtf8(p) << '\n';
    return false;
}

void printInspectionJson(std::ostream& out, const Path& path, const Inspection& in)
{
    JsonWriter json(out);
    json.beginObject()
        .field("image", path)
        .numberField("sectors", static_cast<std::int64_t>(in.records))
        .numberField("bytes", static_cast<std::int64_t>(in.bytes));
    json.key("sectorRuns").beginArray();
    for (const auto& [first, last] : in.runs)
        json.beginObject().numberField("first", first).numberField("last", last).endObject();
    json.endArray().key("directory").beginArray();
    for (const auto& [slot, d] : in.slots) {
        json.beginObject()
            .numberField("index", slot)
            .field("slot", toUtf8(TProjectFile::SlotName(slot)))
            .numberField("type", d.DeviceType)
            .field("typeName", toUtf8(typeName(d.DeviceType)))
            .numberField("source", d.SourceSelect)
            .field("sourceName", toUtf8(SourceSelectText(d.SourceSelect)))
            .numberField("fileStart", d.FileStart)
            .numberField("fileSectors", d.FileSectors)
            .numberField("dataStart", d.DataStart)
            .numberField("dataSectors", d.DataSectors)
            .field("deviceName", toUtf8(d.DeviceName))
            .field("options", optionBytes(d))
            .endObject();
    }
    json.endArray().numberField("emptySlots", in.emptySlots).key("menu");
    if (in.menu) {
        json.beginArray();
        for (const Text& line : *in.menu)
            json.string(toUtf8(line));
        json.endArray();
    } else {
        json.null();
    }
    json.key("deviceFiles").beginArray();
    for (const Inspection::DeviceFile& file : in.deviceFiles) {
        json.beginObject()
            .field("slot", toUtf8(TProjectFile::SlotName(file.slot)))
            .numberField("sector", file.sector)
            .booleanField("inImage", file.inImage);
        if (file.header) {
            json.field("headerName", toUtf8(file.header->Name))
                .numberField("totalLength", file.header->TotalLength)
                .field("checksum", checksumText(file.header->Checksum))
                .booleanField("checksumValid", file.header->ChecksumValid);
        }
        json.endObject();
    }
    json.endArray().key("problems").beginArray();
    for (const Text& p : in.problems)
        json.string(toUtf8(p));
    json.endArray().endObject();
}

int runInspect(Context& context, const Arguments& arguments)
{
    int failure = kExitUsage;
    const auto argument = fileArgument(context, arguments, "inspect", failure);
    if (!argument)
        return failure;
    const Path imagePath = absolutePath(argument->file);
    SectorImage image;
    try {
        image = ReadSectorImage(imagePath);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    const Inspection inspection = inspectImage(image, fileSize(imagePath));
    if (argument->options.has("--json")) {
        printInspectionJson(context.out, imagePath, inspection);
        return inspection.problems.empty() ? kExitOk : kExitFailed;
    }
    context.out << "Image " << shownPath(imagePath) << ": ";
    return printInspection(context.out, inspection) ? kExitOk : kExitFailed;
}

const OptionRow kUnpackOptions[] = {
    {.longName = "--force", .help = "unpack a damaged image all the same, and replace an existing IMAGE.mpj"},
};
const OptionRow kInspectOptions[] = {
    {.longName = "--json", .help = "print the listing as one JSON document instead (texts in UTF-8)"},
};

} // namespace

Command compileCommand()
{
    return {.name = "compile",
            .arguments = "PROJECT.mpj",
            .summary = "Compile a project into its card image (PROJECT.mpd beside it).",
            .details = "Missing device files and device files too big for their area are reported; the\n"
                       "exit status is 0 only when the image is complete.",
            .files = "mpj",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsProject,
            .run = runCompile};
}

Command unpackCommand()
{
    return {.name = "unpack",
            .arguments = "IMAGE.mpd",
            .summary = "Unpack an uploaded card image into a project beside it.",
            .details = "Writes IMAGE.mpj and one IMAGE_N.mpi per slot N (1 to 63) that has a device file.\n"
                       "The image is checked first, as 'zr48 inspect' does; a damaged one is refused with its\n"
                       "first problem named, and an existing IMAGE.mpj is not replaced.",
            .options = kUnpackOptions,
            .files = "mpd",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsImage,
            .run = runUnpack};
}

Command inspectCommand()
{
    return {.name = "inspect",
            .arguments = "IMAGE.mpd",
            .summary = "List a card image: sectors, directory, menu and device files.",
            .details = "The exit status is 0 when nothing is wrong with the image, 1 when a problem is listed.\n"
                       "These are the checks that 'zr48 download' and 'zr48 unpack' run first: whole sector\n"
                       "records, directory sectors 0 to 8 each once and well formed, known device types, the menu\n"
                       "sector, and every device file in the image, with a valid checksum and inside its area.",
            .options = kInspectOptions,
            .files = "mpd",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsImage,
            .run = runInspect};
}

std::string describeWrittenImage(const Path& imagePath)
{
    const auto size = fileSize(imagePath);
    return "Image written: " + shownPath(imagePath) + " (" + std::to_string(size / kSectorRecordSize) + " sectors, " +
           std::to_string(size) + " bytes)";
}

std::string describeWrittenProject(const Path& projectPath)
{
    TProjectFile project;
    project.Load(projectPath);
    int devices = 0;
    int files = 0;
    for (const DEVICE_CONFIG& slot : project.Devices) {
        devices += slot.DeviceType != 0;
        files += !slot.ConfigFile.empty();
    }
    const auto counted = [](int n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return "Project written: " + projectPath + " (" + counted(devices, "device", "devices") + ", " +
           counted(files, "device file", "device files") + ")";
}

} // namespace zr48::cli
