#include "sim/SimCommandLine.h"

#include "base/FileIo.h"

#include <array>
#include <stdexcept>

namespace zr48 {

namespace {

struct SimOption {
    OptionRow row;
    // Takes the option's value (empty for an option without one); throws std::exception for a
    // value it cannot use.
    void (*apply)(SimCommandLine& line, const std::string& value);
};

int wholeNumber(const std::string& value)
{
    std::size_t end = 0;
    const int number = std::stoi(value, &end);
    if (end != value.size())
        throw std::invalid_argument("not a whole number");
    return number;
}

double share(const std::string& value)
{
    std::size_t end = 0;
    const double number = std::stod(value, &end);
    if (end != value.size() || number < 0 || number > 1)
        throw std::invalid_argument("not a share from 0 to 1");
    return number;
}

const std::array<SimOption, 15>& optionTable()
{
    static const std::array<SimOption, 15> table{{
        {{.longName = "--pty", .help = "run on a new pseudo-terminal (the one way there is so far)"},
         [](SimCommandLine& l, const std::string&) { l.pty = true; }},
        {{.longName = "--card",
          .value = "FILE",
          .help = "keep the memory card in FILE between runs",
          .valueFiles = "*"},
         [](SimCommandLine& l, const std::string& v) { l.cardFile = v; }},
        {{.longName = "--firmware-version",
          .value = "TEXT",
          .help = "run firmware of this version (an older unit, say) and keep it on the card; default: the card's, "
                  "else the shipped firmware file's"},
         [](SimCommandLine& l, const std::string& v) {
             if (v.empty())
                 throw std::invalid_argument("an empty version");
             l.options.installedVersion = v;
         }},
        {{.longName = "--latency", .value = "MS", .help = "the converter's latency timer (default 16)"},
         [](SimCommandLine& l, const std::string& v) { l.options.latencyMs = wholeNumber(v); }},
        {{.longName = "--boot-count", .value = "N", .help = "the count of BootReady (default 480)"},
         [](SimCommandLine& l, const std::string& v) {
             l.options.bootReadyCount = static_cast<std::uint16_t>(wholeNumber(v));
         }},
        {{.longName = "--ir-capture",
          .value = "FILE",
          .help = "hand out this capture instead of a synthesized remote-control code",
          .valueFiles = "bin"},
         [](SimCommandLine& l, const std::string& v) { l.options.irCapture = readFileBytes(v); }},
        {{.longName = "--seed", .value = "N", .help = "seed of the faults below (default 1)"},
         [](SimCommandLine& l, const std::string& v) {
             l.options.faults.seed = static_cast<std::uint32_t>(wholeNumber(v));
         }},
        {{.longName = "--drop-rate", .value = "R", .help = "leave this share of requests unanswered (0 to 1)"},
         [](SimCommandLine& l, const std::string& v) { l.options.faults.dropRate = share(v); }},
        {{.longName = "--drop-every", .value = "N", .help = "leave every Nth request unanswered"},
         [](SimCommandLine& l, const std::string& v) { l.options.faults.dropEveryNth = wholeNumber(v); }},
        {{.longName = "--corrupt-rate", .value = "R", .help = "change one byte in this share of replies (0 to 1)"},
         [](SimCommandLine& l, const std::string& v) { l.options.faults.corruptRate = share(v); }},
        {{.longName = "--reply-loss-rate",
          .value = "R",
          .help = "lose this share of replies on the way back, after the request was carried out (0 to 1)"},
         [](SimCommandLine& l, const std::string& v) { l.options.faults.replyLossRate = share(v); }},
        {{.longName = "--delay", .value = "MS", .help = "answer every request MS later"},
         [](SimCommandLine& l, const std::string& v) { l.options.faults.extraDelayMs = wholeNumber(v); }},
        {{.longName = "--silent", .help = "answer nothing"},
         [](SimCommandLine& l, const std::string&) { l.options.faults.silent = true; }},
        {{.shortName = "-h", .longName = "--help", .help = "show this help"},
         [](SimCommandLine& l, const std::string&) { l.help = true; }},
        {{.longName = "--version", .help = "show the version"},
         [](SimCommandLine& l, const std::string&) { l.version = true; }},
    }};
    return table;
}

} // namespace

SimCommandLine parseSimCommandLine(const std::vector<std::string>& arguments)
{
    SimCommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const SimOption* option = nullptr;
        for (const SimOption& candidate : optionTable()) {
            if (namesOption(candidate.row, a))
                option = &candidate;
        }
        if (!option) {
            line.error = "unknown argument '" + a + "'";
            return line;
        }
        std::string value;
        if (option->row.value) {
            if (i + 1 == arguments.size()) {
                line.error = a + " needs a value";
                return line;
            }
            value = arguments[++i];
        }
        try {
            option->apply(line, value);
        } catch (const std::exception& e) {
            line.error = a + " " + value + ": " + e.what();
            return line;
        }
    }
    if (!line.pty && !line.help && !line.version)
        line.error = "--pty is missing: the simulated unit runs on a pseudo-terminal";
    return line;
}

const ProgramDescription& simProgram()
{
    static const auto rows = [] {
        std::array<OptionRow, std::tuple_size_v<std::decay_t<decltype(optionTable())>>> r{};
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i] = optionTable()[i].row;
        return r;
    }();
    static const ProgramDescription program{
        .name = "zr48-sim",
        .summary = "simulated KELDO ZR48 on a pseudo-terminal",
        .synopsis = "--pty [OPTIONS]",
        .description = "Runs a simulated ZR48 on a pseudo-terminal and prints the terminal's path; use it with\n"
                       "'zr48 --link tty:PATH ...' or 'zr48pm --link tty:PATH'. It answers every request as a unit\n"
                       "does, with the timing of the line and of its card, and with the faults asked for below.\n"
                       "Stop it with Ctrl+C.",
        .options = rows,
        .notes = "Signal SIGUSR1 unplugs the unit (it answers nothing and forgets what it was receiving);\n"
                 "the next SIGUSR1 plugs it in again. Exit status 0 after Ctrl+C or SIGTERM, 1 when the\n"
                 "pseudo-terminal or the card file fails, 64 for a wrong command line.",
    };
    return program;
}

} // namespace zr48
