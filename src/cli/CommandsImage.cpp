#include "cli/CommandsImage.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
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

// The one file a command takes, and whether --force was given; nullopt (the usage reported) for
// anything else.
struct FileArgument {
    std::string file;
    bool force = false;
};
std::optional<FileArgument> fileArgument(Context& context, const Arguments& arguments, const char* command,
                                         bool takesForce)
{
    FileArgument result;
    for (const std::string& a : arguments) {
        if (takesForce && a == "--force") {
            result.force = true;
        } else if (a.starts_with("-") || !result.file.empty()) {
            usageError(context, command);
            return std::nullopt;
        } else {
            result.file = a;
        }
    }
    if (result.file.empty()) {
        usageError(context, command);
        return std::nullopt;
    }
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
    const auto argument = fileArgument(context, arguments, "compile", false);
    if (!argument)
        return kExitUsage;
    const Path projectPath = absolutePath(argument->file);
    // A project file that is not there would load as an empty project.
    if (const auto reason = notAFileReason(projectPath)) {
        if (*reason == kNoSuchFile)
            context.err << "zr48: there is no project file '" << argument->file << "'\n";
        else
            context.err << "zr48: '" << argument->file << "' is not a project file: " << *reason << '\n';
        return kExitFailed;
    }
    const Path imagePath = ImagePathOfProject(projectPath);
    if (!CompileProject(projectPath, context.prompt)) {
        context.err << "zr48: the image " << imagePath << " is not complete; do not write it to a unit\n";
        return kExitFailed;
    }
    const auto size = fileSize(imagePath);
    context.out << "Image written: " << imagePath << " (" << size / kSectorRecordSize << " sectors, " << size
                << " bytes)\n";
    return kExitOk;
}

int runUnpack(Context& context, const Arguments& arguments)
{
    const auto argument = fileArgument(context, arguments, "unpack", true);
    if (!argument)
        return kExitUsage;
    const Path imagePath = absolutePath(argument->file);
    Text problem;
    try {
        problem = ImageFileProblem(imagePath);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    if (!problem.empty() && !argument->force) {
        context.err << "zr48: " << problem << "\nzr48: nothing was unpacked; add --force to unpack it anyway\n";
        return kExitFailed;
    }
    // An image beside the project it was compiled from would replace that project. (The uploader
    // unpacks into the project it has just created, through the same reader.)
    const Path projectPath = changeFileExt(imagePath, ".mpj");
    if (fileExists(projectPath) && !argument->force) {
        context.err << "zr48: the project '" << projectPath << "' exists; add --force to replace it\n";
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

// Sector numbers in file order, runs of consecutive numbers written as "first-last".
std::string numberRuns(const std::vector<SectorRecord>& records)
{
    std::string out;
    for (std::size_t i = 0; i < records.size();) {
        std::size_t j = i;
        while (j + 1 < records.size() && records[j + 1].Number == records[j].Number + 1)
            ++j;
        if (!out.empty())
            out += ", ";
        out += std::to_string(records[i].Number);
        if (j > i)
            out += "-" + std::to_string(records[j].Number);
        i = j + 1;
    }
    return out;
}

// The listing of `zr48 inspect`; the problems come from the image checks that download and
// unpack run too.
class ImageInspection {
public:
    ImageInspection(const SectorImage& image, std::ostream& out) : image_(image), index_(image), out_(out) {}

    // Prints the listing; true when nothing is wrong with the image.
    bool run(std::uintmax_t bytes)
    {
        out_ << image_.Records.size() << " sectors, " << bytes << " bytes\n";
        out_ << "Sectors in file order: " << (image_.Records.empty() ? "none" : numberRuns(image_.Records)) << '\n';
        listDirectory();
        listMenu();
        listDeviceFiles();
        out_ << '\n';
        const std::vector<Text> problems = ImageProblems(image_);
        if (problems.empty()) {
            out_ << "No problems found.\n";
            return true;
        }
        out_ << "Problems:\n";
        for (const Text& p : problems)
            out_ << "  " << toUtf8(p) << '\n';
        return false;
    }

private:
    void listDirectory()
    {
        out_ << "\nDirectory:\n"
             << "  Slot " << cell("Name", 9) << cell("Type", 27) << cell("Source", 14) << cell("File area", 14)
             << cell("Data area", 14) << cell("Device name", 17) << "Options\n";
        int empty = 0;
        for (int k = 0; k < kDirectorySectorCount; ++k) {
            const SectorRecord* r = index_.Find(static_cast<std::uint16_t>(k));
            if (!r)
                continue;
            for (int i = 0; i < kDescriptorsPerSector; ++i) {
                const int slot = k * kDescriptorsPerSector + i;
                const SlotDescriptor d = DecodeSlotDescriptor(DescriptorBytes(r->Data, i));
                if (d.DeviceType == 0) {
                    ++empty;
                    continue;
                }
                assigned_.push_back({slot, d});
                listSlot(slot, d);
            }
        }
        out_ << "  (" << empty << " empty slots)\n";
    }

    void listSlot(int slot, const SlotDescriptor& d)
    {
        const TDeviceTypeInfo* info = DeviceTypeInfo(d.DeviceType);
        Text options;
        for (std::uint8_t byte : d.Options)
            options += byte == 0 ? '0' : byte == 1 ? '1' : '?';
        const auto area = [](std::uint16_t start, std::uint16_t count) {
            return std::to_string(start) + " +" + std::to_string(count);
        };
        char number[8];
        std::snprintf(number, sizeof number, "%4d ", slot);
        out_ << "  " << number << cell(TProjectFile::SlotName(slot), 9)
             << cell(std::to_string(d.DeviceType) + " " + (info ? Text(info->Name) : Text("(unknown)")), 27)
             << cell(std::to_string(d.SourceSelect) + " " + SourceSelectText(d.SourceSelect), 14)
             << cell(area(d.FileStart, d.FileSectors), 14) << cell(area(d.DataStart, d.DataSectors), 14)
             << cell(d.DeviceName, 17) << toUtf8(options) << '\n';
    }

    void listMenu()
    {
        out_ << "\nMenu:\n";
        const SectorRecord* r = index_.Find(kMenuSector);
        if (!r) {
            out_ << "  (no menu sector)\n";
            return;
        }
        const auto lines = DecodeMenuSector(r->Data);
        for (std::size_t i = 0; i < lines.size(); ++i)
            out_ << "  " << i + 1 << "  " << toUtf8(lines[i]) << '\n';
    }

    void listDeviceFiles()
    {
        out_ << "\nDevice files:\n"
             << "  " << cell("Slot", 10) << cell("Sector", 8) << cell("Header name", 27) << cell("Length", 22)
             << "Checksum\n";
        for (const auto& [slot, d] : assigned_) {
            out_ << "  " << cell(TProjectFile::SlotName(slot), 10) << cell(std::to_string(d.FileStart), 8);
            const SectorRecord* first = d.FileStart > kMenuSector ? index_.Find(d.FileStart) : nullptr;
            if (!first) {
                out_ << "(not in the image)\n";
                continue;
            }
            const DeviceFileHeader h = DecodeDeviceFileHeader(first->Data);
            if (h.TotalLength < kHeaderSize) {
                out_ << "(none)\n";
                continue;
            }
            const std::uint32_t size = h.TotalLength - static_cast<std::uint32_t>(kHeaderSize);
            char checksum[8];
            std::snprintf(checksum, sizeof checksum, "0x%04X", h.Checksum);
            out_ << cell(h.Name, 27)
                 << cell(std::to_string(h.TotalLength) + " (" + std::to_string(size) + " bytes)", 22) << checksum
                 << (h.ChecksumValid ? " valid" : " NOT valid") << '\n';
        }
    }

    struct Assigned {
        int slot;
        SlotDescriptor descriptor;
    };
    const SectorImage& image_;
    SectorIndex index_;
    std::ostream& out_;
    std::vector<Assigned> assigned_;
};

int runInspect(Context& context, const Arguments& arguments)
{
    const auto argument = fileArgument(context, arguments, "inspect", false);
    if (!argument)
        return kExitUsage;
    const Path imagePath = absolutePath(argument->file);
    SectorImage image;
    try {
        image = ReadSectorImage(imagePath);
    } catch (const Error& e) {
        context.prompt.error(e.message());
        return kExitFailed;
    }
    context.out << "Image " << imagePath << ": ";
    return ImageInspection(image, context.out).run(fileSize(imagePath)) ? kExitOk : kExitFailed;
}

} // namespace

Command compileCommand()
{
    return {"compile", "PROJECT.mpj", "Compile a project into its card image (PROJECT.mpd beside it).",
            "Missing device files and device files too big for their area are reported; the\n"
            "exit status is 0 only when the image is complete.",
            runCompile};
}

Command unpackCommand()
{
    return {"unpack", "IMAGE.mpd [--force]", "Unpack an uploaded card image into a project beside it.",
            "Writes IMAGE.mpj and one IMAGE_N.mpi per slot N (1 to 63) that has a device file.\n"
            "The image is checked first, as 'zr48 inspect' does; a damaged one is refused with its first\n"
            "problem named, and an existing IMAGE.mpj is not replaced.\n"
            "  --force    unpack a damaged image all the same, and replace an existing IMAGE.mpj",
            runUnpack};
}

Command inspectCommand()
{
    return {"inspect", "IMAGE.mpd", "List a card image: sectors, directory, menu and device files.",
            "The exit status is 0 when nothing is wrong with the image, 1 when a problem is listed.\n"
            "These are the checks that 'zr48 download' and 'zr48 unpack' run first: whole sector records,\n"
            "directory sectors 0 to 8 each once and well formed, known device types, the menu sector,\n"
            "and every device file in the image, with a valid checksum and inside its area.",
            runInspect};
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
    return "Project written: " + projectPath + " (" + std::to_string(devices) + " devices, " + std::to_string(files) +
           " device files)";
}

} // namespace zr48::cli
