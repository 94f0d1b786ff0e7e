#include "cli/CommandsReport.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "base/Version.h"
#include "project/InstallationReport.h"

#include <chrono>
#include <ctime>
#include <ostream>

namespace zr48::cli {

namespace {

// Today on the local calendar, as 2025-03-14.
std::string today()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char text[16] = "";
    std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&now));
    return text;
}

int runReport(Context& context, const Arguments& arguments)
{
    const auto parsed = parseArguments(context, "report", arguments);
    if (!parsed)
        return parsed.failure();
    if (parsed->positional.size() != 1)
        return usageError(context, "report");
    const std::string& file = parsed->positional[0];
    const Path path = absolutePath(file);
    if (lowerCase(extractFileExt(path)) != ".mpj") {
        context.err << "zr48: give a project file (.mpj), not " << quotedName(file) << "\n";
        return kExitUsage;
    }
    const std::optional<std::string> output = parsed->value("--output");
    const Text kind = output ? lowerCase(extractFileExt(*output)) : Text(".html");
    const bool pdf = kind == ".pdf";
    if (!pdf && kind != ".html" && kind != ".htm")
        return usageError(context, "report",
                          "the report is written as FILE.pdf or FILE.html, not " + quotedName(*output));
    if (pdf && !context.options.writePdf) {
        context.err << "zr48: this zr48 is built without Qt and writes no PDF files; give -o FILE.html\n";
        return kExitFailed;
    }

    TProjectFile project;
    project.Load(path);
    const InstallationReport report = MakeInstallationReport(project, today(), kVersion);
    const std::string html = InstallationReportHtml(report);
    // A device file that cannot be read leaves its keys out of the report: said, and not counted.
    std::size_t readable = 0;
    for (const ReportDeviceFile& file : report.DeviceFiles) {
        if (file.Readable)
            ++readable;
        else
            context.err << prefixedLines(file.Problem + "\nits keys are not in the report");
    }
    const int status = readable == report.DeviceFiles.size() ? kExitOk : kExitFailed;
    if (!output) {
        context.out << html;
        return status;
    }
    const Path target = absolutePath(*output);
    try {
        if (pdf)
            context.options.writePdf(target, html, "ZR48 installation report: " + report.ProjectName());
        else
            writeFileAtomically(target, html);
    } catch (const Error& e) {
        context.err << "zr48: " << e.message() << '\n';
        return kExitFailed;
    }
    context.out << "Report written: " << shownPath(target) << " (" << report.Slots.size()
                << (report.Slots.size() == 1 ? " device, " : " devices, ") << readable
                << (readable == 1 ? " device file)" : " device files)") << ".\n";
    return status;
}

} // namespace

Command reportCommand()
{
    static const OptionRow options[] = {
        {.shortName = "-o",
         .longName = "--output",
         .value = "FILE",
         .help = "write the report into FILE: a PDF file when it ends in .pdf, one HTML file when it ends in .html; "
                 "without it the HTML goes to standard output",
         .valueFiles = "pdf|html"},
    };
    return {.name = "report",
            .arguments = "PROJECT.mpj",
            .summary = "Write the installation report of a project, to hand over with the installation.",
            .details = "The project's description and menu lines, a table of every assigned slot (group, slot, device\n"
                       "type, device name, source, the options switched on, device file) and the keys of each device\n"
                       "file, with the date and the program's version. A PDF file is laid out on A4 pages; the HTML\n"
                       "file holds everything in itself (its style included). The Windows build of zr48 has no Qt and\n"
                       "writes HTML only.",
            .options = options,
            .files = "mpj",
            .minArguments = 1,
            .maxArguments = 1,
            .reads = kReadsProject,
            .kindByExtension = true,
            .run = runReport};
}

} // namespace zr48::cli
