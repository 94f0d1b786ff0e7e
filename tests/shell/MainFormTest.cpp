#include "shell/MainForm.h"
#include "base/Settings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <gtest/gtest.h>

namespace zr48 {
namespace {

class MainFormTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "shell_tests";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
};

TEST_F(MainFormTest, ShowsTheFrameWithItsCaptionTealAreaAndThreeStatusPanels)
{
    TMainForm form(settings);
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
    TMainForm form(settings);
    QStatusTipEvent tip("Exit the ZR48 Project Manager");
    QApplication::sendEvent(&form, &tip);
    EXPECT_EQ(form.statusPanel(0)->text(), "Exit the ZR48 Project Manager");
    EXPECT_TRUE(form.statusPanel(2)->text().isEmpty());
}

} // namespace
} // namespace zr48
