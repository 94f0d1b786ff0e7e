#include "manual/ManualPages.h"

#include "cli/Cli.h"
#include "desktop/main/CommandLine.h"
#include "link/LinkTarget.h"
#include "manual/Roff.h"
#include "sim/SimCommandLine.h"

#include <algorithm>
#include <cctype>

namespace zr48::manual {

namespace {

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

std::string header(std::string_view name, std::string_view summary, std::string_view version)
{
    return ".\\\" Made by zr48-manual from the program's own option tables; changes belong there.\n"
           ".TH " +
           upper(name) + " 1 \"\" \"" + std::string(name) + " " + std::string(version) +
           "\" \"User Commands\"\n"
           ".nh\n" // names such as IrOptimizerPass1 stay whole
           ".SH NAME\n" +
           roffEscape(name) + " \\- " + roffEscape(summary) + "\n";
}

std::string optionList(std::span<const OptionRow> rows)
{
    std::string out;
    for (const OptionRow& row : rows)
        out += roffTagged(optionLabel(row), row.help);
    return out;
}

std::string linkTargets()
{
    std::string out = ".SH LINK TARGETS\n";
    for (const LinkTargetForm& form : linkTargetForms())
        out += roffTagged(form.form, form.reaches);
    return out;
}

std::string linkVariable(std::string_view program)
{
    return ".SH ENVIRONMENT\n" +
           roffTagged(cli::kLinkVariable, "The link target when --link is not given, such as sim or serial:A1B2C3; " +
                                              std::string(program) + " takes auto when it is not set.");
}

std::string seeAlso(std::string_view names)
{
    std::string out = ".SH SEE ALSO\n";
    while (!names.empty()) {
        const std::size_t comma = names.find(',');
        out +=
            ".BR " + roffEscape(names.substr(0, comma)) + " (1)" + (comma == std::string_view::npos ? "" : ",") + "\n";
        names.remove_prefix(comma == std::string_view::npos ? names.size() : comma + 1);
    }
    return out;
}

std::string command(std::string_view path, const cli::Command& c)
{
    std::string usage = roffEscape(cli::commandUsage(path, c));
    for (std::size_t at = usage.find('"'); at != std::string::npos; at = usage.find('"', at))
        usage.replace(at, 1, "\\(dq");
    std::string out = ".SS \"" + usage + "\"\n" + roffParagraphs(c.summary);
    if (*c.details)
        out += ".PP\n" + roffParagraphs(c.details);
    if (!c.options.empty())
        out += ".PP\nOptions:\n.RS\n" + optionList(c.options) + ".RE\n";
    for (const cli::Command& sub : c.subcommands)
        out += command(std::string(path) + " " + sub.name, sub);
    return out;
}

} // namespace

std::string zr48Page(std::string_view version)
{
    std::string page = header("zr48", "command-line tool of the KELDO ZR48 Project Manager", version);
    page += ".SH SYNOPSIS\n"
            "\\fBzr48\\fR [\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR...]\n"
            ".br\n"
            "\\fBzr48\\fR \\fICOMMAND\\fR \\fB\\-\\-help\\fR\n"
            ".br\n"
            "\\fBzr48\\fR \\fB\\-\\-version\\fR\n"
            ".SH DESCRIPTION\n" +
            roffParagraphs(
                "zr48 does from a terminal what the desktop program zr48pm does: it shows and copies projects, "
                "compiles them into card images, writes an image into a ZR48 over its USB link and reads a card "
                "back, updates the firmware, and captures, analyses and optimizes infrared codes.\n"
                "\n"
                "Messages go to standard error, each line beginning with \"zr48: \"; progress bars go there too. "
                "Questions are asked on the terminal, or answered once for all by --yes or --no. Texts of "
                "projects and of the unit are shown in UTF-8; paths are taken and shown as the file system "
                "holds them. Ctrl-C during a transfer stops it and says what was kept.") +
            ".SH OPTIONS\n" + roffParagraphs("These are taken before or after the command; -- ends them.") +
            optionList(cli::globalOptions()) + linkTargets() + ".SH COMMANDS\n";
    for (const cli::Command& c : cli::commands())
        page += command(c.name, c);
    page += linkVariable("zr48") + ".SH EXIT STATUS\n";
    for (const cli::ExitStatus& status : cli::exitStatuses())
        page += roffTagged(std::to_string(status.code), status.meaning);
    page += ".SH FILES\n" +
            roffTagged("/usr/share/zr48/",
                       "the data folder (share/zr48/ beside the program's bin/ folder): the demonstration firmware "
                       "Firmware/ZR48.BIN and the sample device database") +
            roffTagged("/dev/zr48-N", "the links that the udev rule /usr/lib/udev/rules.d/70-zr48.rules makes to "
                                      "the converter's serial device") +
            seeAlso("zr48pm,zr48-sim");
    return page;
}

std::string programPage(const ProgramDescription& program, std::string_view version, const PageExtras& extras)
{
    std::string page = header(program.name, program.summary, version);
    page += ".SH SYNOPSIS\n\\fB" + roffEscape(program.name) + "\\fR " + roffEscape(program.synopsis) + "\n" +
            ".SH DESCRIPTION\n" + roffParagraphs(program.description) + ".SH OPTIONS\n" + optionList(program.options);
    if (extras.linkTargets)
        page += linkTargets() + linkVariable(program.name);
    if (*program.notes)
        page += ".SH NOTES\n" + roffParagraphs(program.notes);
    if (*extras.seeAlso)
        page += seeAlso(extras.seeAlso);
    return page;
}

std::string zr48pmPage(std::string_view version)
{
    return programPage(desktopProgram(), version, {true, "zr48,zr48-sim"});
}

std::string zr48SimPage(std::string_view version)
{
    return programPage(simProgram(), version, {false, "zr48,zr48pm"});
}

} // namespace zr48::manual
