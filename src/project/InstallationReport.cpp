#include "project/InstallationReport.h"

#include "base/Error.h"
#include "base/Paths.h"
#include "project/DeviceFileInfo.h"
#include "project/DeviceTypes.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
#include <map>
#include <optional>

namespace zr48 {

namespace {

struct DeviceFileContent {
    std::array<Text, kDeviceOptionCount> OptionTexts;
    std::vector<Text> Keys;
};

// nullopt, with the message that says why in `problem`, when the file is no device file or
// cannot be read.
std::optional<DeviceFileContent> ReadDeviceFile(const Path& path, std::string& problem)
{
    try {
        const TSimpleIniFile file(ReadDeviceFileLines(path));
        return DeviceFileContent{DeviceOptionTexts(file), DeviceKeyNames(file)};
    } catch (const Error& e) {
        problem = e.message();
        return std::nullopt;
    }
}

std::vector<Text> OptionsOn(const Text& optionList, const std::optional<DeviceFileContent>& file)
{
    std::vector<Text> on;
    for (int n = 1; n <= kDeviceOptionCount && static_cast<std::size_t>(n) <= optionList.size(); ++n) {
        if (optionList[static_cast<std::size_t>(n - 1)] != '1')
            continue;
        const Text text = file ? file->OptionTexts[static_cast<std::size_t>(n - 1)] : Text();
        on.push_back(std::to_string(n) + (text.empty() ? "" : ": " + text));
    }
    return on;
}

// Text for HTML: Windows-1252 to UTF-8, and the characters that HTML reserves escaped.
std::string Escaped(std::string_view utf8)
{
    std::string out;
    // A control character (an escape sequence in a device name, say) is written as \x1B, as a
    // message shows it: a report on a terminal never drives it.
    for (const char c : shownPath(utf8)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Html(const Text& text)
{
    return Escaped(toUtf8(text));
}

// A path keeps the file system's bytes; one that is not UTF-8 came from Windows-1252.
std::string HtmlPath(const Path& path)
{
    return Escaped(isValidUtf8(path) ? path : toUtf8(path));
}

std::string JoinedHtml(const std::vector<Text>& texts, const char* separator)
{
    std::string out;
    for (const Text& text : texts)
        out += (out.empty() ? "" : separator) + Html(text);
    return out;
}

constexpr const char* kStyle =
    R"(body { font-family: "DejaVu Sans", Verdana, Arial, sans-serif; font-size: 10pt; color: #000; }
h1 { font-size: 17pt; margin-bottom: 2px; }
h2 { font-size: 12pt; margin-top: 18px; margin-bottom: 6px; }
p.project { margin-top: 0; color: #333; }
table { border-collapse: collapse; margin-bottom: 4px; }
th, td { border: 1px solid #999; padding: 3px 6px; text-align: left; vertical-align: top; }
th { background-color: #e6e6e6; }
td.menu { font-family: "DejaVu Sans Mono", "Courier New", monospace; }
td.none { color: #777; }
td.file { white-space: nowrap; }
table.devices td, table.devices th { font-size: 9pt; }
td.group { color: #444; }
p.footer { margin-top: 24px; font-size: 8pt; color: #555; }
)";

const char* kNone = "\xE2\x80\x94"; // an em dash

std::string Cell(const std::string& html, const char* cssClass = nullptr)
{
    if (html.empty())
        return "<td class=\"none\">" + std::string(kNone) + "</td>";
    return std::string(cssClass ? "<td class=\"" + std::string(cssClass) + "\">" : "<td>") + html + "</td>";
}

} // namespace

Path InstallationReport::ProjectName() const
{
    const Path name = extractFileName(ProjectFile);
    return name.substr(0, name.size() - extractFileExt(name).size());
}

InstallationReport MakeInstallationReport(const TProjectFile& project, std::string date, std::string version)
{
    InstallationReport report;
    report.ProjectFile = project.FileName;
    report.Description = project.Description;
    report.MenuLines = project.ProjectInfo;
    report.Date = std::move(date);
    report.Version = std::move(version);
    std::map<Path, std::optional<DeviceFileContent>> contents; // each device file read once
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        const DEVICE_CONFIG& slot = project.Slot(i);
        if (slot.DeviceType == 0)
            continue;
        const TDeviceTypeInfo* info = DeviceTypeInfo(slot.DeviceType);
        std::optional<DeviceFileContent> content;
        if (!slot.ConfigFile.empty()) {
            auto [known, first] = contents.try_emplace(slot.ConfigFile);
            if (first) {
                std::string problem;
                known->second = ReadDeviceFile(slot.ConfigFile, problem);
                report.DeviceFiles.push_back({slot.ConfigFile,
                                              {},
                                              known->second.has_value(),
                                              known->second ? known->second->Keys : std::vector<Text>{},
                                              problem});
            }
            content = known->second;
            const auto file = std::find_if(report.DeviceFiles.begin(), report.DeviceFiles.end(),
                                           [&](const ReportDeviceFile& f) { return f.File == slot.ConfigFile; });
            file->Slots.push_back(TProjectFile::SlotName(i));
        }
        ReportSlot row;
        row.Slot = i;
        row.Group = Text(TProjectFile::kGroupNames[static_cast<std::size_t>(i / TProjectFile::kSlotsPerGroup)]);
        row.SlotName = TProjectFile::SlotName(i);
        row.DeviceType = info ? Text(info->Name) : "device type " + std::to_string(slot.DeviceType);
        row.DeviceName = slot.DeviceName;
        if (!info || info->UsesSourceSelect)
            row.Source = SourceSelectText(slot.SourceSelect);
        if (!info || info->HasOptions)
            row.Options = OptionsOn(slot.OptionList, content);
        row.DeviceFile = slot.ConfigFile;
        report.Slots.push_back(std::move(row));
    }
    return report;
}

std::string InstallationReportHtml(const InstallationReport& report)
{
    const std::string name = HtmlPath(report.ProjectName());
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>ZR48 installation report: " +
        name + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
    html += "<h1>ZR48 installation report</h1>\n";
    // The customer's copy names the project and its file, not where it lies on the installer's machine.
    html += "<p class=\"project\">Project <b>" + name + "</b> &nbsp; " + HtmlPath(extractFileName(report.ProjectFile)) +
            "</p>\n";

    html += "<h2>Description</h2>\n<p>";
    html += report.Description.empty() ? std::string(kNone) : JoinedHtml(report.Description, "<br>\n");
    html += "</p>\n";

    html += "<h2>Setup menu</h2>\n";
    if (report.MenuLines.empty()) {
        html += "<p>" + std::string(kNone) + "</p>\n";
    } else {
        html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n";
        for (std::size_t i = 0; i < report.MenuLines.size(); ++i)
            html += "<tr><td>" + std::to_string(i + 1) + "</td>" + Cell(Html(report.MenuLines[i]), "menu") + "</tr>\n";
        html += "</table>\n";
    }

    html += "<h2>Devices</h2>\n";
    if (report.Slots.empty()) {
        html += "<p>No slot is assigned.</p>\n";
    } else {
        // Each row on its own (a page may end after any of them): its group in a column.
        html += "<table class=\"devices\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">\n"
                "<thead><tr><th>Group</th><th>Slot</th><th>Device type</th><th>Device name</th><th>Source</th>"
                "<th>Options</th><th>Device file</th></tr></thead>\n<tbody>\n";
        for (const ReportSlot& slot : report.Slots) {
            html += "<tr>" + Cell(Html(slot.Group), "group") + Cell("<b>" + Html(slot.SlotName) + "</b>") +
                    Cell(Html(slot.DeviceType)) + Cell(Html(slot.DeviceName)) + Cell(Html(slot.Source)) +
                    Cell(JoinedHtml(slot.Options, "<br>")) + Cell(HtmlPath(extractFileName(slot.DeviceFile)), "file") +
                    "</tr>\n";
        }
        html += "</tbody>\n</table>\n";
    }

    html += "<h2>Keys of the device files</h2>\n";
    if (report.DeviceFiles.empty()) {
        html += "<p>No slot has a device file.</p>\n";
    } else {
        html +=
            "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">\n<thead><tr><th>Device file</th>"
            "<th>Slot</th><th>Keys</th></tr></thead>\n<tbody>\n";
        for (const ReportDeviceFile& file : report.DeviceFiles) {
            const std::string keys = !file.Readable      ? "<i>the file cannot be read</i>"
                                     : file.Keys.empty() ? std::string()
                                                         : JoinedHtml(file.Keys, ", ");
            html += "<tr>" + Cell(HtmlPath(extractFileName(file.File)), "file") + Cell(JoinedHtml(file.Slots, ", ")) +
                    Cell(keys) + "</tr>\n";
        }
        html += "</tbody>\n</table>\n";
    }

    html += "<p class=\"footer\">Made on " + Escaped(report.Date) + " with the ZR48 Project Manager " +
            Escaped(report.Version) + ".</p>\n</body>\n</html>\n";
    return html;
}

} // namespace zr48
