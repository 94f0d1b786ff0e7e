#include "desktop/main/CommandLine.h"

#include "link/LinkTarget.h"

namespace zr48 {

namespace {

const OptionRow kOptions[] = {
    {.longName = "--link",
     .value = "TARGET",
     .help = "how to reach the ZR48: auto (the default), serial, serial:SERIALNUMBER, ftdi, ftdi:SERIALNUMBER, "
             "tty:PATH, sim or sim:CARDFILE; without it the environment variable ZR48_LINK names it, else the "
             "link chosen in the settings dialog",
     .valueWords = kLinkTargetWords},
    {.shortName = "-h", .longName = "--help", .help = "show this help"},
    {.longName = "--version", .help = "show the version"},
};

} // namespace

DesktopCommandLine parseDesktopCommandLine(const std::vector<std::string>& arguments,
                                           const std::optional<std::string>& linkVariable)
{
    DesktopCommandLine line;
    std::string origin;
    if (linkVariable && !linkVariable->empty()) {
        line.link = *linkVariable;
        origin = " in ZR48_LINK";
        line.linkGiven = true;
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--link") {
            if (i + 1 == arguments.size()) {
                line.error = std::string("--link needs a value (") + kLinkTargetHelp + ")";
                return line;
            }
            line.link = arguments[++i];
            line.linkGiven = line.linkOption = true;
            origin.clear();
        } else if (a.starts_with("--link=")) {
            line.link = a.substr(7);
            line.linkGiven = line.linkOption = true;
            origin.clear();
        } else if (a == "--help" || a == "-h") {
            line.help = true;
        } else if (a == "--version") {
            line.version = true;
        } else if (!line.file) {
            line.file = a; // the first other argument keeps its meaning
        }
    }
    if (!parseLinkTarget(line.link))
        line.error = "unknown link '" + line.link + "'" + origin + "; use " + kLinkTargetHelp;
    return line;
}

std::string chosenLink(const DesktopCommandLine& line, const std::string& stored)
{
    if (line.linkGiven)
        return line.link;
    return !stored.empty() && parseLinkTarget(stored) ? stored : "auto";
}

const ProgramDescription& desktopProgram()
{
    static const ProgramDescription program{
        .name = "zr48pm",
        .summary = "desktop project manager of the KELDO ZR48",
        .synopsis = "[--link TARGET] [FILE]",
        .description =
            "The desktop program in which installers build a project of the ZR48 (63 device slots,\n"
            "device files, menu lines), compile it into a card image, write it into the unit over its USB\n"
            "link, read a card back, update the firmware, and capture, analyse and optimize infrared codes.\n"
            "\n"
            "FILE, when given, is opened at start: a project (.mpj) in a project window, a device file\n"
            "(.mpi) in a text editor; anything else is left alone. Qt's own options (-platform, -style)\n"
            "are taken too.",
        .options = kOptions,
        .notes = "The command-line tool zr48 does the same work from a terminal.",
    };
    return program;
}

std::string desktopUsage()
{
    return formatProgramHelp(desktopProgram());
}

} // namespace zr48
