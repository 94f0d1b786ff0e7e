#include "infrared/IrCodeImport.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "infrared/FlipperIrFile.h"
#include "infrared/IrCodeExport.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrKeyName.h"
#include "infrared/IrOptimizer.h"
#include "infrared/IrString.h"
#include "infrared/ProntoHex.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace zr48 {

namespace {

// "Infrared (RAW)": a device driven by the durations of its strings.
const char* const kIrDeviceType = "6";

// Keys the readers of a device file take for themselves (the optimizer deletes every line that
// holds the timing table's key).
const char* const kOwnKeys[] = {"DEVICE", "NAME", "SELECT", "DESCRIPTION"};
const char* const kTableKey = "IR_TIME_";
// The optimizer keeps durations in single precision, exact up to 2^24 microseconds (16.7 s, far
// beyond any remote control's code).
constexpr std::uint32_t kLongestDuration = (1u << 24) - 1;

std::string utf8Name(std::string_view name)
{
    return isValidUtf8(name) ? std::string(name) : toUtf8(name);
}

IrButton flipperButton(const FlipperSignal& signal)
{
    IrButton button{.name = signal.name, .line = signal.line, .skipped = signal.problem};
    if (!button.skipped.empty())
        return button;
    if (!signal.parsed) {
        button.durations = signal.data;
        button.carrierHz = signal.frequency;
        return button;
    }
    const IrProtocol* protocol = findIrProtocol(signal.protocol);
    if (!protocol) {
        button.skipped = "protocol " + signal.protocol + " is not in the table";
        return button;
    }
    const IrCode code{signal.address, signal.command, false};
    button.skipped = irCodeProblem(*protocol, code);
    if (button.skipped.empty())
        button.durations = encodeIrFrame(*protocol, code);
    button.carrierHz = protocol->carrierHz;
    return button;
}

std::vector<IrButton> readProntoLines(std::string_view text)
{
    std::vector<IrButton> buttons;
    int number = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            throw Error("line " + std::to_string(number) +
                        ": neither a Flipper .ir file nor Pronto hex (\"NAME: 0000 006D ...\")");
        IrButton button{.name = std::string(trimmed(line.substr(0, colon))), .line = number};
        std::string kind;
        try {
            const auto code = parseProntoCode(line.substr(colon + 1), kind);
            if (code) {
                button.durations = code->durations;
                button.carrierHz = code->carrierHz;
            } else
                button.skipped = "Pronto code " + kind + " is no learned code (0000)";
        } catch (const Error& e) {
            throw Error("line " + std::to_string(number) + ": " + e.message());
        }
        buttons.push_back(std::move(button));
    }
    if (buttons.empty())
        throw Error("neither a Flipper .ir file nor Pronto hex: no code in it");
    return buttons;
}

Text keyOf(const Text& line)
{
    const std::size_t equals = line.find('=');
    return equals == Text::npos ? Text() : upperCase(trimmed(std::string_view(line).substr(0, equals)));
}

class KeyNames {
public:
    explicit KeyNames(const std::vector<Text>& lines)
    {
        for (const char* key : kOwnKeys)
            taken_.insert(key);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Text key = keyOf(lines[i]);
            if (key.empty())
                continue;
            if (irStringLine(lines[i]))
                strings_.emplace_back(key, i);
            else
                taken_.insert(key);
        }
    }

    // The key of a button, and why it is not the name as it stands (empty when it is).
    std::pair<Text, std::string> keyFor(const Text& prefix, std::string_view name)
    {
        const IrKeyName named = irKeyName(name);
        Text key = prefix + named.key;
        std::string reason = named.reason;
        for (std::size_t at; (at = key.find(kTableKey)) != Text::npos;) {
            key.erase(at + 2, 1); // IR_TIME_ -> IRTIME_
            reason = join(reason, "IR_TIME_ names the timing table");
        }
        const Text plain = key;
        for (int n = 2; taken_.count(key) != 0; ++n)
            key = plain + "_" + std::to_string(n);
        if (key != plain)
            reason = join(reason, plain + " is taken");
        taken_.insert(key);
        return {key, reason};
    }

    // The line of an infrared string with the key, if the file has one.
    std::optional<std::size_t> stringLine(const Text& key) const
    {
        for (const auto& [k, line] : strings_)
            if (k == key)
                return line;
        return std::nullopt;
    }

private:
    static std::string join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "; " + b; }

    std::set<Text> taken_;
    std::vector<std::pair<Text, std::size_t>> strings_;
};

std::string kilohertz(std::uint32_t hz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f kHz", hz / 1000.0);
    return text;
}

// Carriers that a receiver takes alike: Pronto's clock and a capture's measurement round a carrier
// by some tenths of a percent, and receivers are built for a band of a few percent.
bool sameCarrier(std::uint32_t a, std::uint32_t b)
{
    return std::abs(static_cast<double>(a) - static_cast<double>(b)) <= 0.02 * static_cast<double>(b);
}

Text stringLineText(const Text& key, const IrDurations& durations)
{
    return key + "=\"" + formatIrString(durations) + "\"";
}

} // namespace

std::vector<IrButton> readIrCodeFile(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) // a UTF-8 byte-order mark, as some editors write
        bytes.remove_prefix(3);
    if (!isFlipperIrText(bytes))
        return readProntoLines(bytes);
    std::vector<IrButton> buttons;
    for (const FlipperSignal& signal : readFlipperIr(bytes))
        buttons.push_back(flipperButton(signal));
    return buttons;
}

IrImportReport importIrButtons(std::vector<Text>& lines, const std::vector<IrButton>& buttons,
                               const IrImportOptions& options, Prompt& prompt)
{
    IrImportReport report;
    const Text prefix = options.prefix ? *options.prefix : irKeyPrefix(lines);
    KeyNames names(lines);
    struct Planned {
        const IrButton* button;
        Text key;
        std::string reason;
        std::optional<std::size_t> replaces;
    };
    std::vector<Planned> planned;
    for (const IrButton& button : buttons) {
        std::string skipped = button.skipped;
        const auto longest = std::max_element(button.durations.begin(), button.durations.end());
        if (skipped.empty() && longest != button.durations.end() && *longest > kLongestDuration)
            skipped = "a duration of " + std::to_string(*longest) + " us is longer than a device file holds (" +
                      std::to_string(kLongestDuration) + " us)";
        if (!skipped.empty()) {
            report.skipped.push_back({utf8Name(button.name), button.line, {}, skipped});
            continue;
        }
        auto [key, reason] = names.keyFor(prefix, button.name);
        planned.push_back({&button, key, reason, names.stringLine(key)});
    }

    std::string replaced;
    for (const Planned& p : planned)
        if (p.replaces)
            replaced += (replaced.empty() ? "" : ", ") + toUtf8(p.key);
    const bool replace = replaced.empty() ||
                         prompt.confirm("The device file has infrared strings under these keys already: " + replaced +
                                            ".\nReplace them with the imported codes?",
                                        Buttons::YesNo) == Answer::Yes;

    std::vector<std::size_t> added;
    for (const Planned& p : planned) {
        if (p.replaces && !replace) {
            report.skipped.push_back(
                {utf8Name(p.button->name), p.button->line, p.key, toUtf8(p.key) + " exists and was not replaced"});
            continue;
        }
        const Text line = stringLineText(p.key, p.button->durations);
        if (p.replaces) {
            lines[*p.replaces] = line;
            added.push_back(*p.replaces);
        } else {
            added.push_back(lines.size());
            lines.push_back(line);
        }
        report.imported.push_back({utf8Name(p.button->name), p.button->line, p.key, p.reason});
        const std::uint32_t sent = irStringCarrier(p.button->durations);
        if (p.button->carrierHz != 0 && !sameCarrier(p.button->carrierHz, sent))
            report.carriers.push_back({p.key, p.button->carrierHz, sent});
    }

    const int tolerances[] = {options.tolerance1, options.tolerance2};
    if (!options.optimizeFile) {
        MergeIntoTimingTable(lines, std::move(added), tolerances);
        return report;
    }
    const std::vector<Text> before = lines;
    TIrOptimizer optimizer;
    for (const int tolerance : tolerances) {
        optimizer.SetTolerance(tolerance);
        optimizer.Optimize(lines);
    }
    report.optimized = CompareOptimized(before, lines);
    return report;
}

Text irKeyPrefix(const std::vector<Text>& lines)
{
    std::optional<Text> shared;
    int keys = 0;
    for (const Text& line : lines) {
        const auto string = irStringLine(line);
        if (!string)
            continue;
        const std::size_t underscore = string->key.find('_');
        if (underscore == 0 || underscore == Text::npos || underscore + 1 == string->key.size())
            return {};
        const Text first = upperCase(std::string_view(string->key).substr(0, underscore + 1));
        if (shared && *shared != first)
            return {};
        shared = first;
        ++keys;
    }
    return keys >= 2 ? *shared : Text();
}

std::vector<Text> newIrDeviceLines(const Text& name)
{
    return {Text("DEVICE=") + kIrDeviceType, "NAME=" + name, "SELECT=0"};
}

std::vector<IrButton> readIrCodeFileAt(const Path& codeFile)
{
    const Bytes code = readFileBytes(codeFile);
    try {
        return readIrCodeFile(std::string_view(reinterpret_cast<const char*>(code.data()), code.size()));
    } catch (const Error& e) {
        throw Error(codeFile + ": " + e.message());
    }
}

IrImportReport importIrCodeFile(const Path& codeFile, const Path& deviceFile, const IrImportOptions& options,
                                Prompt& prompt)
{
    const std::vector<IrButton> buttons = readIrCodeFileAt(codeFile);
    std::vector<Text> lines;
    if (notAFileReason(deviceFile).value_or("") != kNoSuchFile) {
        lines = ReadDeviceFileLines(deviceFile);
    } else {
        const Path name = extractFileName(deviceFile);
        lines = newIrDeviceLines(fromUtf8(name.substr(0, name.size() - extractFileExt(name).size())));
    }
    IrImportReport report = importIrButtons(lines, buttons, options, prompt);
    if (report.imported.empty())
        return report;
    writeFileAtomically(deviceFile, DeviceFileBytes(lines));
    return report;
}

std::string IrImportReport::text(std::string_view deviceFile) const
{
    std::string text = "Imported " + std::to_string(imported.size()) +
                       (imported.size() == 1 ? " button into " : " buttons into ") + std::string(deviceFile);
    for (std::size_t i = 0; i < imported.size(); ++i)
        text += (i == 0 ? ": " : ", ") + toUtf8(imported[i].key);
    text += "\n";
    bool heading = false;
    for (const Entry& entry : imported) {
        if (entry.reason.empty())
            continue;
        if (!heading)
            text += "Renamed:\n";
        heading = true;
        text += "  \"" + entry.button + "\" as " + toUtf8(entry.key) + ": " + entry.reason + "\n";
    }
    if (!skipped.empty())
        text += "Skipped:\n";
    for (const Entry& entry : skipped)
        text += "  \"" + entry.button + "\" (line " + std::to_string(entry.line) + "): " + entry.reason + "\n";
    if (!carriers.empty())
        text += "Carrier not kept (a device file holds durations; a code is sent at its protocol's carrier):\n";
    for (const Carrier& carrier : carriers)
        text += "  " + toUtf8(carrier.key) + ": " + kilohertz(carrier.givenHz) + " becomes " +
                kilohertz(carrier.sentHz) + "\n";
    if (optimized) {
        text += "Optimized the whole file:\n";
        for (const std::string& line : OptimizeReportLines(*optimized))
            text += "  " + line + "\n";
    }
    return text;
}

} // namespace zr48
