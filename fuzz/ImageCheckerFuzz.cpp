// The image checks on any image: an image they accept is one the unpacker takes whole (the project
// file is written, and every assigned slot whose area begins with a device file header gets its
// device file), and the checks give the same answer for the same records written out again.

#include "FuzzSupport.h"

#include "project/CardFormat.h"
#include "project/ImageCheck.h"
#include "project/ImageReader.h"

#include <fstream>

using namespace zr48;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxImageBytes)
        return 0;
    const SectorImage image = DecodeSectorImage({data, size});
    const std::vector<Text> problems = ImageProblems(image);

    const std::vector<Text> again = ImageProblems(DecodeSectorImage(EncodeSectorImage(image.Records)));
    if (image.TrailingBytes == 0)
        FUZZ_CHECK(again == problems, "the same records were judged differently");
    if (!problems.empty())
        return 0;
    FUZZ_CHECK(image.TrailingBytes == 0, "an image with a cut-off record passed the checks");

    const std::filesystem::path folder = fuzz::scratchFolder() / "checked";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path imagePath = folder / "Fuzz.mpd";
    {
        std::ofstream out(imagePath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    fuzz::SilentPrompt prompt;
    FUZZ_CHECK(UnpackImage(imagePath.string(), prompt), "an image that passed the checks did not unpack");
    FUZZ_CHECK(std::filesystem::exists(folder / "Fuzz.mpj"), "no project file from a checked image");

    // Every slot in use whose area holds a device file (a header of 64 bytes or more) has it unpacked.
    const SectorIndex index(image);
    for (std::uint16_t sector = 0; sector <= 8; ++sector) {
        const SectorRecord* record = index.Find(sector);
        FUZZ_CHECK(record, "a checked image without directory sector " + std::to_string(sector));
        for (int i = 0; i < 7; ++i) {
            const int slot = sector * 7 + i;
            const SlotDescriptor slotDescriptor = DecodeSlotDescriptor(DescriptorBytes(record->Data, i));
            if (slotDescriptor.DeviceType == 0)
                continue;
            const SectorRecord* first = index.Find(slotDescriptor.FileStart);
            if (!first || DecodeDeviceFileHeader(first->Data).TotalLength < kHeaderSize)
                continue;
            const auto file = folder / ("Fuzz_" + std::to_string(slot + 1) + ".mpi");
            FUZZ_CHECK(std::filesystem::exists(file), "slot " + std::to_string(slot + 1) + " has no device file");
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
