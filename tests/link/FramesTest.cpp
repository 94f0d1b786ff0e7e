#include "link/Frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace zr48 {
namespace {

template <typename Bytes>
std::vector<std::uint8_t> bytes(const Bytes& b)
{
    return {b.begin(), b.end()};
}

TEST(Frames, HeadersAndNumbersHaveTheCatalogueLayout)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> built;
        std::vector<std::uint8_t> expected;
    };
    const std::vector<Case> cases = {
        {"SectorRead", bytes(encode(SectorReadFrame{7, 0x1234})), {1, 7, 0x12, 0x34}},
        {"SectorWriteAck", bytes(encode(SectorWriteAckFrame{0, 0xFFFF})), {4, 0, 0xFF, 0xFF}},
        {"BootStart", bytes(encode(BootStartFrame{})), {5, 0}},
        {"BootReady", bytes(encode(BootReadyFrame{0, 600})), {6, 0, 0x02, 0x58}},
        {"BootBlockAck", bytes(encode(BootBlockAckFrame{0, 479})), {8, 0, 0x01, 0xDF}},
        {"KeepAlive", bytes(encode(KeepAliveFrame{})), {9, 0}},
        {"KeepAliveReply", bytes(encode(KeepAliveReplyFrame{})), {10, 0}},
        {"VersionRequest", bytes(encode(VersionRequestFrame{})), {11, 0}},
        {"VersionReply", encode(VersionReplyFrame{0, "R48+1.2"}), {12, 0, 'R', '4', '8', '+', '1', '.', '2', 0}},
        {"IrCaptureStart", bytes(encode(IrCaptureStartFrame{3})), {13, 3}},
        {"IrCaptureStarted", bytes(encode(IrCaptureStartedFrame{3})), {14, 3}},
        {"IrCaptureQuery", bytes(encode(IrCaptureQueryFrame{3})), {15, 3}},
        {"IrCaptureStatus", bytes(encode(IrCaptureStatusFrame{3, 1000})), {16, 3, 0x03, 0xE8}},
        {"IrDataRead", bytes(encode(IrDataReadFrame{3, 1024})), {17, 3, 0x04, 0x00}},
        {"DisplayRead", bytes(encode(DisplayReadFrame{9})), {19, 0, 9}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.built, c.expected) << c.name;
}

TEST(Frames, BlockFramesCarryTheirDataAfterTheNumber)
{
    SectorWriteFrame write{513, {}};
    write.data[0] = 0xAA;
    write.data[511] = 0x5C;
    const auto w = encode(write);
    ASSERT_EQ(w.size(), 516u);
    EXPECT_EQ(bytes(std::span(w).first(5)), (std::vector<std::uint8_t>{3, 0, 0x02, 0x01, 0xAA}));
    EXPECT_EQ(w[515], 0x5C);
    const auto back = decodeSectorWrite(FrameView(w));
    EXPECT_EQ(back.sector, 513);
    EXPECT_EQ(back.data, write.data);

    BootBlockFrame block{2, {}};
    block.data[255] = 9;
    const auto b = encode(block);
    ASSERT_EQ(b.size(), 260u);
    EXPECT_EQ(b[0], 7);
    EXPECT_EQ(b[259], 9);
    EXPECT_EQ(decodeBootBlock(FrameView(b)).data, block.data);

    DisplayDataFrame page{0, 4, {}};
    page.data[127] = 0x81;
    const auto d = encode(page);
    ASSERT_EQ(d.size(), 131u);
    EXPECT_EQ(d[2], 4);
    EXPECT_EQ(d[130], 0x81);
    EXPECT_EQ(decodeDisplayData(FrameView(d)).page, 4);

    IrDataFrame ir{2, 512, {}};
    ir.data[0] = 1;
    const auto i = encode(ir);
    const auto irBack = decodeIrData(FrameView(i));
    EXPECT_EQ(irBack.windowId, 2);
    EXPECT_EQ(irBack.offset, 512);
    EXPECT_EQ(irBack.data, ir.data);

    SectorDataFrame sector{5, 9, {}};
    sector.data[100] = 100;
    const auto s = encode(sector);
    EXPECT_EQ(s[0], 2);
    EXPECT_EQ(decodeSectorData(FrameView(s)).data, sector.data);
}

TEST(Frames, MissingBytesOfAShortReplyReadAsZero)
{
    // A longer frame first, in the same buffer, as a receive buffer holds it.
    std::vector<std::uint8_t> buffer(528, 0xEE);
    buffer[0] = 2;
    buffer[1] = 1;
    buffer[2] = 0x12;
    const auto data = decodeSectorData(FrameView(buffer.data(), 3));
    EXPECT_EQ(data.sector, 0x1200);
    EXPECT_EQ(data.data, Sector{});

    const std::uint8_t ack[] = {4};
    EXPECT_EQ(decodeSectorWriteAck(FrameView(ack, 1)).sector, 0);
    EXPECT_EQ(FrameView(ack, 1).windowId(), 0);
    EXPECT_EQ(FrameView(nullptr, 5).length(), 0u);
    EXPECT_EQ(FrameView(nullptr, 5).type(), 0);
}

TEST(Frames, VersionTextEndsAtZeroOrAtTheFrameEnd)
{
    const std::uint8_t withZero[] = {12, 0, 'V', '1', 0, 'x'};
    const std::uint8_t withoutZero[] = {12, 0, 'V', '2'};
    EXPECT_EQ(decodeVersionReply(FrameView(withZero, sizeof withZero)).version, "V1");
    EXPECT_EQ(decodeVersionReply(FrameView(withoutZero, sizeof withoutZero)).version, "V2");
    EXPECT_EQ(decodeVersionReply(FrameView(withoutZero, 2)).version, "");
}

} // namespace
} // namespace zr48
