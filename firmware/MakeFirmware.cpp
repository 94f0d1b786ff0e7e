// make-firmware OUTPUT...: writes the demonstration firmware image to each OUTPUT; it is for the
// simulated unit only and no firmware for a real ZR48.
//
// The image is our own: 122,880 bytes, the 480 blocks of 256 bytes that an update programs, of
// reproducible filler (never a zero byte, never the version marker by chance) with the version
// text "R48+1.21 KELDO DEMO" and its zero byte, so that the unit reports it after an update.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

int main(int argc, char* argv[])
{
    constexpr std::size_t kSize = 122880;
    constexpr std::size_t kVersionAt = 0x1D800;
    constexpr std::string_view kVersion = "R48+1.21 KELDO DEMO";

    std::vector<char> image(kSize);
    std::uint32_t state = 0x2F6B4E31;
    for (char& byte : image) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Lower case letters and digits only: no zero byte and no 'R' of a marker.
        static constexpr std::string_view kFiller = "abcdefghijklmnopqrstuvwxyz0123456789";
        byte = kFiller[state % kFiller.size()];
    }
    for (std::size_t i = 0; i < kVersion.size(); ++i)
        image[kVersionAt + i] = kVersion[i];
    image[kVersionAt + kVersion.size()] = '\0';

    for (int i = 1; i < argc; ++i) {
        std::ofstream out(argv[i], std::ios::binary | std::ios::trunc);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
        if (!out) {
            std::fprintf(stderr, "make-firmware: cannot write %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
