#include "project/ImageCheck.h"

#include "base/Paths.h"

#include "project/CardFormat.h"
#include "project/DeviceTypes.h"
#include "project/ImageReader.h"
#include "project/ProjectFile.h"

#include <string>

namespace zr48 {

SectorIndex::SectorIndex(const SectorImage& image) : image_(image)
{
    for (std::size_t i = 0; i < image.Records.size(); ++i)
        first_.try_emplace(image.Records[i].Number, i);
}

const SectorRecord* SectorIndex::Find(std::uint16_t number) const
{
    const auto it = first_.find(number);
    return it == first_.end() ? nullptr : &image_.Records[it->second];
}

const char* DirectoryCheckMeaning(int code)
{
    switch (code) {
    case kDirectoryBadOption: return "an option byte is neither 0 nor 1";
    case kDirectoryBadName: return "a device name holds a control character";
    case kDirectoryFileAreaPastEnd: return "a device file area runs past sector 65535";
    case kDirectoryDataAreaPastEnd: return "a data area runs past sector 65535";
    default: return "well formed";
    }
}

namespace {

class ImageChecker {
public:
    explicit ImageChecker(const SectorImage& image) : image_(image), index_(image) {}

    std::vector<ImageFinding> Run()
    {
        if (image_.Records.empty() && image_.TrailingBytes == 0) {
            problem("the file holds no sector records");
            return problems_;
        }
        RepeatedSectors();
        if (image_.TrailingBytes != 0)
            problem("the file ends with " + std::to_string(image_.TrailingBytes) + " bytes of a cut-off sector");
        Directory();
        if (!index_.Find(kMenuSector))
            problem("the menu sector 9 is missing");
        for (const Assigned& a : assigned_)
            DeviceFile(a);
        return problems_;
    }

private:
    struct Assigned {
        int slot;
        SlotDescriptor descriptor;
    };

    void problem(Text text, std::vector<std::uint16_t> sectors = {})
    {
        problems_.push_back({std::move(text), std::move(sectors)});
    }
    // The directory sector that holds a slot's descriptor.
    static std::uint16_t DirectorySectorOf(int slot)
    {
        return static_cast<std::uint16_t>(slot / kDescriptorsPerSector);
    }

    // The directory and the menu are read by number; a second record of one of them would be
    // written over the first on the card.
    void RepeatedSectors()
    {
        std::vector<int> seen(kMenuSector + 1, 0);
        for (const SectorRecord& r : image_.Records) {
            if (r.Number <= kMenuSector && ++seen[r.Number] == 2)
                problem("sector " + std::to_string(r.Number) + " appears more than once");
        }
    }

    void Directory()
    {
        for (int k = 0; k < kDirectorySectorCount; ++k) {
            const SectorRecord* r = index_.Find(static_cast<std::uint16_t>(k));
            if (!r) {
                problem("directory sector " + std::to_string(k) + " is missing");
                continue;
            }
            const auto sector = static_cast<std::uint16_t>(k);
            if (const int code = CheckDirectorySector(r->Data))
                problem("directory sector " + std::to_string(k) + " fails the check with error code " +
                            std::to_string(code) + ": " + DirectoryCheckMeaning(code),
                        {sector});
            for (int i = 0; i < kDescriptorsPerSector; ++i) {
                const int slot = k * kDescriptorsPerSector + i;
                const SlotDescriptor d = DecodeSlotDescriptor(DescriptorBytes(r->Data, i));
                if (d.DeviceType == 0)
                    continue;
                if (!DeviceTypeInfo(d.DeviceType))
                    problem("slot " + TProjectFile::SlotName(slot) + " has the unknown device type " +
                                std::to_string(d.DeviceType),
                            {sector});
                assigned_.push_back({slot, d});
            }
        }
    }

    void DeviceFile(const Assigned& a)
    {
        const Text slotName = TProjectFile::SlotName(a.slot);
        const SlotDescriptor& d = a.descriptor;
        // The descriptor says where the file lies, its first sector how long it is.
        const std::uint16_t descriptor = DirectorySectorOf(a.slot);
        const SectorRecord* first = d.FileStart > kMenuSector ? index_.Find(d.FileStart) : nullptr;
        if (!first) {
            problem("the device file of slot " + slotName + " is not in the image", {descriptor});
            return;
        }
        const DeviceFileHeader h = DecodeDeviceFileHeader(first->Data);
        if (h.TotalLength < kHeaderSize)
            return; // a slot without a device file
        if (!h.ChecksumValid)
            problem("the checksum of the device file of slot " + slotName + " is not valid", {d.FileStart, descriptor});
        // As the builder lays a file out: (64 + size) / 512 + 1 sectors, fewer than the area holds.
        const std::uint32_t sectors = h.TotalLength / kSectorSize + 1;
        if (d.FileSectors == 0 || sectors >= d.FileSectors) {
            problem("the device file of slot " + slotName + " is too big for its area of " +
                        std::to_string(d.FileSectors) + " sectors",
                    {d.FileStart, descriptor});
            return;
        }
        for (std::uint32_t n = 1; n < sectors; ++n) {
            if (!index_.Find(static_cast<std::uint16_t>(d.FileStart + n))) {
                problem("sector " + std::to_string(d.FileStart + n) + " of the device file of slot " + slotName +
                            " is not in the image",
                        {d.FileStart, descriptor});
                return;
            }
        }
    }

    const SectorImage& image_;
    SectorIndex index_;
    std::vector<Assigned> assigned_;
    std::vector<ImageFinding> problems_;
};

} // namespace

std::vector<ImageFinding> ImageFindings(const SectorImage& image)
{
    return ImageChecker(image).Run();
}

std::vector<Text> ImageProblems(const SectorImage& image)
{
    std::vector<Text> problems;
    for (ImageFinding& finding : ImageFindings(image))
        problems.push_back(std::move(finding.Problem));
    return problems;
}

bool ImageAssignsNoDevice(const SectorImage& image)
{
    bool directory = false;
    for (const SectorRecord& r : image.Records) {
        if (r.Number >= kDirectorySectorCount)
            continue;
        directory = true;
        for (int i = 0; i < kDescriptorsPerSector; ++i) {
            if (DecodeSlotDescriptor(DescriptorBytes(r.Data, i)).DeviceType != 0)
                return false;
        }
    }
    return directory;
}

Text ImageFileProblem(std::string_view path)
{
    const std::vector<Text> problems = ImageProblems(ReadSectorImage(path));
    if (problems.empty())
        return {};
    return "The image file \"" + shownPath(path) + "\" is damaged: " + problems.front() + ".";
}

} // namespace zr48
