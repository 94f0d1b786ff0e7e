#pragma once
// One project in memory: 63 device slots, the free description and the lines of the unit's
// setup/project menu; loaded from and saved to a project file (.mpj). Its texts are Windows-1252;
// its paths (the project file, the device files) are the file system's bytes, written into the
// project file as they are.

#include "base/Paths.h"
#include "base/Text.h"
#include "project/DeviceTypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

class Prompt;

// One device assignment; also the record of a device database entry.
struct DEVICE_CONFIG {
    Text SlotName;
    Path DescriptionFile; // the .txt beside the device file; never stored in the project file
    std::uint16_t DeviceType = 0;
    Text DeviceName;
    std::uint16_t SourceSelect = 0;
    Text OptionList; // character n is '1' when option n is on
    Path ConfigFile; // full path of the device INI file, or empty
    // Card areas: computed by the image builder or read back from a card.
    std::uint16_t FileStart = 0;
    std::uint16_t FileSectors = 0;
    std::uint16_t DataStart = 0;
    std::uint16_t DataSectors = 0;

    bool operator==(const DEVICE_CONFIG&) const = default;
};

class TProjectFile {
public:
    static constexpr int kSlotCount = 63;
    static constexpr int kSlotsPerGroup = 7;
    static constexpr std::array<std::string_view, 9> kGroupNames = {"TUNER", "DVD",   "TV",    "SERVER", "SAT",
                                                                    "VIDEO", "AUDIO", "LIGHT", "SOUND"};

    TProjectFile();

    // Replaces the contents with the project file at `path`; never fails (a missing file reads as
    // empty). Device files that lay in the saved project's own folder follow it to `path`'s folder.
    void Load(std::string_view path);
    // Writes the whole file through a temporary file; throws zr48::Error (the file on disk and the
    // project in memory stay as they were) when it cannot. Every text comes back from Load as it
    // was saved: one that Load would change (blanks at an end, enclosing quotes) is written inside
    // double quotes; one with a line break or longer than 2,047 characters is refused.
    void Save(std::string_view path);
    // The file's text as Save writes it; throws zr48::Error naming the key of a text it refuses.
    // A path comes back from Load as the bytes it was saved with, also one that is not UTF-8.
    Text SaveText(std::string_view path) const;

    DEVICE_CONFIG& Slot(int i) { return Devices.at(static_cast<size_t>(i)); }
    const DEVICE_CONFIG& Slot(int i) const { return Devices.at(static_cast<size_t>(i)); }
    static Text SlotName(int i);
    // The first slot of that name (letter case ignored); slot 0 when there is none.
    DEVICE_CONFIG& SlotByName(std::string_view name);
    int SlotIndexByName(std::string_view name) const;
    static void ClearSlot(DEVICE_CONFIG& slot);

    // Fills slot i from a database entry or another project's slot and copies its device file
    // into this project's folder, asking before it overwrites a different file there. False when
    // the device file is not in the project folder (missing, or not copied), which has been said.
    bool AssignSlot(int i, const DEVICE_CONFIG& entry, Prompt& prompt);

    enum class CopyResult {
        Complete,   // the project and every device file are in the target's folder
        Incomplete, // the project is saved, but some device files are missing (each said)
        Failed,     // nothing could be written into the target's folder (said); nothing was saved
    };
    // Makes this (fresh) project a copy of the project at `source`, saved as `target`, with its
    // own copies of every device file.
    CopyResult CopyProject(std::string_view source, std::string_view target, Prompt& prompt);

    // Whether a save to `path` writes a path that is not UTF-8.
    bool HasPathBeyondUtf8(std::string_view path) const;

    std::array<DEVICE_CONFIG, kSlotCount> Devices;
    Path FileName;
    std::vector<Text> Description;
    std::vector<Text> ProjectInfo;
};

// A project file is text of at most 8 MiB. The largest project is far smaller (63 slots of five
// values of at most 2,047 characters, the menu lines and a description of a few hundred lines come
// to well under 1 MiB), so a file above the bound is no project and is refused before it is read
// whole.
inline constexpr std::size_t kMaxProjectFileBytes = std::size_t{8} * 1024 * 1024;

// Why the file at `path` is no project file, as the end of a sentence ("it holds binary data, not
// text (...)"): no readable file (kNoSuchFile when there is none), larger than
// kMaxProjectFileBytes, binary bytes, or neither a [PROJECT] section nor a slot section. nullopt
// for a project file. Loading such a file would give an empty project, and compiling it an image
// that empties the unit's card.
std::optional<std::string> ProjectFileProblem(std::string_view path);
// The message for that problem, naming the file.
std::string ProjectFileProblemMessage(std::string_view path, const std::string& problem);

} // namespace zr48
