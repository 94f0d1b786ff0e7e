#include "base/ByteOrder.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(ByteOrder, WritesAndReadsBothOrders)
{
    std::uint8_t b[4] = {};
    writeBe16(b, 0x1234);
    EXPECT_EQ(b[0], 0x12);
    EXPECT_EQ(b[1], 0x34);
    EXPECT_EQ(readBe16(b), 0x1234);
    EXPECT_EQ(readLe16(b), 0x3412);
    writeLe32(b, 0xA1B2C3D4);
    EXPECT_EQ(b[0], 0xD4);
    EXPECT_EQ(b[3], 0xA1);
    EXPECT_EQ(readLe32(b), 0xA1B2C3D4u);
    EXPECT_EQ(readBe32(b), 0xD4C3B2A1u);
    writeBe32(b, 0x01020304);
    EXPECT_EQ(readBe32(b), 0x01020304u);
    writeLe16(b, 0xFFEE);
    EXPECT_EQ(readLe16(b), 0xFFEE);
}

} // namespace
} // namespace zr48
