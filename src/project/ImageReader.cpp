#include "project/ImageReader.h"

#include <filesystem>
#include <optional>

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Prompt.h"
#include "project/CardFormat.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

namespace zr48 {

namespace {

// The device file of the area of `sectors` sectors from `start`: the first record of that number
// holds the header, the records after it in file order the rest. nullopt when there is no such
// record or its header gives a length below 64. The file never runs past its own area, whatever
// its header claims, so slots that share an area cannot each copy the rest of the image.
std::optional<Bytes> ExtractDeviceFile(const SectorImage& image, std::uint16_t start, std::uint16_t sectors)
{
    // Sectors 0 to 9 are the directory and the menu; no device file area lies there.
    if (start <= kMenuSector || sectors == 0)
        return std::nullopt;
    const auto& records = image.Records;
    const auto first =
        std::find_if(records.begin(), records.end(), [start](const SectorRecord& r) { return r.Number == start; });
    if (first == records.end())
        return std::nullopt;
    const DeviceFileHeader header = DecodeDeviceFileHeader(first->Data);
    if (header.TotalLength < kHeaderSize)
        return std::nullopt;
    // A length larger than the records that follow gives a file that ends where the image ends.
    const std::size_t area = kSectorSize * sectors - kHeaderSize;
    std::size_t remaining = std::min<std::size_t>(header.TotalLength - kHeaderSize, area);
    Bytes content;
    const std::size_t available =
        kSectorSize - kHeaderSize + kSectorSize * static_cast<std::size_t>(records.end() - first - 1);
    content.reserve(std::min(remaining, available));
    std::size_t from = kHeaderSize;
    for (auto it = first; it != records.end() && remaining > 0; ++it) {
        const std::size_t n = std::min(remaining, kSectorSize - from);
        content.insert(content.end(), it->Data.begin() + static_cast<std::ptrdiff_t>(from),
                       it->Data.begin() + static_cast<std::ptrdiff_t>(from + n));
        remaining -= n;
        from = 0;
    }
    return content;
}

// The project file is line by line and cannot hold a line break (its save refuses one): a control
// character taken from a card becomes '?', so that any card's names can be saved.
Text WithoutControlCharacters(Text text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    }
    return text;
}

Text OptionListOf(const SlotDescriptor& d)
{
    Text options;
    for (std::uint8_t byte : d.Options)
        options += byte != 0 ? '1' : '0';
    return options;
}

} // namespace

int CheckDirectorySector(std::span<const std::uint8_t, kSectorSize> sector)
{
    for (int i = 0; i < kDescriptorsPerSector; ++i) {
        const auto d = sector.subspan(static_cast<std::size_t>(i) * kDescriptorSize).first<kDescriptorSize>();
        const auto options = d.subspan(kOptionsOffset, kCardOptionCount);
        if (std::any_of(options.begin(), options.end(), [](std::uint8_t b) { return b > 1; }))
            return kDirectoryBadOption;
        const auto name = d.subspan(kDeviceNameOffset, kDeviceNameField);
        if (std::any_of(name.begin(), name.end(), [](std::uint8_t b) { return b >= 1 && b <= 31; }))
            return kDirectoryBadName;
        const SlotDescriptor s = DecodeSlotDescriptor(d);
        if (!AreaFitsCard(s.FileStart, s.FileSectors))
            return kDirectoryFileAreaPastEnd;
        if (!AreaFitsCard(s.DataStart, s.DataSectors))
            return kDirectoryDataAreaPastEnd;
    }
    return kDirectoryWellFormed;
}

namespace {

// The project and device files of `image` for the image at `imagePath`, written together with
// `alsoWrite` (an uploaded image's own file), all of them or none.
bool UnpackRecords(std::string_view imagePath, const SectorImage* given, Prompt& prompt,
                   std::optional<FileToWrite> alsoWrite)
{
    const Path base = changeFileExt(imagePath, "");
    const Path projectPath = base + ".mpj";
    if (sameFile(projectPath, imagePath)) {
        prompt.error("The image \"" + shownPath(imagePath) +
                     "\" has the extension of a project file; unpacking it would overwrite it.");
        return false;
    }
    try {
        const SectorImage image = given ? *given : ReadSectorImage(imagePath);
        std::vector<FileToWrite> files;
        if (alsoWrite)
            files.push_back(std::move(*alsoWrite));
        TProjectFile project;
        project.Description = {"*** Project uploaded from ZR48 ***"};

        // Slots are filled in the order the directory records come, as the uploader delivers
        // them; descriptors beyond the 63rd slot are passed over.
        int n = 0;
        for (const SectorRecord& record : image.Records) {
            if (record.Number == kMenuSector) {
                project.ProjectInfo.clear();
                for (const Text& line : DecodeMenuSector(record.Data))
                    project.ProjectInfo.push_back(WithoutControlCharacters(line));
                continue;
            }
            if (record.Number >= kDirectorySectorCount)
                continue; // device file and data sectors: read by the extraction
            for (int i = 0; i < kDescriptorsPerSector && n < TProjectFile::kSlotCount; ++i, ++n) {
                const SlotDescriptor d = DecodeSlotDescriptor(DescriptorBytes(record.Data, i));
                DEVICE_CONFIG& slot = project.Slot(n);
                slot.DeviceType = d.DeviceType;
                slot.SourceSelect = d.SourceSelect;
                slot.FileStart = d.FileStart;
                slot.FileSectors = d.FileSectors;
                slot.DeviceName = WithoutControlCharacters(d.DeviceName);
                slot.ConfigFile = base + "_" + std::to_string(n + 1) + ".mpi";
                slot.OptionList = OptionListOf(d);
                if (slot.DeviceType == 0)
                    continue;
                if (auto content = ExtractDeviceFile(image, slot.FileStart, slot.FileSectors)) {
                    files.push_back({slot.ConfigFile, std::move(*content)});
                } else {
                    slot.FileStart = 0;
                    slot.FileSectors = 0;
                    slot.ConfigFile.clear();
                }
            }
        }
        // The project's text refuses a name it cannot hold (a line break in the folder's name)
        // before anything is written; then all files are written together, or none.
        const Text projectText = project.SaveText(projectPath);
        files.push_back({projectPath, Bytes(projectText.begin(), projectText.end())});
        writeFilesAtomically(files);
    } catch (const Error& e) {
        prompt.error(e.message());
        return false;
    }
    return true;
}

} // namespace

bool UnpackImage(std::string_view imagePath, Prompt& prompt)
{
    return UnpackRecords(imagePath, nullptr, prompt, std::nullopt);
}

bool UnpackUploadedImage(std::string_view imagePath, std::span<const std::uint8_t> imageBytes, Prompt& prompt)
{
    const SectorImage image = DecodeSectorImage(imageBytes);
    return UnpackRecords(imagePath, &image, prompt,
                         FileToWrite{Path(imagePath), Bytes(imageBytes.begin(), imageBytes.end())});
}

std::optional<std::string> UnpackTargetProblem(std::string_view imagePath)
{
    const Path base = changeFileExt(imagePath, "");
    if (base.find_first_of("\r\n") != Path::npos)
        return "the name \"" + shownPath(base) + "\" holds a line break, which a project file cannot hold";
    std::vector<Path> targets{Path(imagePath), base + ".mpj", base + ".partial.mpd"};
    for (int n = 1; n <= TProjectFile::kSlotCount; ++n)
        targets.push_back(base + "_" + std::to_string(n) + ".mpi");
    for (const Path& target : targets) {
        if (extractFileName(target).size() > kMaxFileNameBytes)
            return "the file name \"" + shownPath(extractFileName(target)) + "\" is longer than " +
                   std::to_string(kMaxFileNameBytes) + " bytes, which the system does not take";
        if (target.size() > kMaxPathBytes)
            return "the path \"" + shownPath(target) + "\" is longer than " + std::to_string(kMaxPathBytes) +
                   " bytes, which the system does not take";
        if (directoryExists(target))
            return "\"" + shownPath(target) + "\" is a folder, where the upload writes a file";
    }
    try {
        checkWritable(imagePath);
    } catch (const Error& e) {
        return e.message();
    }
    std::error_code ec;
    const auto space = std::filesystem::space(toFsPath(extractFileDir(imagePath)), ec);
    if (!ec && space.available < kMostUploadBytes)
        return "the folder \"" + shownPath(extractFileDir(imagePath)) + "\" has " +
               std::to_string(space.available / 1024) + " KiB free; an upload may need " +
               std::to_string(kMostUploadBytes / 1024) + " KiB";
    return std::nullopt;
}

} // namespace zr48
