#include "shell/MainForm.h"
#include "ShellHarness.h"
#include "link/Frames.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using MainFormTest = test::ShellTest;

TEST_F(MainFormTest, ShowsTheFrameWithItsCaptionTealAreaAndThreeStatusPanels)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    form.show();
    EXPECT_EQ(form.windowTitle(), "KELDO ZR48 Project Manager");
    EXPECT_EQ(form.mdiArea()->background().color(), QColor(0, 128, 128));
    EXPECT_TRUE(form.mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(form.minimumSize(), QSize(640, 480));
    const int widths[] = {200, 200, 50};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(form.statusPanel(i), nullptr);
        EXPECT_EQ(form.statusPanel(i)->width(), widths[i]) << "panel " << i;
        EXPECT_EQ(form.statusPanel(i)->parent(), form.statusBar());
    }
}

TEST_F(MainFormTest, LongHintsGoToTheFirstStatusPanel)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    QStatusTipEvent tip("Exit the ZR48 Project Manager");
    QApplication::sendEvent(&form, &tip);
    EXPECT_EQ(form.statusPanel(0)->text(), "Exit the ZR48 Project Manager");
    EXPECT_TRUE(form.statusPanel(2)->text().isEmpty());
}

TEST_F(MainFormTest, StatusPanelOneShowsTheLinkState)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    clock.advance(100);
    EXPECT_EQ(form.statusPanel(1)->text(), "Connecting...");
    // The first keep-alive's reply connects the unit once the dispatcher listens (after 300 ms).
    ASSERT_TRUE(clock.advanceUntil([&] { return form.link().Connected(); }, 1000));
    clock.advance(100);
    // The firmware updater asks for the unit's version as soon as the link connects.
    EXPECT_EQ(form.statusPanel(1)->text(), "Connected (Rx:15, Tx:2)");
    const auto request = encode(VersionRequestFrame{});
    form.link().Send(request);
    clock.advance(200);
    EXPECT_EQ(form.statusPanel(1)->text(), "Connected (Rx:30, Tx:4)");

    sim.unit.unplug();
    clock.advance(3100);
    EXPECT_EQ(form.statusPanel(1)->text(), "Not Connected");
    EXPECT_TRUE(form.statusPanel(2)->text().isEmpty());
}

TEST_F(MainFormTest, TheDispatcherTakesFramesFromTheStartTimerOn)
{
    auto owned = makeForm();
    TMainForm& form = *owned;
    std::vector<int> types;
    int notices = 0;
    form.dispatcher().setConnectNotice([&] { ++notices; });
    form.dispatcher().setDialogReceiver(FrameDispatcher::Dialog::Firmware,
                                        [&](const std::uint8_t* p, int) { types.push_back(p[0]); });
    const auto request = encode(VersionRequestFrame{});
    form.link().Send(request); // answered before the dispatcher listens: dropped
    clock.advance(299);
    EXPECT_TRUE(types.empty());
    EXPECT_FALSE(form.link().Connected());
    ASSERT_TRUE(clock.advanceUntil([&] { return !types.empty(); }, 1000));
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(types, std::vector<int>{10}); // the keep-alive's reply
}

} // namespace
} // namespace zr48
