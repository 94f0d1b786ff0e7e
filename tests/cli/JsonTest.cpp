// The JSON of --json and the lines of the wire trace.

#include "cli/Json.h"
#include "cli/WireTrace.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace zr48::cli {
namespace {

TEST(JsonWriter, WritesWhatAParserReadsBackWhateverTheStringsHold)
{
    std::ostringstream out;
    {
        JsonWriter json(out);
        json.beginObject()
            .field("quote", "say \"hi\"\\ \n\t\r")
            .field("control", std::string_view("\x01\x1F", 2))
            .field("utf8", "Проект 家 🏠")
            .field("latin1", "Caf\xE9")         // no UTF-8: replaced, the document stays valid
            .field("cut", "\xE5\xAE")           // a sequence cut short
            .field("surrogate", "\xED\xA0\x80") // UTF-8 may not encode one
            .numberField("number", -65536)
            .booleanField("yes", true)
            .key("nothing")
            .null()
            .key("empty")
            .beginArray()
            .endArray()
            .key("list")
            .beginArray()
            .number(1)
            .beginObject()
            .field("a", "b")
            .endObject()
            .endArray()
            .endObject();
    }
    const std::string text = out.str();
    ASSERT_TRUE(text.ends_with("}\n")) << text;
    const auto parsed = nlohmann::json::parse(text);
    EXPECT_EQ(parsed["quote"], "say \"hi\"\\ \n\t\r");
    EXPECT_EQ(parsed["control"], std::string("\x01\x1F", 2));
    EXPECT_EQ(parsed["utf8"], "Проект 家 🏠");
    EXPECT_EQ(parsed["latin1"], "Caf\xEF\xBF\xBD");
    EXPECT_EQ(parsed["cut"], "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(parsed["surrogate"], "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(parsed["number"], -65536);
    EXPECT_EQ(parsed["yes"], true);
    EXPECT_TRUE(parsed["nothing"].is_null());
    EXPECT_EQ(parsed["empty"], nlohmann::json::array());
    EXPECT_EQ(parsed["list"], nlohmann::json::parse(R"([1, {"a": "b"}])"));
    // Indented two spaces a level, one member a line.
    EXPECT_NE(text.find("\n  \"list\": [\n    1,\n    {\n      \"a\": \"b\"\n    }\n  ]\n}"), std::string::npos)
        << text;
}

TEST(WireTrace, OneLineAFrameWithTimeDirectionTypeAndBytes)
{
    const std::uint8_t versionRequest[] = {11, 0};
    EXPECT_EQ(traceLine(1.5, true, versionRequest), "zr48: 1.500000 sent     VersionRequest   0B 00");
    const std::uint8_t unknown[] = {0x2A, 0x5C, 0xFF};
    EXPECT_EQ(traceLine(0.000123, false, unknown), "zr48: 0.000123 received type 42          2A 5C FF");
    EXPECT_EQ(traceLine(0, false, {}), "zr48: 0.000000 received (empty)");
    const std::uint8_t keepAliveReply[] = {10, 0};
    EXPECT_EQ(traceLine(2, false, keepAliveReply), "zr48: 2.000000 received KeepAliveReply   0A 00");
}

} // namespace
} // namespace zr48::cli
