#pragma once
// The zr48 command: global options, the table of commands, and what each command is given.

#include "base/Prompt.h"
#include "base/Settings.h"

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace zr48::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the operation failed
inline constexpr int kExitNoUnit = 2; // no ZR48 answered
inline constexpr int kExitUsage = 64; // the command line was wrong

struct GlobalOptions {
    std::string link = "auto"; // --link TARGET
    // Device commands on a simulated unit run in virtual time (tests): no waiting at all.
    bool virtualTime = false;
};

// What a command works with; everything comes from outside, nothing is global.
struct Context {
    std::ostream& out;
    std::ostream& err;
    Prompt& prompt;
    Settings& settings;
    GlobalOptions options;
};

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* synopsis; // arguments, as shown by help
    const char* summary;  // one line
    const char* details;  // further lines of `zr48 help COMMAND`, may be empty
    int (*run)(Context& context, const Arguments& arguments);
};

std::span<const Command> commands();
const Command* findCommand(std::string_view name);

// Every message of the command line on standard error begins with this.
inline constexpr const char* kMessagePrefix = "zr48: ";
// `text` with the prefix before each of its lines, each line ended.
std::string prefixedLines(std::string_view text);

// The help of one command: its usage, summary and details.
void printCommandHelp(std::ostream& out, const Command& command);
// Writes "zr48: usage: zr48 NAME SYNOPSIS" and where its help is to standard error; returns
// kExitUsage.
int usageError(Context& context, std::string_view commandName);

// The whole command line (argv[0] excluded). Questions are answered through `prompt`;
// --yes and --no set its policy through `setPolicy` when given.
struct Environment {
    std::ostream& out;
    std::ostream& err;
    Prompt& prompt;
    Settings& settings;
    // --yes (true) or --no (false): answer every question that way.
    std::function<void(bool yes)> answerAllQuestions;
    bool virtualTime = false; // see GlobalOptions
};
int run(Environment& environment, const Arguments& arguments);

void printUsage(std::ostream& out);

} // namespace zr48::cli
