#pragma once
// The zr48 command: global options, the table of commands, and what each command is given.
// The table is the one description of the command line: `zr48 --help`, each command's help, the
// manual page and the shell completion are made from it, and each command's options are parsed
// by it.

#include "base/OptionTable.h"
#include "base/Prompt.h"
#include "base/Settings.h"
#include "files/FileKinds.h"
#include "link/drivers/ConverterList.h"
#include "link/drivers/SerialDriver.h"

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zr48 {
struct SimulatedUnit;
}

namespace zr48::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the operation failed
inline constexpr int kExitNoUnit = 2; // no ZR48 answered, or another program holds it
inline constexpr int kExitUsage = 64; // the command line was wrong

// The environment variable that names the link when --link is not given.
inline constexpr const char* kLinkVariable = "ZR48_LINK";

struct GlobalOptions {
    std::string link = "auto"; // --link TARGET, else ZR48_LINK
    // Where `link` came from, for a message about a wrong one: "--link" or "ZR48_LINK".
    std::string linkOrigin = "--link";
    bool quiet = false;       // -q: no progress bars
    bool waitForLink = false; // --wait: wait while another program holds the link
    int verbose = 0;          // -v: what the link does; -vv: every frame too, a wire trace
    // Device commands on a simulated unit run in virtual time (tests): no waiting at all.
    bool virtualTime = false;
    // Where serial devices and their sysfs entries are (other folders in tests).
    SerialDriver::SystemFolders systemFolders = {};
    // The FTDI devices on USB for `zr48 list` (libftdi1 when unset; a fixed list in tests).
    std::function<std::vector<FtdiDeviceInfo>()> ftdiDevices = {};
    // Asked between timers while a transfer runs: true stops it as Ctrl-C does. Unset: Ctrl-C.
    std::function<bool()> interrupted = {};
    // Called with the simulated unit when a command is done with it (tests look at its card and
    // flash).
    std::function<void(SimulatedUnit&)> simulatedUnitDone = {};
    // Called with the simulated unit once it has answered (tests seed its faults).
    std::function<void(SimulatedUnit&)> simulatedUnitReady = {};
    // Writes HTML laid out as a PDF file (path, html, title); unset in a build without Qt, which
    // then writes HTML only. Throws zr48::Error when the file cannot be written.
    std::function<void(const std::string&, const std::string&, const std::string&)> writePdf = {};
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

// The words of a command whose arguments are command names (`zr48 help`).
inline constexpr const char* kCommandNameWords = "<COMMAND>";

// What commands read, for their rows' `reads`. `firmware` and `version` check their file themselves:
// an update takes a file of any content with --force, and says what it refused in its own words.
inline constexpr FileKind kReadsProject[] = {FileKind::Project};
inline constexpr FileKind kReadsDeviceFile[] = {FileKind::DeviceFile};
inline constexpr FileKind kReadsImage[] = {FileKind::Image};
inline constexpr FileKind kReadsCapture[] = {FileKind::Capture};
inline constexpr FileKind kReadsProjectOrImage[] = {FileKind::Project, FileKind::Image};

struct Command {
    const char* name;
    const char* aliases = "";   // other spellings taken too, space-separated ("analyze")
    const char* arguments = ""; // what follows the name besides options, as help shows it
    const char* summary = "";   // one line
    const char* details = "";   // further lines of `zr48 help COMMAND`, may be empty
    std::span<const OptionRow> options = {};
    // What completes the arguments: file name extensions separated by '|' ("mpj|mpd"), "*" any
    // file, "" none; or fixed words, space-separated.
    const char* files = "";
    const char* words = ""; // kCommandNameWords: the names of the commands
    // How many arguments besides options it takes, when the parser is to say a wrong count (as
    // the usage) before it checks a file; maxArguments -1: as many as given.
    int minArguments = 0;
    int maxArguments = -1;
    // The kinds of file that the first argument may name, as the table of file kinds has them;
    // with more than one the file's extension chooses. The argument parser runs the kind's check
    // before the command runs and refuses a file that fails it with `refusedFile` as the exit
    // status. Empty: the command reads no file of a kind (or writes its first argument).
    std::span<const FileKind> reads = {};
    // Whether the first argument names a file at all (`ir decode` takes an infrared string too);
    // unset: it always does.
    bool (*namesFile)(std::string_view argument) = nullptr;
    // Whether the file must carry an extension of its kind; one without is left to the command,
    // which says what it takes. Always so with more than one kind.
    bool kindByExtension = false;
    int refusedFile = 1; // kExitFailed
    // Commands of their own below this one (`zr48 ir capture`); `run` dispatches to them.
    std::span<const Command> subcommands = {};
    int (*run)(Context& context, const Arguments& arguments) = nullptr;
};

std::span<const Command> commands();
const Command* findCommand(std::string_view name);
// A command or a subcommand by its words: "download", "ir optimize".
const Command* findCommandPath(std::string_view path);

// Runs the subcommand of the command at `path` that the first argument names.
int runSubcommand(Context& context, std::string_view path, const Arguments& arguments);

// The global options, accepted before or after the command ("--" ends them).
std::span<const OptionRow> globalOptions();
// The exit statuses, as help and the manual page give them.
struct ExitStatus {
    int code;
    const char* meaning;
};
std::span<const ExitStatus> exitStatuses();

// The usage line of a command: "zr48 ir optimize FILE.mpi [--tolerance N]... [--in-place] [-o FILE]".
std::string commandUsage(std::string_view path, const Command& command);

// A command's arguments with its options taken out.
class ParsedArguments {
public:
    std::vector<std::string> positional;

    void add(const OptionRow& option, std::string value);
    bool has(std::string_view option) const;
    // The last value given to the option.
    std::optional<std::string> value(std::string_view option) const;
    std::vector<std::string> values(std::string_view option) const;

private:
    // By long name, or short name where there is none; a value per use (empty for a flag).
    std::map<std::string, std::vector<std::string>, std::less<>> given_;
};
// The arguments, or why the command goes no further (the problem has been said).
class ParseResult {
public:
    ParseResult(ParsedArguments parsed) : parsed_(std::move(parsed)) {}
    static ParseResult failed(int exitCode);

    explicit operator bool() const { return parsed_.has_value(); }
    ParsedArguments* operator->() { return &*parsed_; }
    const ParsedArguments* operator->() const { return &*parsed_; }
    ParsedArguments& operator*() { return *parsed_; }
    // The exit status when there are no arguments: kExitUsage for a wrong command line, the
    // command's `refusedFile` for a file that is not of its kind.
    int failure() const { return failure_; }

private:
    ParseResult() = default;
    std::optional<ParsedArguments> parsed_;
    int failure_ = kExitUsage;
};
// Parses the arguments of the command at `path` by its option table: "--name VALUE",
// "--name=VALUE", "-x VALUE", and after "--" only arguments. Then runs the check of the file kind
// that the command's row names on the first argument. Fails, with the problem (and for a wrong
// command line the usage) on standard error, for an unknown option, a missing value, or a file
// that is not of its kind.
ParseResult parseArguments(Context& context, std::string_view path, const Arguments& arguments);
// The check of `kind` on the file the user named `given`; false, with the problem said on
// standard error ("zr48: 'x.mpj' is not a project file: it is empty"), when it fails.
bool fileOfKind(Context& context, FileKind kind, const std::string& given);

// Every message of the command line on standard error begins with this.
inline constexpr const char* kMessagePrefix = "zr48: ";
// `text` with the prefix before each of its lines, each line ended.
std::string prefixedLines(std::string_view text);
// A file name in a message: in single quotes, its control characters escaped (shownPath).
std::string quotedName(std::string_view path);

// The help of one command: its usage, summary, details, options and subcommands.
void printCommandHelp(std::ostream& out, std::string_view path, const Command& command);
// Writes "zr48: usage: zr48 PATH SYNOPSIS" and where its help is to standard error; returns
// kExitUsage. With a problem, the problem first.
int usageError(Context& context, std::string_view path, std::string_view problem = {});

// The whole command line (argv[0] excluded). Questions are answered through `prompt`;
// --yes and --no set its policy through `answerAllQuestions` when given.
struct Environment {
    std::ostream& out;
    std::ostream& err;
    Prompt& prompt;
    Settings& settings;
    // --yes (true) or --no (false): answer every question that way.
    std::function<void(bool yes)> answerAllQuestions;
    // What the command line does not set (virtual time, system folders, the seams of tests).
    GlobalOptions defaults = {};
    // The value of ZR48_LINK, when set.
    std::optional<std::string> linkVariable = {};
};
int run(Environment& environment, const Arguments& arguments);

void printUsage(std::ostream& out);

} // namespace zr48::cli
