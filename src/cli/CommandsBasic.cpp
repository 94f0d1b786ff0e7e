#include "cli/CommandsBasic.h"

#include "base/Error.h"

#include <charconv>
#include <ostream>

namespace zr48::cli {

namespace {

int runHelp(Context& context, const Arguments& arguments)
{
    if (arguments.empty()) {
        printUsage(context.out);
        return kExitOk;
    }
    if (arguments.size() > 2)
        return usageError(context, "help");
    std::string path = arguments[0];
    if (arguments.size() == 2)
        path += " " + arguments[1];
    const Command* command = findCommandPath(path);
    if (!command) {
        context.err << "zr48: unknown command " << quotedName(path) << "\n";
        return kExitUsage;
    }
    printCommandHelp(context.out, path, *command);
    return kExitOk;
}

void printSettings(Context& context)
{
    const Settings& s = context.settings;
    context.out << "ProjectDir        " << s.projectDir() << '\n'
                << "Database          " << s.database() << '\n'
                << "Advanced          " << (s.advanced() ? 1 : 0) << '\n'
                << "Expert            " << (s.expert() ? 1 : 0) << '\n'
                << "IrOptimizerPass1  " << s.irOptimizerPass1() << '\n'
                << "IrOptimizerPass2  " << s.irOptimizerPass2() << '\n';
}

bool parseInteger(const std::string& text, std::int32_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

int runSettings(Context& context, const Arguments& given)
{
    const auto parsed = parseArguments(context, "settings", given);
    if (!parsed)
        return parsed.failure();
    const Arguments& arguments = parsed->positional;
    if (arguments.empty()) {
        printSettings(context);
        return kExitOk;
    }
    if (arguments.size() != 2) {
        return usageError(context, "settings");
    }
    const std::string& name = arguments[0];
    const std::string& value = arguments[1];
    Settings& s = context.settings;
    std::int32_t number = 0;
    const bool isNumber = parseInteger(value, number);
    try {
        if (name == "ProjectDir") {
            s.setProjectDir(value);
        } else if (name == "Database") {
            s.setDatabase(value);
        } else if ((name == "Advanced" || name == "Expert") && isNumber && (number == 0 || number == 1)) {
            name == "Advanced" ? s.setAdvanced(number != 0) : s.setExpert(number != 0);
        } else if ((name == "IrOptimizerPass1" || name == "IrOptimizerPass2") && isNumber && number >= 0 &&
                   number <= 100) {
            name == "IrOptimizerPass1" ? s.setIrOptimizerPass1(number) : s.setIrOptimizerPass2(number);
        } else if (name == "Advanced" || name == "Expert" || name == "IrOptimizerPass1" || name == "IrOptimizerPass2") {
            context.err << "zr48: " << name
                        << (name.starts_with("Ir") ? " takes a whole number from 0 to 100\n" : " takes 0 or 1\n");
            return kExitUsage;
        } else {
            context.err << "zr48: no setting named '" << name
                        << "' (ProjectDir, Database, Advanced, Expert, IrOptimizerPass1, IrOptimizerPass2)\n";
            return kExitUsage;
        }
    } catch (const Error& e) {
        context.err << prefixedLines(e.message());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

Command helpCommand()
{
    return {.name = "help",
            .arguments = "[COMMAND [SUBCOMMAND]]",
            .summary = "Show the help of zr48 or of one command.",
            .words = kCommandNameWords,
            .run = runHelp};
}

Command settingsCommand()
{
    return {.name = "settings",
            .arguments = "[NAME VALUE]",
            .summary = "Show the six settings, or set one of them.",
            .details = "Names: ProjectDir, Database (folders), Advanced, Expert (0 or 1),\n"
                       "IrOptimizerPass1, IrOptimizerPass2 (percent, 0 to 100).\n"
                       "Values missing from the store show their defaults.",
            .words = "ProjectDir Database Advanced Expert IrOptimizerPass1 IrOptimizerPass2",
            .run = runSettings};
}

} // namespace zr48::cli
