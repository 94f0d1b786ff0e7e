#include "link/FrameDispatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zr48 {
namespace {

// Three document windows (ids 2, 0, 2) and the four dialogs, each writing its name when served.
class DispatcherTest : public testing::Test {
protected:
    DispatcherTest()
    {
        dispatcher.setConnectNotice([this] { served.push_back("notice"); });
        const char* dialogs[] = {"downloader", "uploader", "firmware", "display"};
        for (int i = 0; i < 4; ++i)
            dispatcher.setDialogReceiver(
                static_cast<FrameDispatcher::Dialog>(i),
                [this, name = std::string(dialogs[i])](const std::uint8_t*, int) { served.push_back(name); });
        dispatcher.setWindowList([this](const FrameDispatcher::WindowVisitor& visit) {
            for (const auto& w : windows)
                visit(w.id, [this, name = w.name](const std::uint8_t*, int) { served.push_back(name); });
        });
    }
    struct Window {
        int id;
        std::string name;
    };
    std::vector<Window> windows{{2, "viewerA"}, {0, "scope"}, {2, "viewerB"}, {258, "viewerC"}};
    std::vector<std::string> served;
    FrameDispatcher dispatcher;
};

TEST_F(DispatcherTest, TheConnectNoticeReachesOnlyTheFirmwareUpdater)
{
    dispatcher.Dispatch(nullptr, 0);
    EXPECT_EQ(served, (std::vector<std::string>{"notice"}));
}

TEST_F(DispatcherTest, MatchingWindowsInOrderThenEveryDialog)
{
    struct Case {
        std::vector<std::uint8_t> frame;
        std::vector<std::string> served;
    };
    const std::vector<Case> cases = {
        {{2, 2, 0, 0}, {"viewerA", "viewerB", "downloader", "uploader", "firmware", "display"}},
        {{4, 0, 0, 0}, {"scope", "downloader", "uploader", "firmware", "display"}},
        {{18, 7}, {"downloader", "uploader", "firmware", "display"}},
        {{10}, {"scope", "downloader", "uploader", "firmware", "display"}}, // a missing byte 1 reads as 0
    };
    for (const Case& c : cases) {
        served.clear();
        dispatcher.Dispatch(c.frame.data(), static_cast<int>(c.frame.size()));
        EXPECT_EQ(served, c.served) << int(c.frame[0]);
    }
}

TEST_F(DispatcherTest, SubscribersFollowTheDialogsWhileTheyLive)
{
    const std::vector<std::uint8_t> frame = {2, 7, 0, 0};
    auto later = std::make_unique<FrameDispatcher::Subscription>();
    {
        const auto comparer = dispatcher.subscribe([this](const std::uint8_t*, int) { served.push_back("comparer"); });
        *later = dispatcher.subscribe([this](const std::uint8_t*, int) { served.push_back("reader"); });
        dispatcher.Dispatch(frame.data(), 4);
        EXPECT_EQ(served,
                  (std::vector<std::string>{"downloader", "uploader", "firmware", "display", "comparer", "reader"}));
    }
    served.clear();
    dispatcher.Dispatch(frame.data(), 4);
    EXPECT_EQ(served, (std::vector<std::string>{"downloader", "uploader", "firmware", "display", "reader"}));
    later.reset();
    served.clear();
    dispatcher.Dispatch(frame.data(), 4);
    EXPECT_EQ(served, (std::vector<std::string>{"downloader", "uploader", "firmware", "display"}));
}

TEST_F(DispatcherTest, ASubscriptionEndedDuringAFrameTakesNoMoreOfIt)
{
    const std::vector<std::uint8_t> frame = {2, 7, 0, 0};
    FrameDispatcher::Subscription second;
    const auto first = dispatcher.subscribe([&](const std::uint8_t*, int) {
        served.push_back("first");
        second.reset();
    });
    second = dispatcher.subscribe([this](const std::uint8_t*, int) { served.push_back("second"); });
    dispatcher.Dispatch(frame.data(), 4);
    EXPECT_EQ(served.back(), "first");
}

} // namespace
} // namespace zr48
