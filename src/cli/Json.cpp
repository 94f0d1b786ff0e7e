#include "cli/Json.h"

#include "base/Text.h"

#include <cstdio>
#include <ostream>

namespace zr48::cli {

namespace {

// The length of the UTF-8 sequence that `lead` begins; 1 for a byte that begins none.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

JsonWriter::~JsonWriter()
{
    if (written_)
        out_ << '\n';
}

void JsonWriter::newLine()
{
    out_ << '\n' << std::string(levels_.size() * 2, ' ');
}

void JsonWriter::beforeValue()
{
    written_ = true;
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty())
        return;
    if (levels_.back().members++ > 0)
        out_ << ',';
    newLine();
}

JsonWriter& JsonWriter::beginObject()
{
    beforeValue();
    out_ << '{';
    levels_.push_back({true});
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    beforeValue();
    out_ << '[';
    levels_.push_back({false});
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    return endArray();
}

JsonWriter& JsonWriter::endArray()
{
    const bool object = levels_.back().object;
    const bool empty = levels_.back().members == 0;
    levels_.pop_back();
    if (!empty)
        newLine();
    out_ << (object ? '}' : ']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    if (levels_.back().members++ > 0)
        out_ << ',';
    newLine();
    writeString(name);
    out_ << ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view utf8)
{
    beforeValue();
    writeString(utf8);
    return *this;
}

JsonWriter& JsonWriter::number(std::int64_t value)
{
    beforeValue();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value)
{
    beforeValue();
    out_ << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null()
{
    beforeValue();
    out_ << "null";
    return *this;
}

void JsonWriter::writeString(std::string_view utf8)
{
    out_ << '"';
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80) {
            const std::string_view sequence = utf8.substr(i, sequenceLength(c));
            if (sequence.size() > 1 && isValidUtf8(sequence)) {
                out_ << sequence;
                i += sequence.size();
            } else {
                out_ << "\xEF\xBF\xBD"; // U+FFFD for a byte of another encoding
                ++i;
            }
            continue;
        }
        switch (c) {
        case '"': out_ << "\\\""; break;
        case '\\': out_ << "\\\\"; break;
        case '\n': out_ << "\\n"; break;
        case '\r': out_ << "\\r"; break;
        case '\t': out_ << "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                out_ << escaped;
            } else {
                out_ << static_cast<char>(c);
            }
        }
        ++i;
    }
    out_ << '"';
}

} // namespace zr48::cli
