#pragma once
// JSON for scripts (`--json`): one document, written as it is built, indented two spaces a level.
// Strings must be UTF-8; a byte that is not (a path named in another encoding) becomes U+FFFD, so
// the document is always valid JSON.

#include <cstdint>
#include <iosfwd>
#include <string_view>
#include <vector>

namespace zr48::cli {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    // Ends the document's line.
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The name of the next value in an object.
    JsonWriter& key(std::string_view name);

    JsonWriter& string(std::string_view utf8);
    JsonWriter& number(std::int64_t value);
    JsonWriter& boolean(bool value);
    JsonWriter& null();

    // A member of an object: key and value at once.
    JsonWriter& field(std::string_view name, std::string_view utf8) { return key(name).string(utf8); }
    JsonWriter& field(std::string_view name, const char* utf8) { return key(name).string(utf8); }
    JsonWriter& numberField(std::string_view name, std::int64_t value) { return key(name).number(value); }
    JsonWriter& booleanField(std::string_view name, bool value) { return key(name).boolean(value); }

private:
    // Where a value goes: a comma and a new line in a container, nothing after a key.
    void beforeValue();
    void writeString(std::string_view utf8);
    void newLine();

    struct Level {
        bool object;
        int members = 0;
    };
    std::ostream& out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
    bool written_ = false;
};

} // namespace zr48::cli
