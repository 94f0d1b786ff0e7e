#pragma once
// The record of an installation that an installer leaves with the customer: the project's
// description and menu lines, every assigned slot (group, slot, device type, device name, source,
// options, device file), and per device file the names of its keys; with the date and the
// program's version. A model, and its rendering as one self-contained HTML file (which the
// desktop's PDF writer also lays out).

#include "base/Paths.h"
#include "base/Text.h"
#include "project/ProjectFile.h"

#include <string>
#include <vector>

namespace zr48 {

struct ReportSlot {
    int Slot = 0;
    Text Group;      // "TUNER"
    Text SlotName;   // "TUNER-1"
    Text DeviceType; // "K73 FM-Tuner"
    Text DeviceName;
    Text Source; // empty for a device type that uses none
    // The options switched on: "1: Volume by steps", or the number alone where the device file
    // gives no text (or cannot be read); empty for a device type without options.
    std::vector<Text> Options;
    Path DeviceFile; // empty when the slot has none
};

struct ReportDeviceFile {
    Path File;
    std::vector<Text> Slots; // the slots that use it, in slot order
    bool Readable = false;
    std::vector<Text> Keys;
    std::string Problem; // why it cannot be read, as a message naming it (UTF-8); empty when readable
};

struct InstallationReport {
    Path ProjectFile;
    std::vector<Text> Description;
    std::vector<Text> MenuLines;
    std::vector<ReportSlot> Slots;             // the assigned slots, in slot order
    std::vector<ReportDeviceFile> DeviceFiles; // each file once, in the order of the slots
    std::string Date;                          // as the caller gives it: the core reads no clock
    std::string Version;

    // The project's name: its file name without the extension.
    Path ProjectName() const;
};

// Reads each device file once for its option texts and keys.
InstallationReport MakeInstallationReport(const TProjectFile& project, std::string date, std::string version);

// One HTML file, UTF-8, with its style inside and nothing it loads from elsewhere.
std::string InstallationReportHtml(const InstallationReport& report);

} // namespace zr48
