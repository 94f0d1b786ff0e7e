#include "shell/CommandLine.h"

#include "link/LinkTarget.h"

namespace zr48 {

DesktopCommandLine parseDesktopCommandLine(const std::vector<std::string>& arguments)
{
    DesktopCommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--link") {
            if (i + 1 == arguments.size()) {
                line.error = std::string("--link needs a value (") + kLinkTargetHelp + ")";
                return line;
            }
            line.link = arguments[++i];
        } else if (a.starts_with("--link=")) {
            line.link = a.substr(7);
        } else if (a == "--help" || a == "-h") {
            line.help = true;
        } else if (!line.file) {
            line.file = a; // the first other argument keeps its meaning
        }
    }
    if (!parseLinkTarget(line.link))
        line.error = "unknown link '" + line.link + "'; use " + kLinkTargetHelp;
    return line;
}

std::string desktopUsage()
{
    return std::string("Usage: zr48pm [--link TARGET] [FILE]\n"
                       "  --link TARGET  how to reach the ZR48: ") +
           kLinkTargetHelp +
           " (default auto)\n"
           "  FILE           a project (.mpj) or device file (.mpi) to open\n";
}

} // namespace zr48
