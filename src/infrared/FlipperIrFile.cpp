#include "infrared/FlipperIrFile.h"

#include "base/Error.h"
#include "base/Text.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace zr48 {

namespace {

std::string_view firstWord(std::string_view text)
{
    text = trimmed(text);
    return text.substr(0, text.find_first_of(" \t"));
}

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t')
            ++end;
        if (end > i)
            result.push_back(text.substr(i, end - i));
        i = end;
    }
    return result;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // The next line without its line end; false at the end of the text.
    bool next(std::string_view& line)
    {
        if (pos_ >= text_.size())
            return false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ended_ = end < text_.size();
        pos_ = end + 1;
        ++number_;
        return true;
    }
    int number() const { return number_; }
    // Whether the line just read has its line end (only the file's last line may lack one).
    bool ended() const { return ended_; }
    [[noreturn]] void fail(const std::string& problem) const { failAt(number_, problem); }
    [[noreturn]] static void failAt(int line, const std::string& problem)
    {
        throw Error("line " + std::to_string(line) + ": " + problem);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
    bool ended_ = true;
};

std::uint32_t readNumber(const Reader& reader, std::string_view text, const char* what)
{
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        reader.fail(std::string(what) + " '" + shownExcerpt(text) + "' is no whole number");
    return value;
}

// Four hexadecimal bytes, least significant first.
std::uint32_t readBytes(const Reader& reader, std::string_view text, const char* key)
{
    const auto bytes = words(text);
    if (bytes.size() != 4)
        reader.fail(std::string(key) + " takes four hexadecimal bytes (\"04 00 00 00\")");
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        unsigned byte = 0;
        const auto word = bytes[k];
        const auto result = std::from_chars(word.data(), word.data() + word.size(), byte, 16);
        if (word.size() > 2 || result.ec != std::errc() || result.ptr != word.data() + word.size())
            reader.fail(std::string(key) + " takes four hexadecimal bytes; '" + shownExcerpt(word) + "' is none");
        value |= byte << (8 * k);
    }
    return value;
}

// A block being read, and what it still lacks.
struct Block {
    FlipperSignal signal;
    std::optional<std::string> type;
    bool protocol = false, address = false, command = false, frequency = false;

    std::string missing() const
    {
        if (!type)
            return "type:";
        if (signal.parsed) {
            if (!protocol)
                return "protocol:";
            if (!address)
                return "address:";
            if (!command)
                return "command:";
        } else {
            if (!frequency)
                return "frequency:";
            if (signal.data.empty())
                return "data:";
        }
        return {};
    }
};

} // namespace

bool isFlipperIrText(std::string_view text)
{
    Reader reader(text);
    std::string_view line;
    while (reader.next(line))
        if (!trimmed(line).empty() && trimmed(line).front() != '#')
            return trimmed(line).substr(0, 9) == "Filetype:";
    return false;
}

std::vector<FlipperSignal> readFlipperIr(std::string_view text)
{
    Reader reader(text);
    std::vector<FlipperSignal> signals;
    std::optional<Block> block;
    auto finish = [&](int endLine) {
        if (!block)
            return;
        const std::string missing = block->missing();
        if (!missing.empty() && block->signal.problem.empty())
            Reader::failAt(block->signal.line, "the signal \"" + shownExcerpt(block->signal.name) + "\" ends at line " +
                                                   std::to_string(endLine) + " without its " + missing + " line");
        signals.push_back(std::move(block->signal));
        block.reset();
    };
    // A value of a block's line.
    auto take = [&](std::string_view key, std::string_view value) {
        FlipperSignal& signal = block->signal;
        if (key == "type") {
            if (value != "parsed" && value != "raw")
                reader.fail("the type is \"parsed\" or \"raw\", not \"" + shownExcerpt(value) + "\"");
            block->type = std::string(value);
            signal.parsed = value == "parsed";
        } else if (key == "protocol") {
            signal.protocol = std::string(value);
            block->protocol = true;
        } else if (key == "address") {
            signal.address = readBytes(reader, value, "address:");
            block->address = true;
        } else if (key == "command") {
            signal.command = readBytes(reader, value, "command:");
            block->command = true;
        } else if (key == "frequency") {
            signal.frequency = readNumber(reader, value, "the frequency");
            if (signal.frequency == 0)
                reader.fail("a frequency of 0");
            block->frequency = true;
        } else if (key == "data") {
            // A bad duration spoils its button, not the file.
            for (const std::string_view word : words(value)) {
                std::uint32_t duration = 0;
                const auto result = std::from_chars(word.data(), word.data() + word.size(), duration);
                if (result.ec != std::errc() || result.ptr != word.data() + word.size()) {
                    if (signal.problem.empty())
                        signal.problem = "the duration '" + shownExcerpt(word) + "' (line " +
                                         std::to_string(reader.number()) + ") is no whole number";
                    continue;
                }
                if (duration == 0 && signal.problem.empty())
                    signal.problem = "a duration of 0 (line " + std::to_string(reader.number()) + ")";
                signal.data.push_back(duration);
            }
        }
        // Other keys (duty_cycle, ...) say nothing the unit's strings hold.
    };
    bool header = false, version = false;
    std::string_view line;
    while (reader.next(line)) {
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#')
            continue;
        const std::size_t colon = content.find(':');
        if (colon == std::string_view::npos)
            reader.fail("\"" + shownExcerpt(content) + "\" is neither a \"#\" line nor \"key: value\"");
        const std::string_view key = trimmed(content.substr(0, colon));
        const std::string_view value = trimmed(content.substr(colon + 1));
        if (!header) {
            if (key != "Filetype" || (value != "IR signals file" && value != "IR library file"))
                reader.fail("not an infrared signals file (it begins \"" + shownExcerpt(content) + "\")");
            header = true;
            continue;
        }
        if (!version) {
            if (key != "Version" || firstWord(value) != "1")
                reader.fail("only version 1 of the infrared signals file is read (\"" + shownExcerpt(content) + "\")");
            version = true;
            continue;
        }
        // The file's last line, without its line end: durations may be missing from it, and a line
        // that cannot be read, or a button without all its lines, was cut.
        const bool last = !reader.ended();
        bool cut = false;
        if (key == "name") {
            finish(reader.number() - 1);
            block.emplace();
            block->signal.name = std::string(value);
            block->signal.line = reader.number();
        } else if (!block) {
            reader.fail("\"" + shownExcerpt(key) + ":\" before the first \"name:\"");
        } else if (!last) {
            take(key, value);
        } else {
            try {
                take(key, value);
            } catch (const Error&) {
                cut = true;
            }
            cut = cut || key == "data";
        }
        if (last && (cut || !block->missing().empty()))
            block->signal.problem =
                "the file ends in the middle of it (line " + std::to_string(reader.number()) + " has no line end)";
    }
    if (!header)
        throw Error("the file is empty");
    finish(reader.number());
    return signals;
}

std::string writeFlipperIr(const std::vector<FlipperSignal>& signals)
{
    std::string text = "Filetype: IR signals file\nVersion: 1\n";
    auto bytes = [](std::uint32_t value) {
        char out[16];
        std::snprintf(out, sizeof out, "%02X %02X %02X %02X", value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF,
                      value >> 24);
        return std::string(out);
    };
    for (const FlipperSignal& signal : signals) {
        text += "#\nname: " + signal.name + "\n";
        if (signal.parsed) {
            text += "type: parsed\nprotocol: " + signal.protocol + "\naddress: " + bytes(signal.address) +
                    "\ncommand: " + bytes(signal.command) + "\n";
            continue;
        }
        text += "type: raw\nfrequency: " + std::to_string(signal.frequency) + "\nduty_cycle: 0.330000\ndata:";
        for (const std::uint32_t duration : signal.data)
            text += " " + std::to_string(duration);
        text += "\n";
    }
    return text;
}

} // namespace zr48
