#include "project/Compiler.h"

#include "base/ByteOrder.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Platform.h"
#include "base/Prompt.h"
#include "project/CardFormat.h"
#include "project/DeviceTypes.h"
#include "project/SectorImage.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace zr48 {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct DeviceFileContent {
    Bytes Head;          // the file's first bytes, at most as many as were asked for
    std::uintmax_t Size; // the whole file's size
};

// Reads at most `limit` bytes: a device file that fills them cannot fit its area anyway, and a
// wrongly chosen huge file is not read in whole. nullopt when the file cannot be opened or read.
std::optional<DeviceFileContent> ReadDeviceFile(std::string_view path, std::size_t limit)
{
    const auto fsPath = toFsPath(path);
    std::unique_ptr<std::FILE, FileCloser> file(platform::openFile(fsPath, "rb"));
    if (!file)
        return std::nullopt;
    DeviceFileContent content{Bytes(limit), 0};
    const std::size_t got = std::fread(content.Head.data(), 1, limit, file.get());
    if (std::ferror(file.get()))
        return std::nullopt;
    content.Head.resize(got);
    content.Size = got;
    if (got == limit) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(fsPath, ec);
        if (!ec && size > got)
            content.Size = size;
    }
    return content;
}

Text AreaProblem(int slot, const char* area, std::uint32_t start, std::uint32_t count)
{
    return "Slot " + TProjectFile::SlotName(slot) + ": its " + area + " (sectors " + std::to_string(start) + " to " +
           std::to_string(start + count - 1) + ") would run past card sector " + std::to_string(kLastCardSector) +
           "; the project needs more sectors than a memory card has.";
}

// Appends the records of one slot's device file area; false when its device file is missing or
// does not fit, which has been reported.
bool AppendDeviceFileArea(const DEVICE_CONFIG& slot, std::vector<SectorRecord>& records, Prompt& prompt)
{
    if (slot.DeviceType == 0)
        return true;
    if (slot.ConfigFile.empty()) {
        // A header of total length 0: the slot has no device file.
        records.push_back({slot.FileStart, {}});
        return true;
    }
    // Any bytes would go onto the card as they are: a file that is no device file (binary, empty,
    // unreadable) is refused as a missing one is, saying why.
    if (const auto problem = DeviceFileProblem(slot.ConfigFile)) {
        prompt.error(*problem == kNoSuchFile ? "File not found:\n" + shownPath(slot.ConfigFile)
                                             : DeviceFileProblemMessage(slot.ConfigFile, *problem));
        return false;
    }
    const std::size_t capacity = std::size_t{slot.FileSectors} * kSectorSize;
    const auto file = ReadDeviceFile(slot.ConfigFile, capacity);
    if (!file) {
        prompt.error("File not found:\n" + shownPath(slot.ConfigFile));
        return false;
    }
    const Bytes& bytes = file->Head;
    std::size_t offset = 0;
    bool endSeen = false;
    std::uint16_t produced = 0;
    // The end counts as seen only after a read that returns less than it asked for, so a file
    // whose header and content fill whole sectors is followed by an all-zero sector.
    while (!endSeen && produced < slot.FileSectors) {
        SectorRecord record;
        record.Number = static_cast<std::uint16_t>(slot.FileStart + produced);
        const std::size_t at = produced == 0 ? kHeaderSize : 0;
        const std::size_t wanted = kSectorSize - at;
        const std::size_t got = std::min(wanted, bytes.size() - offset);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), got, record.Data.begin() + at);
        offset += got;
        endSeen = got < wanted;
        if (produced == 0) {
            // Total length in 16 bits, as the unit reads it.
            writeLe32(&record.Data[2], static_cast<std::uint16_t>(kHeaderSize + file->Size));
            const Text name = DeviceFileHeaderName(slot.ConfigFile);
            std::copy(name.begin(), name.end(), record.Data.begin() + kHeaderNameOffset);
            writeLe16(&record.Data[0], DeviceFileChecksum(record.Data));
        }
        records.push_back(record);
        ++produced;
    }
    if (produced == slot.FileSectors) {
        prompt.error("File too big:\n" + shownPath(slot.ConfigFile));
        return false;
    }
    return true;
}

} // namespace

std::vector<Text> LayOutCard(TProjectFile& project)
{
    std::vector<Text> problems;
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        const std::uint16_t type = project.Slot(i).DeviceType;
        if (!DeviceTypeInfo(type)) {
            problems.push_back("Slot " + TProjectFile::SlotName(i) + ": device type " + std::to_string(type) +
                               " is not one of 0 to " + std::to_string(kDeviceTypeCount - 1) + ".");
        }
    }
    if (!problems.empty())
        return problems;

    std::uint32_t next = kFirstAreaSector;
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        DEVICE_CONFIG& slot = project.Slot(i);
        const TDeviceTypeInfo& info = *DeviceTypeInfo(slot.DeviceType);
        if (!AreaFitsCard(next, info.FileSectors))
            return {AreaProblem(i, "device file area", next, info.FileSectors)};
        slot.FileStart = static_cast<std::uint16_t>(next);
        slot.FileSectors = info.FileSectors;
        next += info.FileSectors;
        if (!AreaFitsCard(next, info.DataSectors))
            return {AreaProblem(i, "data area", next, info.DataSectors)};
        slot.DataStart = static_cast<std::uint16_t>(next);
        slot.DataSectors = info.DataSectors;
        next += info.DataSectors;
    }
    return {};
}

std::vector<SectorRecord> CompiledImage::DeviceFileRecords(int i) const
{
    const DEVICE_CONFIG& slot = Project.Slot(i);
    std::vector<SectorRecord> area;
    if (slot.DeviceType == 0)
        return area;
    for (const SectorRecord& record : Records) {
        if (record.Number >= slot.FileStart && record.Number - slot.FileStart < slot.FileSectors)
            area.push_back(record);
    }
    return area;
}

std::optional<CompiledImage> CompileProjectImage(const TProjectFile& project, Prompt& prompt)
{
    CompiledImage image{project, {}, {}};
    const std::vector<Text> problems = LayOutCard(image.Project);
    if (!problems.empty()) {
        Text message = "The project cannot be compiled:";
        for (const Text& problem : problems)
            message += "\n" + problem;
        prompt.error(message);
        return std::nullopt;
    }
    for (int k = 0; k < kDirectorySectorCount; ++k)
        image.Records.push_back({static_cast<std::uint16_t>(k), EncodeDirectorySector(image.Project, k)});
    image.Records.push_back({kMenuSector, EncodeMenuSector(image.Project.ProjectInfo)});
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        if (!AppendDeviceFileArea(image.Project.Slot(i), image.Records, prompt))
            image.FailedSlots.push_back(i);
    }
    return image;
}

CompileResult Compile(std::string_view projectPath, Prompt& prompt)
{
    const Path imagePath = ImagePathOfProject(projectPath);
    if (sameFile(imagePath, projectPath)) {
        prompt.error("The project \"" + shownPath(projectPath) +
                     "\" has the extension of an image file; compiling it would overwrite it.");
        return CompileResult::NotWritten;
    }
    if (const auto problem = ProjectFileProblem(projectPath)) {
        prompt.error(ProjectFileProblemMessage(projectPath, *problem));
        return CompileResult::NotWritten;
    }
    TProjectFile project;
    project.Load(projectPath);
    const std::optional<CompiledImage> image = CompileProjectImage(project, prompt);
    if (!image)
        return CompileResult::NotWritten;
    try {
        WriteSectorImage(imagePath, image->Records);
    } catch (const Error& e) {
        prompt.error(e.message());
        return CompileResult::NotWritten;
    }
    return image->Complete() ? CompileResult::Complete : CompileResult::Incomplete;
}

bool CompileProject(std::string_view projectPath, Prompt& prompt)
{
    return Compile(projectPath, prompt) == CompileResult::Complete;
}

} // namespace zr48
