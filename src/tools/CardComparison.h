#pragma once
// What the unit's card holds against what a project would write there, slot by slot in the
// installer's terms: the same, only on one side, or which settings and whether the device file
// differ; and the lines of the setup/project menu. Both sides are taken as card bytes (the project
// compiled in memory, the unit's sectors as read), so a difference is one a download would change.
// The project's description is not kept on the card and is not compared.

#include "base/CardSector.h"
#include "base/Text.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace zr48 {

enum class SlotState { Same, Differs, OnlyOnUnit, OnlyInProject };

// What differs in a slot in use on both sides (bit flags).
enum SlotDifference : unsigned {
    kTypeDiffers = 1u << 0,
    kNameDiffers = 1u << 1,
    kSourceDiffers = 1u << 2,
    kOptionsDiffer = 1u << 3,
    kDeviceFileDiffers = 1u << 4,     // its content (or a sector the unit could not hold)
    kDeviceFileNameDiffers = 1u << 5, // only the name in the device file's header
    kProjectFileUnusable = 1u << 6,   // the project's device file is missing or too big
};

struct SlotComparison {
    int Slot = 0;
    SlotState State = SlotState::Same;
    unsigned Differences = 0;
    SlotDescriptor Unit;    // as the card holds it
    SlotDescriptor Project; // as the project would write it
    Text UnitFileName;      // the device file header's name; empty when none was read
    Text ProjectFileName;
    // When the device file's content differs: its entries (KEY=value) that differ, as a download
    // would change them, each in the order of the file that holds it.
    std::vector<Text> KeysChanged;
    std::vector<Text> KeysAdded;   // only in the project's file
    std::vector<Text> KeysRemoved; // only in the unit's file
    // The unit's file is longer than the sectors read for it: entries past them are not known.
    bool UnitFileReadInPart = false;
    // Only the checksum of the unit's first sector differs: the sector is damaged.
    bool ChecksumOnly = false;

    bool Differs() const { return State != SlotState::Same; }
};

struct MenuLineComparison {
    int Line = 0; // 0 to 4
    Text Unit;
    Text Project;
    bool Same() const { return Unit == Project; }
};

struct CardComparison {
    // Every slot in use on either side, in slot order.
    std::vector<SlotComparison> Slots;
    std::array<MenuLineComparison, kMenuLineCount> Menu;
    // The card keeps a slot's areas elsewhere than the project's layout, before any slot whose
    // device type differs (which moves every later area): a download moves the unit's data.
    bool AreasDiffer = false;

    // The places that differ: slots, menu lines and the card's areas.
    int Differences() const;
    bool Same() const { return Differences() == 0; }
};

// The card sectors of one slot's device file to read: from the unit's FileStart, as many as the
// project's image holds for the slot, within the unit's area and the card.
struct DeviceFileRead {
    int Slot = 0;
    std::uint16_t FirstSector = 0;
    std::uint16_t Count = 0;
};

using DirectorySectors = std::array<Sector, kDirectorySectorCount>;

// The unit's slot descriptor of slot i from its directory sectors.
SlotDescriptor UnitDescriptor(const DirectorySectors& directory, int i);

// The device file reads a comparison needs: the slots in use on both sides whose device file the
// project could compile, in slot order.
std::vector<DeviceFileRead> PlanDeviceFileReads(const CompiledImage& image, const DirectorySectors& directory);

// Compares. `unitSectors` holds the sectors read from the card: 0 to 9 and those of the plan.
CardComparison CompareCard(const CompiledImage& image, const std::map<std::uint16_t, Sector>& unitSectors);

// Texts, in Windows-1252 like the names they quote.
// "same", "only on the unit", "only in the project", or what differs: "name and source differ;
// device file differs".
Text SlotStateText(const SlotComparison& slot);
// One text per difference, saying both sides: "name differs: "Radio" on the unit, "Tuner" in the
// project".
std::vector<Text> SlotDifferenceDetails(const SlotComparison& slot);
// What a slot holds: "K73 FM-Tuner "Radio"".
Text DescriptorSummary(const SlotDescriptor& descriptor);
// The name of a device type; "device type N" outside the table.
Text DeviceTypeText(std::uint8_t type);
// "Menu line 3: "Ground floor" on the unit, "First floor" in the project" (lines count from 1).
Text MenuLineText(const MenuLineComparison& line);
// "The ZR48 holds this project." or "The ZR48 differs from this project in N places."
Text VerdictText(const CardComparison& comparison);
inline constexpr const char* kAreasDifferText =
    "Card areas: the ZR48 keeps device files and data in other sectors than this project; a download moves them.";

} // namespace zr48
