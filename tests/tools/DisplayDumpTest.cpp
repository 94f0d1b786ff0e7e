#include "tools/DisplayDump.h"

#include "SimBench.h"
#include "base/VirtualClock.h"
#include "link/Frames.h"
#include "sim/SimPictures.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

int darkCount(const DisplayPicture& picture)
{
    int n = 0;
    for (const auto p : picture.pixels)
        n += p;
    return n;
}

TEST(DisplayDumpRender, DrawsFrameDisplayAndUsbCorner)
{
    DisplayDump::DisplayMemory blank{};
    // All zero, both boxes checked: a dark outline, white inside, a dark 18 × 18 square at (2, 2).
    const auto both = DisplayDump::Render(blank, true, true);
    for (int x = 0; x < 124; ++x)
        EXPECT_TRUE(both.dark(x, 0) && both.dark(x, 83)) << x;
    for (int y = 0; y < 84; ++y)
        EXPECT_TRUE(both.dark(0, y) && both.dark(123, y)) << y;
    EXPECT_TRUE(both.dark(2, 2) && both.dark(19, 19) && both.dark(19, 2) && both.dark(2, 19));
    EXPECT_FALSE(both.dark(20, 19) || both.dark(19, 20) || both.dark(1, 1) || both.dark(1, 10));
    EXPECT_EQ(darkCount(both), 2 * 124 + 2 * 82 + 18 * 18);

    // Neither box: the edge is plain white and so is everything else.
    EXPECT_EQ(darkCount(DisplayDump::Render(blank, false, true)), 18 * 18);
    EXPECT_EQ(darkCount(DisplayDump::Render(blank, false, false)), 0);

    // Column c of page p, bit b lands at (c + 2, 8p + b + 2).
    DisplayDump::DisplayMemory memory{};
    memory[0] = 0x81;             // page 0, column 0: rows 0 and 7
    memory[9 * 128 + 119] = 0x80; // page 9, column 119: row 79
    memory[4 * 128 + 120] = 0xFF; // column 120 is not drawn
    const auto picture = DisplayDump::Render(memory, false, false);
    EXPECT_TRUE(picture.dark(2, 2));
    EXPECT_TRUE(picture.dark(2, 9));
    EXPECT_TRUE(picture.dark(121, 81));
    EXPECT_EQ(darkCount(picture), 3);
}

// A dump whose requests are recorded and whose replies the test hands in.
class DisplayDumpTest : public testing::Test {
protected:
    DisplayDumpTest() : dump(clock)
    {
        dump.SetLink([this](std::span<const std::uint8_t> frame) { sent.emplace_back(frame.begin(), frame.end()); });
    }
    void page(std::uint8_t number, std::uint8_t fill)
    {
        DisplayDataFrame frame{0, number, {}};
        frame.data.fill(fill);
        const auto bytes = encode(frame);
        dump.HandleFrame(bytes.data(), static_cast<int>(bytes.size()));
    }
    VirtualClock clock;
    DisplayDump dump;
    std::vector<std::vector<std::uint8_t>> sent;
};

TEST_F(DisplayDumpTest, ReadsPagesInOrderAndIgnoresOthers)
{
    dump.ButtonRefreshClick();
    EXPECT_EQ(sent.back(), (std::vector<std::uint8_t>{19, 0, 0}));
    for (std::uint8_t p = 0; p < 4; ++p)
        page(p, 0);
    EXPECT_EQ(sent.back(), (std::vector<std::uint8_t>{19, 0, 4}));
    const auto count = sent.size();
    page(3, 0xFF); // a repeated page 3 while page 4 is current
    EXPECT_EQ(sent.size(), count);
    EXPECT_EQ(dump.currentPage(), 4);
    dump.CheckBoxDrawDisplayBorderClick(false);
    for (std::uint8_t p = 4; p < 10; ++p)
        page(p, 0);
    EXPECT_TRUE(dump.view().pictureVisible);
    EXPECT_FALSE(dump.reading());
    EXPECT_FALSE(dump.view().picture.dark(0, 0));

    // Toggling a box changes nothing until the next capture; a stray page 10 renders again.
    dump.CheckBoxDrawDisplayBorderClick(true);
    EXPECT_FALSE(dump.view().picture.dark(0, 0));
    page(10, 0);
    EXPECT_TRUE(dump.view().picture.dark(0, 0));
    EXPECT_EQ(sent.size(), 10u);

    DisplayPicture copied;
    dump.onCopyToClipboard = [&](const DisplayPicture& p) { copied = p; };
    dump.ButtonClipClick();
    EXPECT_EQ(copied.pixels, dump.view().picture.pixels);
}

TEST_F(DisplayDumpTest, ACaptureGoesOnWithTheWindowClosedAndRefreshReadsTheDisplayAgain)
{
    dump.FormShow();
    dump.ButtonRefreshClick();
    dump.FormClose(); // the capture goes on
    clock.advance(200);
    EXPECT_EQ(sent.size(), 2u); // page 0 resent
    for (std::uint8_t p = 0; p < 10; ++p)
        page(p, 0);
    ASSERT_TRUE(dump.view().pictureVisible);
    EXPECT_FALSE(dump.view().picture.dark(60, 40));

    // Refresh after a finished capture: the picture is hidden and every page read again.
    sent.clear();
    dump.ButtonRefreshClick();
    EXPECT_FALSE(dump.view().pictureVisible);
    EXPECT_TRUE(dump.reading());
    EXPECT_EQ(dump.currentPage(), 0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{19, 0, 0}));
    for (std::uint8_t p = 0; p < 10; ++p)
        page(p, 0xFF);
    EXPECT_EQ(sent.size(), 10u);
    EXPECT_TRUE(dump.view().pictureVisible);
    EXPECT_TRUE(dump.view().picture.dark(60, 40)); // the new display
    EXPECT_FALSE(dump.reading());
}

TEST_F(DisplayDumpTest, GivesUpSilently2000MsAfterAPagesFirstRequest)
{
    dump.ButtonRefreshClick();
    page(0, 0);
    page(1, 0);
    ASSERT_EQ(sent.size(), 3u); // pages 0, 1 and 2, the last at time 0
    clock.advance(1800);
    EXPECT_EQ(sent.size(), 12u); // page 2 sent 10 times, 200 ms apart
    EXPECT_TRUE(dump.reading());
    clock.advance(200);
    EXPECT_FALSE(dump.reading());
    EXPECT_FALSE(dump.view().pictureVisible);
    clock.advance(5000);
    EXPECT_EQ(sent.size(), 12u);
    for (std::size_t i = 2; i < sent.size(); ++i)
        EXPECT_EQ(sent[i], (std::vector<std::uint8_t>{19, 0, 2}));

    // Refresh starts over from page 0.
    dump.ButtonRefreshClick();
    EXPECT_EQ(sent.back(), (std::vector<std::uint8_t>{19, 0, 0}));
}

TEST(DisplayDumpOnUnit, CopiesTheUnitsDisplay)
{
    SimOptions options;
    options.faults.dropRate = 0.2;
    test::SimBench bench(options);
    DisplayDump dump(bench.clock);
    dump.SetLink(bench.sender());
    bench.dispatcher.setDialogReceiver(FrameDispatcher::Dialog::DisplayDump,
                                       [&](const std::uint8_t* p, int n) { dump.HandleFrame(p, n); });
    dump.CheckBoxRemoveUsbIconClick(false);
    dump.ButtonRefreshClick();
    ASSERT_TRUE(bench.clock.advanceUntil([&] { return !dump.reading(); }, 60000));
    ASSERT_TRUE(dump.view().pictureVisible);
    const DisplayMemory shown = menuPicture();
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(dump.view().picture.dark(x + 2, y + 2), displayPixel(shown, x, y)) << x << "," << y;
}

} // namespace
} // namespace zr48
