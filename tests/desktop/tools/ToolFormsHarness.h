#pragma once
// The main window on a simulated unit in virtual time, for the tests of the tools' windows: the
// link connected, image files of sector records, and the checks every tool dialog shares.

#include "base/CardSector.h"
#include "desktop/ShellHarness.h"

#include <QDialog>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace zr48::test {

class ToolFormsTest : public ShellTest {
protected:
    // A shown main window whose link has connected (its dispatcher listens from 300 ms on).
    TMainForm& connectedForm()
    {
        form_ = makeForm();
        form_->show();
        EXPECT_TRUE(clock.advanceUntil([&] { return form_->link().Connected(); }, 2000));
        clock.advance(300); // the version check that follows a connect
        return *form_;
    }

    // An image file of `count` sector records from sector `first` on; sector s holds bytes
    // (s + i) & 0xFF.
    std::string writeImage(const std::string& name, std::uint16_t first, int count)
    {
        std::string bytes;
        for (int n = 0; n < count; ++n) {
            const auto sector = static_cast<std::uint16_t>(first + n);
            bytes += static_cast<char>(sector & 0xFF);
            bytes += static_cast<char>(sector >> 8);
            const Sector content = sectorContent(sector);
            bytes.append(content.begin(), content.end());
        }
        return dir.write(name, bytes);
    }

    static Sector sectorContent(std::uint16_t sector)
    {
        Sector content{};
        for (int i = 0; i < 512; ++i)
            content[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((sector + i) & 0xFF);
        return content;
    }

    // A dialog of fixed size that the user can work beside, centred on the main window.
    static void expectToolDialog(const QDialog& dialog, const QWidget& mainWindow)
    {
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.isModal());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "fixed size";
        EXPECT_EQ(dialog.parentWidget(), &mainWindow) << "stays above the main window";
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowStaysOnTopHint) << "would cover the program's modal dialogs";
        const QPointF offset = QRectF(dialog.frameGeometry()).center() - QRectF(mainWindow.frameGeometry()).center();
        EXPECT_LE(std::abs(offset.x()), 1) << "centred on the main window";
        EXPECT_LE(std::abs(offset.y()), 1) << "centred on the main window";
    }

    std::unique_ptr<TMainForm> form_;
};

} // namespace zr48::test
