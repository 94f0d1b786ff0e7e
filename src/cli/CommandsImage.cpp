#include "cli/CommandsImage.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"
#include "project/DeviceTypes.h"
#include "project/ImageReader.h"
#include "project/ProjectFile.h"
#include "project/SectorImage.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace zr48::cli {

namespace {

bool oneArgument(Context& context, const Arguments& arguments, const char* usage)
{
    if (arguments.size() == 1)
        return true;
    context.err << "Usage: zr48 " << usage << '\n';
    return false;
}

std::uintmax_t fileSize(std::string_view path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    return ec ? 0 : size;
}

int runCompile(Context& context, const Arguments& arguments)
{
    if (!oneArgument(context, arguments, "compile PROJECT.mpj"))
        return kExitUsage;
    const Path projectPath = absolutePath(arguments[0]);
    // A project file that is not there would load as an empty project.
    if (const auto reason = notAFileReason(projectPath)) {
        if (*reason == kNoSuchFile)
            context.err << "zr48: there is no project file '" << arguments[0] << "'\n";
        else
            context.err << "zr48: '" << arguments[0] << "' is not a project file: " << *reason << '\n';
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
    if (!oneArgument(context, arguments, "unpack IMAGE.mpd"))
        return kExitUsage;
    const Path imagePath = absolutePath(arguments[0]);
    if (!UnpackImage(imagePath, context.prompt))
        return kExitFailed;
    context.out << describeWrittenProject(changeFileExt(imagePath, ".mpj")) << '\n';
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

const char* checkMeaning(int code)
{
    switch (code) {
    case kDirectoryBadOption: return "an option byte is neither 0 nor 1";
    case kDirectoryBadName: return "a device name holds a control character";
    case kDirectoryFileAreaPastEnd: return "a device file area runs past sector 65535";
    case kDirectoryDataAreaPastEnd: return "a data area runs past sector 65535";
    default: return "well formed";
    }
}

class ImageInspection {
public:
    ImageInspection(const SectorImage& image, std::ostream& out) : image_(image), out_(out)
    {
        for (std::size_t i = 0; i < image.Records.size(); ++i) {
            const auto [it, first] = firstOf_.try_emplace(image.Records[i].Number, i);
            if (!first && image.Records[i].Number <= kMenuSector)
                problem("sector " + std::to_string(image.Records[i].Number) + " appears more than once");
        }
    }

    // Prints the listing; true when nothing is wrong with the image.
    bool run(std::uintmax_t bytes)
    {
        out_ << image_.Records.size() << " sectors, " << bytes << " bytes\n";
        out_ << "Sectors in file order: " << (image_.Records.empty() ? "none" : numberRuns(image_.Records)) << '\n';
        if (image_.TrailingBytes != 0)
            problem("the file ends with " + std::to_string(image_.TrailingBytes) + " bytes of a cut-off sector");
        listDirectory();
        listMenu();
        listDeviceFiles();
        out_ << '\n';
        if (problems_.empty()) {
            out_ << "No problems found.\n";
            return true;
        }
        out_ << "Problems:\n";
        for (const std::string& p : problems_)
            out_ << "  " << p << '\n';
        return false;
    }

private:
    const SectorRecord* record(std::uint16_t number) const
    {
        const auto it = firstOf_.find(number);
        return it == firstOf_.end() ? nullptr : &image_.Records[it->second];
    }
    void problem(std::string text) { problems_.push_back(std::move(text)); }

    void listDirectory()
    {
        out_ << "\nDirectory:\n"
             << "  Slot " << cell("Name", 9) << cell("Type", 27) << cell("Source", 14) << cell("File area", 14)
             << cell("Data area", 14) << cell("Device name", 17) << "Options\n";
        int empty = 0;
        for (int k = 0; k < kDirectorySectorCount; ++k) {
            const SectorRecord* r = record(static_cast<std::uint16_t>(k));
            if (!r) {
                problem("directory sector " + std::to_string(k) + " is missing");
                continue;
            }
            if (const int code = CheckDirectorySector(r->Data))
                problem("directory sector " + std::to_string(k) + " fails the check with error code " +
                        std::to_string(code) + ": " + checkMeaning(code));
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
        if (!info)
            problem("slot " + TProjectFile::SlotName(slot) + " has the unknown device type " +
                    std::to_string(d.DeviceType));
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
        const SectorRecord* r = record(kMenuSector);
        if (!r) {
            out_ << "  (no menu sector)\n";
            problem("the menu sector 9 is missing");
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
            const Text slotName = TProjectFile::SlotName(slot);
            out_ << "  " << cell(slotName, 10) << cell(std::to_string(d.FileStart), 8);
            const SectorRecord* first = d.FileStart > kMenuSector ? record(d.FileStart) : nullptr;
            if (!first) {
                out_ << "(not in the image)\n";
                problem("the device file of slot " + slotName + " is not in the image");
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
            if (!h.ChecksumValid)
                problem("the checksum of the device file of slot " + slotName + " is not valid");
            const std::uint32_t sectors = h.TotalLength / kSectorSize + 1;
            if (d.FileSectors == 0 || sectors >= d.FileSectors) {
                problem("the device file of slot " + slotName + " is too big for its area of " +
                        std::to_string(d.FileSectors) + " sectors");
                continue;
            }
            for (std::uint32_t n = 1; n < sectors; ++n) {
                if (!record(static_cast<std::uint16_t>(d.FileStart + n))) {
                    problem("sector " + std::to_string(d.FileStart + n) + " of the device file of slot " + slotName +
                            " is not in the image");
                    break;
                }
            }
        }
    }

    struct Assigned {
        int slot;
        SlotDescriptor descriptor;
    };
    const SectorImage& image_;
    std::ostream& out_;
    std::map<std::uint16_t, std::size_t> firstOf_; // sector number -> index of its first record
    std::vector<Assigned> assigned_;
    std::vector<std::string> problems_;
};

int runInspect(Context& context, const Arguments& arguments)
{
    if (!oneArgument(context, arguments, "inspect IMAGE.mpd"))
        return kExitUsage;
    const Path imagePath = absolutePath(arguments[0]);
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
    return {"unpack", "IMAGE.mpd", "Unpack an uploaded card image into a project beside it.",
            "Writes IMAGE.mpj and one IMAGE_N.mpi per slot N (1 to 63) that has a device file.", runUnpack};
}

Command inspectCommand()
{
    return {"inspect", "IMAGE.mpd", "List a card image: sectors, directory, menu and device files.",
            "The exit status is 0 when nothing is wrong with the image, 1 when a problem is listed\n"
            "(missing or repeated directory sectors, a failed directory check, a missing device\n"
            "file sector, a checksum that is not valid, a device file too big for its area).",
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
