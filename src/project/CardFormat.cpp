#include "project/CardFormat.h"

#include "base/ByteOrder.h"
#include "base/Paths.h"

#include <algorithm>

namespace zr48 {

namespace {

Text ZeroEndedText(std::span<const std::uint8_t> field)
{
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return Text(field.begin(), end);
}

void CopyCut(std::string_view text, std::size_t limit, std::uint8_t* out)
{
    const std::size_t n = std::min(text.size(), limit);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(text.data()), n, out);
}

} // namespace

void EncodeSlotDescriptor(const DEVICE_CONFIG& slot, std::span<std::uint8_t, kDescriptorSize> out)
{
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    out[0] = static_cast<std::uint8_t>(slot.DeviceType);
    out[1] = static_cast<std::uint8_t>(slot.SourceSelect);
    writeLe16(&out[2], slot.FileStart);
    writeLe16(&out[4], slot.FileSectors);
    writeLe16(&out[6], slot.DataStart);
    writeLe16(&out[8], slot.DataSectors);
    CopyCut(slot.DeviceName, kDeviceNameField - 1, &out[kDeviceNameOffset]);
    for (int n = 0; n < kCardOptionCount; ++n) {
        const bool on = static_cast<std::size_t>(n) < slot.OptionList.size() && slot.OptionList[n] == '1';
        out[kOptionsOffset + n] = on ? 1 : 0;
    }
}

SlotDescriptor DecodeSlotDescriptor(std::span<const std::uint8_t, kDescriptorSize> in)
{
    SlotDescriptor d;
    d.DeviceType = in[0];
    d.SourceSelect = in[1];
    d.FileStart = readLe16(&in[2]);
    d.FileSectors = readLe16(&in[4]);
    d.DataStart = readLe16(&in[6]);
    d.DataSectors = readLe16(&in[8]);
    d.DeviceName = ZeroEndedText(in.subspan(kDeviceNameOffset, kDeviceNameField));
    std::copy_n(&in[kOptionsOffset], kCardOptionCount, d.Options.begin());
    return d;
}

std::span<const std::uint8_t, kDescriptorSize> DescriptorBytes(const Sector& sector, int index)
{
    return std::span(sector).subspan(static_cast<std::size_t>(index) * kDescriptorSize).first<kDescriptorSize>();
}

Sector EncodeDirectorySector(const TProjectFile& project, int k)
{
    Sector sector{};
    for (int i = 0; i < kDescriptorsPerSector; ++i) {
        auto out = std::span(sector).subspan(static_cast<std::size_t>(i) * kDescriptorSize).first<kDescriptorSize>();
        EncodeSlotDescriptor(project.Slot(k * kDescriptorsPerSector + i), out);
    }
    return sector;
}

Sector EncodeMenuSector(const std::vector<Text>& lines)
{
    Sector sector{};
    for (std::size_t i = 0; i < lines.size() && i < kMenuLineCount; ++i)
        CopyCut(lines[i], kMenuEntrySize - 1, &sector[i * kMenuEntrySize]);
    return sector;
}

std::array<Text, kMenuLineCount> DecodeMenuSector(const Sector& sector)
{
    std::array<Text, kMenuLineCount> lines;
    for (std::size_t i = 0; i < kMenuLineCount; ++i)
        lines[i] = ZeroEndedText(std::span(sector).subspan(i * kMenuEntrySize, kMenuEntrySize));
    return lines;
}

std::uint16_t DeviceFileChecksum(const Sector& first)
{
    std::uint32_t sum = kChecksumSeed;
    for (std::size_t i = 2; i < kSectorSize; ++i)
        sum += first[i];
    return static_cast<std::uint16_t>(sum);
}

Text DeviceFileHeaderName(std::string_view configFile)
{
    const Path fileName = extractFileName(configFile);
    const std::size_t dot = fileName.rfind('.');
    const std::u32string characters = utf8Characters(dot == Path::npos ? fileName : fileName.substr(0, dot));
    // The card keeps the low 8 bits of each character's Unicode code point (for letters such as
    // ä or é that is their Windows-1252 byte): one byte a character, not the name's UTF-8 bytes.
    Text name;
    for (std::size_t i = 0; i < characters.size() && i < kHeaderNameMax; ++i)
        name += static_cast<char>(characters[i] & 0xFF);
    return name;
}

DeviceFileHeader DecodeDeviceFileHeader(const Sector& first)
{
    DeviceFileHeader header;
    header.Checksum = readLe16(&first[0]);
    header.TotalLength = readLe32(&first[2]);
    header.Name = ZeroEndedText(std::span(first).subspan(kHeaderNameOffset, kHeaderNameMax + 1));
    header.ChecksumValid = header.Checksum == DeviceFileChecksum(first);
    return header;
}

} // namespace zr48
