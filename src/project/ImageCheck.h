#pragma once
// The checks of a card image before it is written to a card or unpacked into a project: whole
// sector records, the directory (sectors 0 to 8, each once and well formed), the project menu
// sector, and for every assigned slot a device file that lies in the image and inside its area.
// A compiled image, and an image read back from a card written from one, pass them all.

#include "base/Text.h"
#include "project/SectorImage.h"

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace zr48 {

// The records of an image by sector number: the first record of each number.
class SectorIndex {
public:
    explicit SectorIndex(const SectorImage& image);
    // Null when the image holds no record of that number.
    const SectorRecord* Find(std::uint16_t number) const;

private:
    const SectorImage& image_;
    std::map<std::uint16_t, std::size_t> first_;
};

// What a code of CheckDirectorySector means, in words ("well formed" for 0).
const char* DirectoryCheckMeaning(int code);

// One problem of an image, with the sectors whose content it rests on: read again from a card,
// they may show that the problem came from the line, not from the card. Empty when no sector's
// content would change it (a sector missing from the file, a cut-off record).
struct ImageFinding {
    Text Problem;
    std::vector<std::uint16_t> Sectors;
};

// Every problem of the image, in the order a reader meets them; empty when there is none.
std::vector<ImageFinding> ImageFindings(const SectorImage& image);
std::vector<Text> ImageProblems(const SectorImage& image);

// Whether the image holds directory sectors and none of them assigns a device: written to a card,
// it leaves the unit with an empty project.
bool ImageAssignsNoDevice(const SectorImage& image);

// The first problem of the image file at `path`, as a sentence naming the file; empty when the
// image passes the checks. Throws zr48::Error naming the path when the file cannot be read.
Text ImageFileProblem(std::string_view path);

} // namespace zr48
