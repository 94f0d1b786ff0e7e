#include "cli/Cli.h"

#include "base/Version.h"

#include <algorithm>
#include <ostream>

namespace zr48::cli {

const Command* findCommand(std::string_view name)
{
    const auto all = commands();
    const auto it = std::find_if(all.begin(), all.end(), [name](const Command& c) { return name == c.name; });
    return it == all.end() ? nullptr : &*it;
}

std::string prefixedLines(std::string_view text)
{
    std::string out;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        out += kMessagePrefix;
        out += text.substr(0, end);
        out += '\n';
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return out;
}

void printCommandHelp(std::ostream& out, const Command& command)
{
    out << "Usage: zr48 " << command.name;
    if (*command.synopsis)
        out << ' ' << command.synopsis;
    out << "\n\n" << command.summary << '\n';
    if (*command.details)
        out << '\n' << command.details << '\n';
}

int usageError(Context& context, std::string_view commandName)
{
    const Command* command = findCommand(commandName);
    context.err << kMessagePrefix << "usage: zr48 " << commandName;
    if (command && *command->synopsis)
        context.err << ' ' << command->synopsis;
    context.err << " (see 'zr48 " << commandName << " --help')\n";
    return kExitUsage;
}

void printUsage(std::ostream& out)
{
    out << "Usage: zr48 [--link TARGET] [--yes | --no] COMMAND [ARGUMENTS...]\n"
           "       zr48 --help | --version\n"
           "\n"
           "The command-line tool of the KELDO ZR48 Project Manager.\n"
           "\n"
           "Options:\n"
           "  --link TARGET  how to reach the ZR48: auto (default), serial, ftdi, tty:PATH, sim, sim:CARDFILE\n"
           "  --yes, --no    answer every question with Yes (OK) or with No (Cancel)\n"
           "  --help         show this help; 'zr48 COMMAND --help' (or 'zr48 help COMMAND') shows a\n"
           "                 command's help\n"
           "  --version      show the version\n"
           "\n"
           "Commands:\n";
    size_t width = 0;
    for (const Command& c : commands())
        width = std::max(width, std::string_view(c.name).size());
    for (const Command& c : commands())
        out << "  " << c.name << std::string(width + 2 - std::string_view(c.name).size(), ' ') << c.summary << '\n';
    out << "\nExit status: 0 success, 1 the operation failed, 2 no ZR48 answered, 64 wrong usage.\n";
}

int run(Environment& environment, const Arguments& arguments)
{
    Context context{environment.out, environment.err, environment.prompt, environment.settings, {}};
    context.options.virtualTime = environment.virtualTime;
    size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            printUsage(environment.out);
            return kExitOk;
        }
        if (a == "--version") {
            environment.out << "zr48 " << kVersion << '\n';
            return kExitOk;
        }
        if (a == "--yes" || a == "--no") {
            if (environment.answerAllQuestions)
                environment.answerAllQuestions(a == "--yes");
        } else if (a == "--link" || a.starts_with("--link=")) {
            if (a == "--link") {
                if (++i == arguments.size()) {
                    environment.err << "zr48: --link needs a value (auto, sim, sim:CARDFILE, tty:PATH, ftdi)\n";
                    return kExitUsage;
                }
                context.options.link = arguments[i];
            } else {
                context.options.link = a.substr(7);
            }
        } else if (a.starts_with("-")) {
            environment.err << "zr48: unknown option '" << a << "'; see 'zr48 --help'\n";
            return kExitUsage;
        } else {
            break;
        }
    }
    if (i == arguments.size()) {
        printUsage(environment.err);
        return kExitUsage;
    }
    const Command* command = findCommand(arguments[i]);
    if (!command) {
        environment.err << "zr48: unknown command '" << arguments[i] << "'; see 'zr48 --help'\n";
        return kExitUsage;
    }
    const Arguments rest(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
    if (std::any_of(rest.begin(), rest.end(), [](const std::string& a) { return a == "--help" || a == "-h"; })) {
        printCommandHelp(environment.out, *command);
        return kExitOk;
    }
    return command->run(context, rest);
}

} // namespace zr48::cli
