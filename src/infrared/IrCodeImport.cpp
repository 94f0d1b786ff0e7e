#include "infrared/IrCodeImport.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "infrared/FlipperIrFile.h"
#include "infrared/IrEncoder.h"
#include "infrared/IrOptimizer.h"
#include "infrared/IrString.h"
#include "infrared/ProntoHex.h"
#include "project/SimpleIniFile.h"

#include <algorithm>
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

Text unitName(std::string_view name)
{
    return isValidUtf8(name) ? fromUtf8(name) : Text(name);
}

IrButton flipperButton(const FlipperSignal& signal)
{
    IrButton button{.name = signal.name, .line = signal.line};
    if (!signal.parsed) {
        button.durations = signal.data;
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
            if (code)
                button.durations = code->durations;
            else
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

bool isKeyCharacter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
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
        Text upper = upperCase(unitName(name));
        std::replace(upper.begin(), upper.end(), ' ', '_'); // words apart, as keys have them
        Text key = prefix;
        std::string reason;
        for (const unsigned char c : upper)
            key += isKeyCharacter(c) ? static_cast<char>(c) : '_';
        if (upper.empty())
            key += "BUTTON";
        if (key != prefix + upper)
            reason = "a key holds A-Z, 0-9 and _ only";
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
        auto [key, reason] = names.keyFor(options.prefix, button.name);
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

    for (const Planned& p : planned) {
        if (p.replaces && !replace) {
            report.skipped.push_back(
                {utf8Name(p.button->name), p.button->line, p.key, toUtf8(p.key) + " exists and was not replaced"});
            continue;
        }
        const Text line = stringLineText(p.key, p.button->durations);
        if (p.replaces)
            lines[*p.replaces] = line;
        else
            lines.push_back(line);
        report.imported.push_back({utf8Name(p.button->name), p.button->line, p.key, p.reason});
    }

    TIrOptimizer optimizer;
    optimizer.SetTolerance(options.tolerance1);
    optimizer.Optimize(lines);
    optimizer.SetTolerance(options.tolerance2);
    optimizer.Optimize(lines);
    return report;
}

std::vector<Text> newIrDeviceLines(const Text& name)
{
    return {Text("DEVICE=") + kIrDeviceType, "NAME=" + name, "SELECT=0"};
}

IrImportReport importIrCodeFile(const Path& codeFile, const Path& deviceFile, const IrImportOptions& options,
                                Prompt& prompt)
{
    const Bytes code = readFileBytes(codeFile);
    std::vector<IrButton> buttons;
    try {
        buttons = readIrCodeFile(std::string_view(reinterpret_cast<const char*>(code.data()), code.size()));
    } catch (const Error& e) {
        throw Error(codeFile + ": " + e.message());
    }
    std::vector<Text> lines;
    if (fileExists(deviceFile)) {
        const Bytes device = readFileBytes(deviceFile);
        lines =
            TSimpleIniFile::DecodeLines(std::string_view(reinterpret_cast<const char*>(device.data()), device.size()));
    } else {
        const Path name = extractFileName(deviceFile);
        lines = newIrDeviceLines(fromUtf8(name.substr(0, name.size() - extractFileExt(name).size())));
    }
    IrImportReport report = importIrButtons(lines, buttons, options, prompt);
    if (report.imported.empty())
        return report;
    Text text;
    for (const Text& line : lines)
        text += line + "\r\n";
    writeFileAtomically(deviceFile, text);
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
    return text;
}

} // namespace zr48
