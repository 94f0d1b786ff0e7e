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
        pos_ = end + 1;
        ++number_;
        return true;
    }
    int number() const { return number_; }
    [[noreturn]] void fail(const std::string& problem) const { failAt(number_, problem); }
    [[noreturn]] static void failAt(int line, const std::string& problem)
    {
        throw Error("line " + std::to_string(line) + ": " + problem);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

std::uint32_t readNumber(const Reader& reader, std::string_view text, const char* what)
{
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        reader.fail(std::string(what) + " '" + std::string(text) + "' is no whole number");
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
            reader.fail(std::string(key) + " takes four hexadecimal bytes; '" + std::string(word) + "' is none");
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
        if (!trimmed(line).empty())
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
        if (!missing.empty())
            Reader::failAt(block->signal.line, "the signal \"" + block->signal.name + "\" ends at line " +
                                                   std::to_string(endLine) + " without its " + missing + " line");
        signals.push_back(std::move(block->signal));
        block.reset();
    };
    bool header = false, version = false;
    std::string_view line;
    while (reader.next(line)) {
        const std::string_view content = trimmed(line);
        if (content.empty() || content.front() == '#')
            continue;
        const std::size_t colon = content.find(':');
        if (colon == std::string_view::npos)
            reader.fail("\"" + std::string(content) + "\" is neither a \"#\" line nor \"key: value\"");
        const std::string_view key = trimmed(content.substr(0, colon));
        const std::string_view value = trimmed(content.substr(colon + 1));
        if (!header) {
            if (key != "Filetype" || (value != "IR signals file" && value != "IR library file"))
                reader.fail("not an infrared signals file (it begins \"" + std::string(content) + "\")");
            header = true;
            continue;
        }
        if (!version) {
            if (key != "Version" || firstWord(value) != "1")
                reader.fail("only version 1 of the infrared signals file is read (\"" + std::string(content) + "\")");
            version = true;
            continue;
        }
        if (key == "name") {
            finish(reader.number() - 1);
            block.emplace();
            block->signal.name = std::string(value);
            block->signal.line = reader.number();
            continue;
        }
        if (!block)
            reader.fail("\"" + std::string(key) + ":\" before the first \"name:\"");
        FlipperSignal& signal = block->signal;
        if (key == "type") {
            if (value != "parsed" && value != "raw")
                reader.fail("the type is \"parsed\" or \"raw\", not \"" + std::string(value) + "\"");
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
            for (const std::string_view word : words(value)) {
                const std::uint32_t duration = readNumber(reader, word, "the duration");
                if (duration == 0)
                    reader.fail("a duration of 0");
                signal.data.push_back(duration);
            }
        }
        // Other keys (duty_cycle, ...) say nothing the unit's strings hold.
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
