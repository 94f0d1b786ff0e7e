#include "cli/Cli.h"

#include "base/Paths.h"
#include "base/Version.h"
#include "link/LinkTarget.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <sstream>

namespace zr48::cli {

namespace {

// What the global options set while the command line is read.
struct GlobalState {
    GlobalOptions& options;
    bool help = false;
    bool version = false;
    std::optional<bool> answerAll;
};

struct GlobalOption {
    OptionRow row;
    void (*apply)(GlobalState& state, const std::string& value);
};

const std::array<GlobalOption, 8>& globalOptionTable()
{
    static const std::array<GlobalOption, 8> table{{
        {{.longName = "--link",
          .value = "TARGET",
          .help = "how to reach the ZR48 (see the link targets below); without it the environment variable "
                  "ZR48_LINK names it, else auto",
          .valueWords = kLinkTargetWords},
         [](GlobalState& s, const std::string& value) {
             s.options.link = value;
             s.options.linkOrigin = "--link";
         }},
        {{.longName = "--wait",
          .help = "wait while another program uses the ZR48, rather than saying so and giving up (exit status 2)"},
         [](GlobalState& s, const std::string&) { s.options.waitForLink = true; }},
        {{.longName = "--yes", .help = "answer every question with Yes (OK)"},
         [](GlobalState& s, const std::string&) { s.answerAll = true; }},
        {{.longName = "--no", .help = "answer every question with No (Cancel)"},
         [](GlobalState& s, const std::string&) { s.answerAll = false; }},
        {{.shortName = "-q", .longName = "--quiet", .help = "show no progress bars"},
         [](GlobalState& s, const std::string&) { s.options.quiet = true; }},
        {{.shortName = "-v",
          .longName = "--verbose",
          .help = "say how the ZR48 is reached and what the link does; given twice (-vv), also every frame sent and "
                  "received, one line each: time, type and bytes (a wire trace)",
          .repeatable = true},
         [](GlobalState& s, const std::string&) { ++s.options.verbose; }},
        {{.shortName = "-h",
          .longName = "--help",
          .help = "show this help; with a command ('zr48 COMMAND --help', or 'zr48 help COMMAND'), the command's help"},
         [](GlobalState& s, const std::string&) { s.help = true; }},
        {{.longName = "--version", .help = "show the version"},
         [](GlobalState& s, const std::string&) { s.version = true; }},
    }};
    return table;
}

// Whether `argument` names the option, also as "--name=VALUE" (the value then set).
bool takesArgument(const OptionRow& row, const std::string& argument, std::optional<std::string>& inlineValue)
{
    if (namesOption(row, argument))
        return true;
    if (row.value && row.longName && argument.starts_with(std::string(row.longName) + "=")) {
        inlineValue = argument.substr(std::string_view(row.longName).size() + 1);
        return true;
    }
    return false;
}

// The table entry an argument names, and its value when given as "--link=VALUE".
const GlobalOption* findGlobalOption(const std::string& argument, std::optional<std::string>& inlineValue)
{
    for (const GlobalOption& option : globalOptionTable()) {
        if (takesArgument(option.row, argument, inlineValue))
            return &option;
    }
    return nullptr;
}

// "-vv", "-vvv": -v given that many times.
int verboseCluster(const std::string& argument)
{
    if (argument.size() < 3 || argument[0] != '-' || argument.find_first_not_of('v', 1) != std::string::npos)
        return 0;
    return static_cast<int>(argument.size() - 1);
}

const Command* findIn(std::span<const Command> table, std::string_view name)
{
    for (const Command& c : table) {
        if (name == c.name)
            return &c;
        // Other spellings that are taken too (analyze for analyse).
        std::string_view aliases = c.aliases;
        while (!aliases.empty()) {
            const std::size_t end = aliases.find(' ');
            if (aliases.substr(0, end) == name)
                return &c;
            aliases.remove_prefix(end == std::string_view::npos ? aliases.size() : end + 1);
        }
    }
    return nullptr;
}

// The option of `command` that `argument` names; its value when given as "--name=VALUE".
const OptionRow* findCommandOption(const Command& command, const std::string& argument,
                                   std::optional<std::string>& inlineValue)
{
    for (const OptionRow& row : command.options) {
        if (takesArgument(row, argument, inlineValue))
            return &row;
    }
    return nullptr;
}

std::string optionKey(const OptionRow& row)
{
    return row.longName ? row.longName : row.shortName;
}

// The help of a command's body: summary, details, options.
void printCommandBody(std::ostream& out, const Command& command)
{
    out << command.summary << '\n';
    if (*command.details)
        out << '\n' << command.details << '\n';
    if (!command.options.empty())
        out << "\nOptions:\n" << formatOptionList(command.options);
}

} // namespace

std::span<const OptionRow> globalOptions()
{
    static const auto rows = [] {
        std::array<OptionRow, std::tuple_size_v<std::decay_t<decltype(globalOptionTable())>>> r{};
        std::transform(globalOptionTable().begin(), globalOptionTable().end(), r.begin(),
                       [](const GlobalOption& o) { return o.row; });
        return r;
    }();
    return rows;
}

std::span<const ExitStatus> exitStatuses()
{
    static constexpr std::array<ExitStatus, 4> statuses{{
        {kExitOk, "success"},
        {kExitFailed, "the operation failed"},
        {kExitNoUnit, "no ZR48 answered"},
        {kExitUsage, "the command line was wrong"},
    }};
    return statuses;
}

const Command* findCommand(std::string_view name)
{
    return findIn(commands(), name);
}

const Command* findCommandPath(std::string_view path)
{
    const std::size_t space = path.find(' ');
    const Command* command = findCommand(path.substr(0, space));
    if (!command || space == std::string_view::npos)
        return command;
    return findIn(command->subcommands, path.substr(space + 1));
}

std::string commandUsage(std::string_view path, const Command& command)
{
    std::string usage = "zr48 " + std::string(path);
    if (*command.arguments) {
        usage += std::string(" ") + command.arguments;
    } else if (!command.subcommands.empty()) {
        std::string names;
        for (const Command& sub : command.subcommands)
            names += (names.empty() ? "" : "|") + std::string(sub.name);
        usage += " " + names + " ...";
    }
    for (const OptionRow& row : command.options) {
        usage += " [";
        if (row.shortName)
            usage += row.shortName;
        if (row.shortName && row.longName)
            usage += "|";
        if (row.longName)
            usage += row.longName;
        if (row.value)
            usage += std::string(" ") + row.value;
        usage += row.repeatable ? "]..." : "]";
    }
    return usage;
}

void ParsedArguments::add(const OptionRow& option, std::string value)
{
    given_[optionKey(option)].push_back(std::move(value));
}

bool ParsedArguments::has(std::string_view option) const
{
    return given_.find(option) != given_.end();
}

std::optional<std::string> ParsedArguments::value(std::string_view option) const
{
    const auto it = given_.find(option);
    if (it == given_.end())
        return std::nullopt;
    return it->second.back();
}

std::vector<std::string> ParsedArguments::values(std::string_view option) const
{
    const auto it = given_.find(option);
    return it == given_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<ParsedArguments> parseArguments(Context& context, std::string_view path, const Arguments& arguments)
{
    const Command* command = findCommandPath(path);
    if (!command) {
        context.err << kMessagePrefix << "unknown command " << quotedName(path) << "\n";
        return std::nullopt;
    }
    ParsedArguments parsed;
    bool onlyArguments = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (onlyArguments || a == "-" || !a.starts_with("-")) {
            parsed.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyArguments = true;
            continue;
        }
        std::optional<std::string> value;
        const OptionRow* option = findCommandOption(*command, a, value);
        if (!option) {
            usageError(context, path, "unknown option '" + a + "'");
            return std::nullopt;
        }
        if (option->value && !value) {
            if (i + 1 == arguments.size()) {
                usageError(context, path, optionLabel(*option) + ": the value is missing");
                return std::nullopt;
            }
            value = arguments[++i];
        }
        parsed.add(*option, value.value_or(""));
    }
    return parsed;
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

std::string quotedName(std::string_view path)
{
    return "'" + shownPath(path) + "'";
}

void printCommandHelp(std::ostream& out, std::string_view path, const Command& command)
{
    out << "Usage: " << commandUsage(path, command) << "\n\n";
    printCommandBody(out, command);
    for (const Command& sub : command.subcommands) {
        const std::string subPath = std::string(path) + " " + sub.name;
        out << "\n" << commandUsage(subPath, sub) << "\n";
        std::ostringstream body;
        printCommandBody(body, sub);
        std::istringstream lines(body.str());
        for (std::string line; std::getline(lines, line);)
            out << (line.empty() ? "" : "  ") << line << '\n';
    }
}

int usageError(Context& context, std::string_view path, std::string_view problem)
{
    if (!problem.empty())
        context.err << kMessagePrefix << problem << '\n';
    const Command* command = findCommandPath(path);
    context.err << kMessagePrefix << "usage: " << (command ? commandUsage(path, *command) : "zr48 " + std::string(path))
                << " (see 'zr48 " << shownPath(path) << " --help')\n";
    return kExitUsage;
}

void printUsage(std::ostream& out)
{
    out << "Usage: zr48 [OPTIONS] COMMAND [ARGUMENTS...]\n"
           "       zr48 --help | --version\n"
           "\n"
           "The command-line tool of the KELDO ZR48 Project Manager.\n"
           "\n"
           "Options (before or after the command):\n"
        << formatOptionList(globalOptions()) << "\nLink targets (--link TARGET, or ZR48_LINK=TARGET):\n";
    std::vector<OptionRow> forms;
    for (const LinkTargetForm& form : linkTargetForms())
        forms.push_back({.longName = form.form, .help = form.reaches});
    out << formatOptionList(forms) << "\nCommands:\n";
    size_t width = 0;
    for (const Command& c : commands())
        width = std::max(width, std::string_view(c.name).size());
    for (const Command& c : commands())
        out << "  " << c.name << std::string(width + 2 - std::string_view(c.name).size(), ' ') << c.summary << '\n';
    out << "\nExit status:";
    for (const ExitStatus& status : exitStatuses())
        out << (status.code == kExitOk ? " " : ", ") << status.code << ' ' << status.meaning;
    out << ".\n";
}

int runSubcommand(Context& context, std::string_view path, const Arguments& arguments)
{
    const Command* command = findCommandPath(path);
    if (arguments.empty())
        return usageError(context, path);
    const Command* sub = findIn(command->subcommands, arguments[0]);
    if (!sub)
        return usageError(context, path, "unknown " + std::string(path) + " command '" + arguments[0] + "'");
    return sub->run(context, Arguments(arguments.begin() + 1, arguments.end()));
}

int run(Environment& environment, const Arguments& arguments)
{
    Context context{environment.out, environment.err, environment.prompt, environment.settings, environment.defaults};
    if (environment.linkVariable && !environment.linkVariable->empty()) {
        context.options.link = *environment.linkVariable;
        context.options.linkOrigin = kLinkVariable;
    }
    GlobalState state{context.options, false, false, std::nullopt};
    // The command and its arguments, with the global options taken out wherever they stand.
    Arguments rest;
    bool onlyArguments = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (onlyArguments) {
            rest.push_back(a);
            continue;
        }
        if (a == "--") {
            // The end of the options; the command gets it too, so that it stops reading options.
            onlyArguments = true;
            rest.push_back(a);
            continue;
        }
        std::optional<std::string> value;
        if (const GlobalOption* option = findGlobalOption(a, value)) {
            if (option->row.value && !value) {
                if (++i == arguments.size()) {
                    environment.err << kMessagePrefix << option->row.longName << " needs a value (" << kLinkTargetHelp
                                    << ")\n";
                    return kExitUsage;
                }
                value = arguments[i];
            }
            option->apply(state, value.value_or(""));
        } else if (const int times = verboseCluster(a); times > 0) {
            context.options.verbose += times;
        } else if (rest.empty() && a.starts_with("-")) {
            environment.err << kMessagePrefix << "unknown option " << quotedName(a) << "; see 'zr48 --help'\n";
            return kExitUsage;
        } else {
            rest.push_back(a);
        }
    }
    if (state.version) {
        environment.out << "zr48 " << kVersion << '\n';
        return kExitOk;
    }
    if (state.help) {
        // The help of the command named, or of its subcommand.
        const Command* command = rest.empty() ? nullptr : findCommand(rest[0]);
        if (!command) {
            printUsage(environment.out);
            return kExitOk;
        }
        std::string path = command->name;
        if (rest.size() > 1) {
            if (const Command* sub = findIn(command->subcommands, rest[1])) {
                path += std::string(" ") + sub->name;
                command = sub;
            }
        }
        printCommandHelp(environment.out, path, *command);
        return kExitOk;
    }
    if (state.answerAll && environment.answerAllQuestions)
        environment.answerAllQuestions(*state.answerAll);
    if (rest.empty() || rest[0] == "--") {
        // Options without a command: what is missing is the command, not the whole help.
        if (arguments.empty())
            printUsage(environment.err);
        else
            environment.err << kMessagePrefix << "no command given after the options (such as 'zr48 "
                            << (context.options.link == "auto" ? "" : "--link " + shownPath(context.options.link) + " ")
                            << "status'); 'zr48 --help' lists the commands\n";
        return kExitUsage;
    }
    const Command* command = findCommand(rest[0]);
    if (!command) {
        environment.err << kMessagePrefix << "unknown command " << quotedName(rest[0]) << "; see 'zr48 --help'\n";
        return kExitUsage;
    }
    return command->run(context, Arguments(rest.begin() + 1, rest.end()));
}

} // namespace zr48::cli
