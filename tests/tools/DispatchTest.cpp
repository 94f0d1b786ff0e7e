// The main window's frame dispatcher with the firmware updater, the display dump and sector
// viewers registered as the main window registers them.

#include "base/VirtualClock.h"
#include "link/FrameDispatcher.h"
#include "link/Frames.h"
#include "support/ScriptedPrompt.h"
#include "tools/DisplayDump.h"
#include "tools/Firmware.h"
#include "tools/MemView.h"

#include <gtest/gtest.h>

#include <memory>

namespace zr48 {
namespace {

class DispatchTest : public testing::Test {
protected:
    DispatchTest() : firmware(clock, prompt), dump(clock)
    {
        auto record = [this](const char* who) {
            return [this, who](std::span<const std::uint8_t> frame) {
                sent.push_back({who, std::vector<std::uint8_t>(frame.begin(), frame.end())});
            };
        };
        firmware.SetLink(record("firmware"));
        dump.SetLink(record("dump"));
        // Document windows in window order: ids 2, 0, 2.
        for (int id : {2, 0, 2})
            viewers.push_back(std::make_unique<MemView>(clock, id, record("viewer")));

        dispatcher.setConnectNotice([this] {
            order.push_back("notice");
            firmware.ConnectNotice();
        });
        dispatcher.setWindowList([this](const FrameDispatcher::WindowVisitor& visit) {
            for (std::size_t i = 0; i < viewers.size(); ++i)
                visit(viewers[i]->windowId(), [this, i](const std::uint8_t* p, int n) {
                    order.push_back("viewer" + std::to_string(i));
                    viewers[i]->HandleFrame(p, n);
                });
        });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::Firmware, [this](const std::uint8_t* p, int n) {
            order.push_back("firmware");
            firmware.HandleFrame(p, n);
        });
        dispatcher.setDialogReceiver(FrameDispatcher::Dialog::DisplayDump, [this](const std::uint8_t* p, int n) {
            order.push_back("dump");
            dump.HandleFrame(p, n);
        });
    }
    template <typename Frame>
    void deliver(const Frame& frame)
    {
        const auto bytes = encode(frame);
        dispatcher.Dispatch(bytes.data(), static_cast<int>(bytes.size()));
    }

    struct Sent {
        std::string who;
        std::vector<std::uint8_t> frame;
    };
    VirtualClock clock;
    test::ScriptedPrompt prompt;
    Firmware firmware;
    DisplayDump dump;
    std::vector<std::unique_ptr<MemView>> viewers;
    FrameDispatcher dispatcher;
    std::vector<Sent> sent;
    std::vector<std::string> order;
};

TEST_F(DispatchTest, TheConnectNoticeReachesOnlyTheFirmwareUpdatersVersionCheck)
{
    dispatcher.Dispatch(nullptr, 0);
    EXPECT_EQ(order, std::vector<std::string>{"notice"});
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].who, "firmware");
    EXPECT_EQ(sent[0].frame, (std::vector<std::uint8_t>{11, 0}));
    EXPECT_EQ(firmware.deviceVersion(), "Unknown");
}

TEST_F(DispatchTest, ViewersWithTheFramesWindowIdComeFirstThenEveryDialog)
{
    SectorDataFrame sector{2, 7, {}};
    sector.data.fill('Q');
    deliver(sector);
    EXPECT_EQ(order, (std::vector<std::string>{"viewer0", "viewer2", "firmware", "dump"}));
    EXPECT_EQ(viewers[0]->view().memo.at(0).substr(0, 8), "0007:000");
    EXPECT_TRUE(viewers[1]->view().memo.empty());
    EXPECT_EQ(viewers[2]->view().memo.size(), 32u);

    // A viewer of window id 0 also sees what the dialogs' requests bring back.
    order.clear();
    deliver(SectorDataFrame{0, 9, {}});
    EXPECT_EQ(order, (std::vector<std::string>{"viewer1", "firmware", "dump"}));
    EXPECT_EQ(viewers[1]->view().memo.at(0).substr(0, 8), "0009:000");

    // The dialogs take their frames whatever byte 1 holds; viewers of other ids never see them.
    order.clear();
    deliver(VersionReplyFrame{5, "R48+1.30"});
    EXPECT_EQ(order, (std::vector<std::string>{"firmware", "dump"}));
    EXPECT_EQ(firmware.deviceVersion(), "R48+1.30");

    order.clear();
    dump.ButtonRefreshClick();
    deliver(DisplayDataFrame{2, 0, {}});
    EXPECT_EQ(order, (std::vector<std::string>{"viewer0", "viewer2", "firmware", "dump"}));
    EXPECT_EQ(dump.currentPage(), 1);
    EXPECT_EQ(viewers[0]->view().memo.at(0).substr(0, 8), "0007:000"); // not a sector: ignored
}

} // namespace
} // namespace zr48
