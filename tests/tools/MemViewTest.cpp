#include "tools/MemView.h"

#include "SimBench.h"
#include "base/VirtualClock.h"
#include "link/Frames.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zr48 {
namespace {

TEST(MemViewDump, LinesShowAddressHexAndPrintableCharacters)
{
    Sector bytes{};
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0}); // byte i holds i mod 256
    const auto lines = MemView::DumpLines(0x01A0, bytes);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], "01A0:000   00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F   ........ - ........");
    EXPECT_EQ(lines[2], "01A0:020   20 21 22 23 24 25 26 27 - 28 29 2A 2B 2C 2D 2E 2F    !\"#$%&' - ()*+,-./");
    // 0x7F and everything from 0x80 up are not printable.
    EXPECT_EQ(lines[7], "01A0:070   70 71 72 73 74 75 76 77 - 78 79 7A 7B 7C 7D 7E 7F   pqrstuvw - xyz{|}~.");
    EXPECT_EQ(lines[8].substr(lines[8].size() - 19), "........ - ........");
    EXPECT_EQ(lines[16], "01A0:100   00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F   ........ - ........");

    const auto last = MemView::DumpLines(0xFFFF, bytes);
    EXPECT_EQ(last[31].substr(0, 11), "FFFF:1F0   ");
}

TEST(MemViewDump, ParsesTypedSectorNumbers)
{
    struct Case {
        const char* text;
        std::optional<long long> value;
    };
    const Case cases[] = {
        {"4660", 4660},
        {"0x1234", 0x1234},
        {"0X01a0", 0x1A0},
        {"$FFFF", 0xFFFF},
        {"-5", -5},
        {"70000", 70000},
        {"", std::nullopt},
        {"12ab", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {" 12 ", 12},
        {"1 2", std::nullopt},
        {"99999999999", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemView::ParseNumber(c.text), c.value) << c.text;
}

// A viewer whose requests are recorded and whose replies the test hands in.
class MemViewTest : public testing::Test {
protected:
    MemViewTest()
        : viewer(clock, 3,
                 [this](std::span<const std::uint8_t> frame) { sent.emplace_back(frame.begin(), frame.end()); })
    {}
    void reply(std::uint16_t sector, std::uint8_t fill)
    {
        SectorDataFrame frame{3, sector, {}};
        frame.data.fill(fill);
        const auto bytes = encode(frame);
        viewer.HandleFrame(bytes.data(), static_cast<int>(bytes.size()));
    }
    VirtualClock clock;
    std::vector<std::vector<std::uint8_t>> sent;
    MemView viewer;
};

TEST_F(MemViewTest, AChosenSectorIsAskedForTenTimes50MsApartThenTheViewEmpties)
{
    viewer.FormShow();
    EXPECT_EQ(viewer.view().editSector, "0x0000");
    viewer.EditSectorChange("4660");
    EXPECT_EQ(viewer.currentSector(), 0x1234);
    EXPECT_EQ(viewer.view().editSector, "4660"); // typed text stays
    EXPECT_EQ(viewer.view().scrollPosition, 0x1234);
    reply(0x1234, 0x41); // arrives early: shown, and ends the requests
    EXPECT_EQ(viewer.state(), MemView::State::Showing);
    clock.advance(1000);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(viewer.view().memo.size(), 32u);

    viewer.ScrollBarScroll(0x0101);
    EXPECT_EQ(viewer.view().editSector, "0x0101");
    clock.advance(49);
    EXPECT_TRUE(sent.empty());
    clock.advance(1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{1, 3, 0x01, 0x01}));
    reply(0x0100, 0x42); // an older sector: shown, the requests go on
    EXPECT_EQ(viewer.view().memo[0].substr(0, 8), "0100:000");
    clock.advance(450);
    EXPECT_EQ(sent.size(), 10u);
    EXPECT_EQ(viewer.state(), MemView::State::Requesting);
    EXPECT_FALSE(viewer.view().memo.empty());
    clock.advance(50);
    EXPECT_TRUE(viewer.view().memo.empty());
    EXPECT_EQ(viewer.state(), MemView::State::Empty);
    clock.advance(1000);
    EXPECT_EQ(sent.size(), 10u);
}

TEST_F(MemViewTest, ClosingTheWindowEndsItsRequests)
{
    viewer.FormShow();
    clock.advance(100);
    ASSERT_EQ(sent.size(), 2u);
    viewer.FormClose();
    EXPECT_FALSE(viewer.view().visible);
    clock.advance(1000);
    EXPECT_EQ(sent.size(), 2u);
}

TEST_F(MemViewTest, KeysMoveBySectorsAndPagesAndClampToTheCard)
{
    struct Case {
        int from;
        MemView::Key key;
        int to;
        bool consumed;
    };
    const Case cases[] = {
        {65300, MemView::Key::PageDown, 65535, true},
        {100, MemView::Key::PageUp, 0, true},
        {1000, MemView::Key::PageUp, 488, true},
        {7, MemView::Key::End, 65535, true},
        {9000, MemView::Key::Home, 0, true},
        {42, MemView::Key::Other, 42, false},
        {41, MemView::Key::Down, 42, true},
        {16, MemView::Key::Up, 15, true},
        {0, MemView::Key::Up, 0, true},
        {65535, MemView::Key::Down, 65535, true},
    };
    for (const Case& c : cases) {
        viewer.ScrollBarScroll(c.from);
        EXPECT_EQ(viewer.ScrollBarKeyDown(c.key), c.consumed);
        EXPECT_EQ(viewer.currentSector(), c.to);
        EXPECT_EQ(viewer.view().scrollPosition, c.to);
    }
    viewer.EditSectorChange("not a number");
    EXPECT_EQ(viewer.currentSector(), 0);
    viewer.EditSectorChange("0x12345");
    EXPECT_EQ(viewer.currentSector(), 65535);
}

TEST(MemViewOnUnit, ShowsTheCardsSectorThroughTheDispatcher)
{
    test::SimBench bench;
    Sector content{};
    content.fill('Z');
    bench.unit.card.write(0x0042, content);
    MemView viewer(bench.clock, 2, bench.sender());
    bench.dispatcher.setWindowList([&](const FrameDispatcher::WindowVisitor& visit) {
        visit(viewer.windowId(), [&](const std::uint8_t* p, int n) { viewer.HandleFrame(p, n); });
    });
    viewer.EditSectorChange("$42");
    ASSERT_TRUE(bench.clock.advanceUntil([&] { return viewer.state() != MemView::State::Requesting; }, 2000));
    ASSERT_EQ(viewer.state(), MemView::State::Showing);
    EXPECT_EQ(viewer.view().memo[0],
              "0042:000   5A 5A 5A 5A 5A 5A 5A 5A - 5A 5A 5A 5A 5A 5A 5A 5A   ZZZZZZZZ - ZZZZZZZZ");
}

} // namespace
} // namespace zr48
