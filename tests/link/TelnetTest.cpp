#include "link/Telnet.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Telnet, DataBytes0xFFTravelDoubled)
{
    const Bytes data{0x5C, 0xFF, 0x00, 0xFF, 0xFF};
    Bytes wire;
    TelnetCodec::encode(data.data(), data.size(), wire);
    EXPECT_EQ(wire, (Bytes{0x5C, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    TelnetCodec codec;
    Bytes back, replies;
    codec.decode(wire.data(), wire.size(), back, replies);
    EXPECT_EQ(back, data);
    EXPECT_TRUE(replies.empty());
}

TEST(Telnet, ComPortCommandsCarryBigEndianValuesWith0xFFDoubled)
{
    EXPECT_EQ(TelnetCodec::comPortCommand(telnet::kSetBaudRate, {0x00, 0x03, 0x84, 0x00}),
              (Bytes{0xFF, 0xFA, 44, 1, 0x00, 0x03, 0x84, 0x00, 0xFF, 0xF0}));
    EXPECT_EQ(TelnetCodec::comPortCommand(telnet::kSetBaudRate, {0x00, 0x00, 0xFF, 0x00}),
              (Bytes{0xFF, 0xFA, 44, 1, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0xF0}));
}

// The server's commands leave the data stream, wherever they are split; what the greeting offered
// needs no answer, anything else is refused.
TEST(Telnet, CommandsLeaveTheStreamAndUnknownOptionsAreRefused)
{
    const struct {
        const char* name;
        Bytes received;
        Bytes data;
        Bytes replies;
    } cases[] = {
        {"agreement", {0xFF, 253, 44, 0xFF, 251, 0, 0xFF, 253, 3, 0x41}, {0x41}, {}},
        {"echo asked for", {0x41, 0xFF, 253, 1, 0x42}, {0x41, 0x42}, {0xFF, 252, 1}},
        {"echo offered", {0xFF, 251, 1}, {}, {0xFF, 254, 1}},
        {"refusals", {0xFF, 252, 44, 0xFF, 254, 0}, {}, {}},
        {"answer to a setting", {0xFF, 0xFA, 44, 101, 0x00, 0x03, 0xFF, 0xFF, 0x00, 0xFF, 0xF0, 0x5C}, {0x5C}, {}},
        {"no-operation", {0xFF, 241, 0x01}, {0x01}, {}},
    };
    for (const auto& c : cases) {
        // Whole, and byte by byte.
        for (const bool split : {false, true}) {
            TelnetCodec codec;
            Bytes data, replies;
            if (split) {
                for (const std::uint8_t b : c.received)
                    codec.decode(&b, 1, data, replies);
            } else {
                codec.decode(c.received.data(), c.received.size(), data, replies);
            }
            EXPECT_EQ(data, c.data) << c.name << (split ? " split" : "");
            EXPECT_EQ(replies, c.replies) << c.name << (split ? " split" : "");
        }
    }
}

} // namespace
} // namespace zr48
