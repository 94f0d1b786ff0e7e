#include "tools/CardComparison.h"

#include "project/DeviceTypes.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
#include <string_view>

namespace zr48 {

namespace {

// The sector the image writes as number `n` (the directory and menu sectors come first).
const Sector* ImageSector(const CompiledImage& image, std::uint16_t n)
{
    const auto it = std::find_if(image.Records.begin(), image.Records.end(),
                                 [n](const SectorRecord& record) { return record.Number == n; });
    return it == image.Records.end() ? nullptr : &it->Data;
}

SlotDescriptor ProjectDescriptor(const CompiledImage& image, int i)
{
    const Sector* sector = ImageSector(image, static_cast<std::uint16_t>(i / kDescriptorsPerSector));
    return sector ? DecodeSlotDescriptor(DescriptorBytes(*sector, i % kDescriptorsPerSector)) : SlotDescriptor{};
}

bool Failed(const CompiledImage& image, int i)
{
    return std::find(image.FailedSlots.begin(), image.FailedSlots.end(), i) != image.FailedSlots.end();
}

// How many of the project's device file sectors the unit's area can hold, within the card.
std::uint16_t ReadableCount(std::size_t projectSectors, const SlotDescriptor& unit)
{
    const std::size_t toCardEnd = kLastCardSector + 1 - unit.FileStart;
    return static_cast<std::uint16_t>(std::min({projectSectors, std::size_t{unit.FileSectors}, toCardEnd}));
}

// The bytes of a device file header that are neither its checksum nor its name.
constexpr std::size_t kChecksumEnd = 2;
constexpr std::size_t kNameFieldEnd = kHeaderNameOffset + kHeaderNameMax + 1;

bool SameBytes(const Sector& a, const Sector& b, std::size_t from, std::size_t to)
{
    return std::equal(a.begin() + static_cast<std::ptrdiff_t>(from), a.begin() + static_cast<std::ptrdiff_t>(to),
                      b.begin() + static_cast<std::ptrdiff_t>(from));
}

Text HeaderName(const Sector& first)
{
    const DeviceFileHeader header = DecodeDeviceFileHeader(first);
    return header.TotalLength >= kHeaderSize ? header.Name : Text{};
}

// The text of a device file from its card sectors: after the header, as long as the header says,
// within the sectors there are. `cut` tells whether the header names more than the sectors hold.
Text DeviceFileText(const std::vector<const Sector*>& sectors, bool& cut)
{
    cut = false;
    if (sectors.empty())
        return {};
    const std::uint32_t total = DecodeDeviceFileHeader(*sectors.front()).TotalLength;
    const std::size_t length = total > kHeaderSize ? total - kHeaderSize : 0;
    Text text;
    for (std::size_t i = 0; i < sectors.size() && text.size() < length; ++i) {
        const std::size_t from = i == 0 ? kHeaderSize : 0;
        const std::size_t take = std::min(kSectorSize - from, length - text.size());
        text.append(reinterpret_cast<const char*>(sectors[i]->data() + from), take);
    }
    if (text.size() < length) {
        cut = true;
        // The last line read may be cut short: it says nothing about its entry.
        const std::size_t lineEnd = text.find_last_of("\r\n");
        text.resize(lineEnd == Text::npos ? 0 : lineEnd + 1);
    }
    return text;
}

// The entries of the two files that differ, as a download would change the unit's file.
void CompareEntries(const Text& unitText, const Text& projectText, SlotComparison& slot)
{
    const TSimpleIniFile unit(TSimpleIniFile::DecodeLines(unitText));
    const TSimpleIniFile project(TSimpleIniFile::DecodeLines(projectText));
    const std::vector<Text> unitNames = unit.EntryNames();
    const std::vector<Text> projectNames = project.EntryNames();
    const auto holds = [](const std::vector<Text>& names, const Text& name) {
        return std::any_of(names.begin(), names.end(),
                           [&name](const Text& other) { return lowerCase(other) == lowerCase(name); });
    };
    for (const Text& name : projectNames) {
        if (!holds(unitNames, name)) {
            // It may stand past what was read of the unit's file: not known to be missing there.
            if (!slot.UnitFileReadInPart)
                slot.KeysAdded.push_back(name);
        } else if (unit.ReadString(name, "") != project.ReadString(name, ""))
            slot.KeysChanged.push_back(name);
    }
    for (const Text& name : unitNames)
        if (!holds(projectNames, name))
            slot.KeysRemoved.push_back(name);
}

// Sets the device file differences of a slot in use on both sides.
void CompareDeviceFile(const CompiledImage& image, const std::map<std::uint16_t, Sector>& unitSectors,
                       SlotComparison& slot)
{
    if (Failed(image, slot.Slot)) {
        slot.Differences |= kProjectFileUnusable;
        return;
    }
    const std::vector<SectorRecord> area = image.DeviceFileRecords(slot.Slot);
    if (area.empty())
        return;
    const std::uint16_t readable = ReadableCount(area.size(), slot.Unit);
    bool contentDiffers = readable < area.size();
    bool nameDiffers = false;
    bool checksumDiffers = false;
    slot.ProjectFileName = HeaderName(area.front().Data);
    for (std::uint16_t j = 0; j < readable && !contentDiffers; ++j) {
        const auto it = unitSectors.find(static_cast<std::uint16_t>(slot.Unit.FileStart + j));
        if (it == unitSectors.end()) {
            contentDiffers = true;
            break;
        }
        const Sector& mine = area[j].Data;
        const Sector& theirs = it->second;
        if (j == 0) {
            slot.UnitFileName = HeaderName(theirs);
            checksumDiffers = !SameBytes(mine, theirs, 0, kChecksumEnd);
            nameDiffers = !SameBytes(mine, theirs, kHeaderNameOffset, kNameFieldEnd);
            contentDiffers = !SameBytes(mine, theirs, kChecksumEnd, kHeaderNameOffset) ||
                             !SameBytes(mine, theirs, kNameFieldEnd, kSectorSize);
        } else {
            contentDiffers = mine != theirs;
        }
    }
    // A checksum that alone differs means a damaged first sector on the card.
    if (contentDiffers || (checksumDiffers && !nameDiffers))
        slot.Differences |= kDeviceFileDiffers;
    slot.ChecksumOnly = !contentDiffers && checksumDiffers && !nameDiffers;
    if (contentDiffers) {
        std::vector<const Sector*> mine;
        std::vector<const Sector*> theirs;
        for (const SectorRecord& record : area)
            mine.push_back(&record.Data);
        for (std::uint16_t j = 0; j < readable; ++j) {
            const auto it = unitSectors.find(static_cast<std::uint16_t>(slot.Unit.FileStart + j));
            if (it == unitSectors.end())
                break;
            theirs.push_back(&it->second);
        }
        bool projectCut = false;
        const Text projectText = DeviceFileText(mine, projectCut);
        const Text unitText = DeviceFileText(theirs, slot.UnitFileReadInPart);
        CompareEntries(unitText, projectText, slot);
    }
    if (nameDiffers)
        slot.Differences |= kDeviceFileNameDiffers;
}

bool SameAreas(const SlotDescriptor& a, const SlotDescriptor& b)
{
    return a.FileStart == b.FileStart && a.FileSectors == b.FileSectors && a.DataStart == b.DataStart &&
           a.DataSectors == b.DataSectors;
}

Text Quoted(const Text& text)
{
    return "\"" + text + "\"";
}

Text OnBothSides(const Text& unit, const Text& project)
{
    return unit + " on the unit, " + project + " in the project";
}

Text OptionsText(const std::array<std::uint8_t, kCardOptionCount>& options)
{
    Text text;
    for (int n = 0; n < kCardOptionCount; ++n) {
        if (options[static_cast<std::size_t>(n)] == 0)
            continue;
        text += (text.empty() ? "" : ", ") + std::to_string(n + 1);
    }
    return text.empty() ? "none" : text;
}

// "a", "a and b", "a, b and c".
Text JoinedList(const std::vector<const char*>& words)
{
    Text text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? " and " : ", ";
        text += words[i];
    }
    return text;
}

// "A", "A and B", "A, B and C"; past `named` names, "A, B and 3 more".
Text NameList(const std::vector<Text>& names, std::size_t named)
{
    const std::size_t shown = names.size() > named ? named : names.size();
    std::vector<Text> parts(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(shown));
    if (shown < names.size())
        parts.push_back(std::to_string(names.size() - shown) + " more");
    Text text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

// What differs inside a device file: "IR_MUTE changed; IR_STOP added in the project".
Text EntriesText(const SlotComparison& slot)
{
    constexpr std::size_t kNamed = 6; // a line stays readable; the rest is counted
    if (slot.ChecksumOnly)
        return "its content is the same, but the checksum of its first sector on the ZR48 is not (a damaged sector)";
    Text text;
    const auto add = [&text](const std::vector<Text>& names, const char* what) {
        if (!names.empty())
            text += (text.empty() ? "" : "; ") + NameList(names, kNamed) + what;
    };
    add(slot.KeysChanged, " changed");
    add(slot.KeysAdded, " added in the project");
    add(slot.KeysRemoved, " removed in the project");
    if (slot.UnitFileReadInPart)
        return text.empty() ? "the ZR48's file is longer, and the part of it read holds the same entries"
                            : text + " (the ZR48's file is longer; past the project's length it was not read)";
    return text.empty() ? "the same entries, in other lines (comments, spacing or order)" : text;
}

} // namespace

int CardComparison::Differences() const
{
    const auto slots = std::count_if(Slots.begin(), Slots.end(), [](const SlotComparison& s) { return s.Differs(); });
    const auto lines = std::count_if(Menu.begin(), Menu.end(), [](const MenuLineComparison& l) { return !l.Same(); });
    return static_cast<int>(slots + lines) + (AreasDiffer ? 1 : 0);
}

SlotDescriptor UnitDescriptor(const DirectorySectors& directory, int i)
{
    return DecodeSlotDescriptor(
        DescriptorBytes(directory[static_cast<std::size_t>(i / kDescriptorsPerSector)], i % kDescriptorsPerSector));
}

std::vector<DeviceFileRead> PlanDeviceFileReads(const CompiledImage& image, const DirectorySectors& directory)
{
    std::vector<DeviceFileRead> reads;
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        const SlotDescriptor unit = UnitDescriptor(directory, i);
        if (image.Project.Slot(i).DeviceType == 0 || unit.DeviceType == 0 || Failed(image, i))
            continue;
        const std::uint16_t count = ReadableCount(image.DeviceFileRecords(i).size(), unit);
        if (count > 0)
            reads.push_back({i, unit.FileStart, count});
    }
    return reads;
}

CardComparison CompareCard(const CompiledImage& image, const std::map<std::uint16_t, Sector>& unitSectors)
{
    const auto unitSector = [&unitSectors](std::uint16_t n) {
        const auto it = unitSectors.find(n);
        return it == unitSectors.end() ? Sector{} : it->second;
    };
    DirectorySectors directory;
    for (int k = 0; k < kDirectorySectorCount; ++k)
        directory[static_cast<std::size_t>(k)] = unitSector(static_cast<std::uint16_t>(k));

    CardComparison comparison;
    bool layoutComparable = true; // until a slot's device type differs
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        SlotComparison slot;
        slot.Slot = i;
        slot.Unit = UnitDescriptor(directory, i);
        slot.Project = ProjectDescriptor(image, i);
        const bool onUnit = slot.Unit.DeviceType != 0;
        const bool inProject = slot.Project.DeviceType != 0;
        if (slot.Unit.DeviceType != slot.Project.DeviceType)
            layoutComparable = false;
        else if (layoutComparable && onUnit && !SameAreas(slot.Unit, slot.Project))
            comparison.AreasDiffer = true;
        if (!onUnit && !inProject)
            continue;
        if (!onUnit || !inProject) {
            slot.State = onUnit ? SlotState::OnlyOnUnit : SlotState::OnlyInProject;
            comparison.Slots.push_back(std::move(slot));
            continue;
        }
        if (slot.Unit.DeviceType != slot.Project.DeviceType)
            slot.Differences |= kTypeDiffers;
        if (slot.Unit.DeviceName != slot.Project.DeviceName)
            slot.Differences |= kNameDiffers;
        if (slot.Unit.SourceSelect != slot.Project.SourceSelect)
            slot.Differences |= kSourceDiffers;
        if (slot.Unit.Options != slot.Project.Options)
            slot.Differences |= kOptionsDiffer;
        CompareDeviceFile(image, unitSectors, slot);
        slot.State = slot.Differences == 0 ? SlotState::Same : SlotState::Differs;
        comparison.Slots.push_back(std::move(slot));
    }

    const auto unitMenu = DecodeMenuSector(unitSector(kMenuSector));
    const Sector* projectMenuSector = ImageSector(image, kMenuSector);
    const auto projectMenu = DecodeMenuSector(projectMenuSector ? *projectMenuSector : Sector{});
    for (int n = 0; n < kMenuLineCount; ++n) {
        const auto at = static_cast<std::size_t>(n);
        comparison.Menu[at] = {n, unitMenu[at], projectMenu[at]};
    }
    return comparison;
}

Text SlotStateText(const SlotComparison& slot)
{
    switch (slot.State) {
    case SlotState::Same: return "same";
    case SlotState::OnlyOnUnit: return "only on the unit";
    case SlotState::OnlyInProject: return "only in the project";
    case SlotState::Differs: break;
    }
    const unsigned d = slot.Differences;
    std::vector<const char*> settings;
    if (d & kTypeDiffers)
        settings.push_back("device type");
    if (d & kNameDiffers)
        settings.push_back("name");
    if (d & kSourceDiffers)
        settings.push_back("source");
    if (d & kOptionsDiffer)
        settings.push_back("options");
    std::vector<Text> parts;
    if (!settings.empty()) {
        const bool plural = settings.size() > 1 || std::string_view(settings[0]) == "options";
        parts.push_back(JoinedList(settings) + (plural ? " differ" : " differs"));
    }
    if (d & kProjectFileUnusable)
        parts.emplace_back("the project's device file is missing or too big");
    else if (d & kDeviceFileDiffers)
        parts.emplace_back("device file differs");
    else if (d & kDeviceFileNameDiffers)
        parts.emplace_back("device file name differs");
    Text text;
    for (const Text& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

std::vector<Text> SlotDifferenceDetails(const SlotComparison& slot)
{
    std::vector<Text> details;
    if (slot.State != SlotState::Differs)
        return details;
    const unsigned d = slot.Differences;
    const SlotDescriptor& u = slot.Unit;
    const SlotDescriptor& p = slot.Project;
    if (d & kTypeDiffers)
        details.push_back("device type differs: " +
                          OnBothSides(DeviceTypeText(u.DeviceType), DeviceTypeText(p.DeviceType)));
    if (d & kNameDiffers)
        details.push_back("name differs: " + OnBothSides(Quoted(u.DeviceName), Quoted(p.DeviceName)));
    if (d & kSourceDiffers)
        details.push_back("source differs: " +
                          OnBothSides(SourceSelectText(u.SourceSelect), SourceSelectText(p.SourceSelect)));
    if (d & kOptionsDiffer)
        details.push_back("options differ: " + OnBothSides(OptionsText(u.Options), OptionsText(p.Options)));
    if (d & kProjectFileUnusable) {
        details.emplace_back("the project's device file is missing or too big for its area, so it was not compared");
    } else if (d & kDeviceFileNameDiffers) {
        details.push_back(Text((d & kDeviceFileDiffers) ? "device file differs: " : "device file name differs: ") +
                          OnBothSides(Quoted(slot.UnitFileName), Quoted(slot.ProjectFileName)) +
                          ((d & kDeviceFileDiffers) ? "; " + EntriesText(slot) : " (the content is the same)"));
    } else if (d & kDeviceFileDiffers) {
        details.push_back("device file " + Quoted(slot.ProjectFileName) + " differs: " + EntriesText(slot));
    }
    return details;
}

Text DeviceTypeText(std::uint8_t type)
{
    if (const TDeviceTypeInfo* info = DeviceTypeInfo(type))
        return Text(info->Name);
    return "device type " + std::to_string(type);
}

Text DescriptorSummary(const SlotDescriptor& descriptor)
{
    return DeviceTypeText(descriptor.DeviceType) + " " + Quoted(descriptor.DeviceName);
}

Text MenuLineText(const MenuLineComparison& line)
{
    const Text name = "Menu line " + std::to_string(line.Line + 1) + ": ";
    return name + (line.Same() ? Text("same") : OnBothSides(Quoted(line.Unit), Quoted(line.Project)));
}

Text VerdictText(const CardComparison& comparison)
{
    const int n = comparison.Differences();
    if (n == 0)
        return "The ZR48 holds this project.";
    return "The ZR48 differs from this project in " + std::to_string(n) + (n == 1 ? " place." : " places.");
}

} // namespace zr48
