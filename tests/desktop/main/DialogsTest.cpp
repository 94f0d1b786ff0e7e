// The settings dialog with its directory chooser, the about box and the shared pictures.

#include "base/FileIo.h"
#include "desktop/ShellHarness.h"
#include "desktop/common/ImageList.h"
#include "desktop/main/AboutBox.h"
#include "desktop/main/AboutText.h"
#include "desktop/main/DirectoryForm.h"
#include "desktop/main/OptionsForm.h"
#include "desktop/project/DatabaseForm.h"
#include "link/drivers/ConverterList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <filesystem>

namespace zr48 {
namespace {

using Kind = test::ScriptedFileChooser::Kind;

class DialogsTest : public test::ShellTest {
protected:
    void SetUp() override
    {
        store.writeString("ProjectDir", "/home/ann/Projects/");
        store.writeString("Database", "/srv/db/");
        store.writeInteger("Advanced", 1);
        store.writeInteger("Expert", 0);
        store.writeInteger("IrOptimizerPass1", 12);
        store.writeInteger("IrOptimizerPass2", 25);
        store.writeString("Link", "sim:/home/ann/card.zr48");
        form = makeForm();
        options = form->dialogs().OptionsForm;
        // One ZR48 converter on this machine, whatever the machine that runs the test has.
        options->setLinkLister([](const std::string& stored) {
            SerialPortInfo port;
            port.device = "/dev/ttyUSB0";
            port.product = "KELDO ZR48-USB Link";
            port.serialNumber = "A1";
            return linkSelection({port}, {}, stored);
        });
        options->FormShow();
    }
    // What the store holds, as one line.
    std::string stored() const
    {
        return store.readString("ProjectDir").value_or("-") + "|" + store.readString("Database").value_or("-") + "|" +
               std::to_string(store.readInteger("Advanced").value_or(-1)) + "|" +
               std::to_string(store.readInteger("Expert").value_or(-1)) + "|" +
               std::to_string(store.readInteger("IrOptimizerPass1").value_or(-1)) + "|" +
               std::to_string(store.readInteger("IrOptimizerPass2").value_or(-1));
    }

    std::unique_ptr<TMainForm> form;
    TOptionsForm* options = nullptr;
};

TEST_F(DialogsTest, TheSettingsDialogShowsTheStoredValues)
{
    EXPECT_EQ(options->windowTitle(), "ZR48 Project Manager Setup");
    EXPECT_EQ(options->EditProjectDir->text(), "/home/ann/Projects/");
    EXPECT_EQ(options->EditDatabaseDir->text(), "/srv/db/");
    EXPECT_TRUE(options->AdvancedCheckBox->isChecked());
    EXPECT_FALSE(options->ExpertCheckBox->isChecked());
    EXPECT_EQ(options->CSpinEdit1->value(), 12);
    EXPECT_EQ(options->CSpinEdit2->value(), 25);
    EXPECT_EQ(options->CSpinEdit1->maximum(), 100);
    EXPECT_EQ(options->CSpinEdit1->minimum(), 0);
    EXPECT_EQ(options->CancelButton->text(), "Abbrechen");
    EXPECT_TRUE(options->OkButton->isDefault());
}

TEST_F(DialogsTest, TheTabKeyGoesFromEachDirectoryToItsBrowseButton)
{
    std::vector<QString> order;
    QWidget* widget = options->EditProjectDir;
    while (order.size() < 6) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled())
            order.push_back(widget->objectName());
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(order, (std::vector<QString>{"EditProjectDir", "ButtonBrowseProjectDir", "EditDatabaseDir",
                                           "ButtonBrowseDatabaseDir", "AdvancedCheckBox", "ExpertCheckBox"}));
}

// Opened from the menu, the dialog starts at its first field; Tab goes down the dialog as it is laid
// out to the buttons and round again, and each label's access key reaches its field.
TEST_F(DialogsTest, TheDialogOpensAtItsFirstFieldAndTabFollowsTheLayout)
{
    store.writeInteger("Expert", 1); // every field enabled: the tolerances, the card file
    std::vector<QString> order;
    QString first;
    std::vector<std::pair<Qt::Key, QString>> reached;
    QTimer::singleShot(0, options, [&] {
        first = options->focusWidget() ? options->focusWidget()->objectName() : QString();
        // Access keys reach the fields of the active window only.
        options->activateWindow();
        if (!QTest::qWaitForWindowActive(options))
            ADD_FAILURE() << "the dialog did not become active";
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(options->focusWidget(), Qt::Key_Tab);
            order.push_back(options->focusWidget()->objectName());
        }
        for (const Qt::Key key : {Qt::Key_D, Qt::Key_2, Qt::Key_L, Qt::Key_S, Qt::Key_P}) {
            QTest::keyClick(options->focusWidget(), key, Qt::AltModifier);
            reached.emplace_back(key, options->focusWidget()->objectName());
        }
        options->CancelButton->click();
    });
    form->execute(ActionId::Options);
    EXPECT_EQ(first, "EditProjectDir");
    EXPECT_EQ(order, (std::vector<QString>{"ButtonBrowseProjectDir", "EditDatabaseDir", "ButtonBrowseDatabaseDir",
                                           "AdvancedCheckBox", "ExpertCheckBox", "CSpinEdit1", "CSpinEdit2",
                                           "LinkComboBox", "EditSimCardFile", "ButtonBrowseSimCardFile", "OkButton",
                                           "CancelButton", "EditProjectDir", "ButtonBrowseProjectDir"}));
    EXPECT_EQ(reached, (std::vector<std::pair<Qt::Key, QString>>{{Qt::Key_D, "EditDatabaseDir"},
                                                                 {Qt::Key_2, "CSpinEdit2"},
                                                                 {Qt::Key_L, "LinkComboBox"},
                                                                 {Qt::Key_S, "EditSimCardFile"},
                                                                 {Qt::Key_P, "EditProjectDir"}}));
}

// The simulator's card file is chosen with "..." or typed; either way it is kept as an absolute
// path, which does not depend on the folder the program starts in.
TEST_F(DialogsTest, TheCardFileIsChosenWithItsButtonAndStoredAbsolute)
{
    ASSERT_TRUE(options->ButtonBrowseSimCardFile->isEnabled());
    const std::string chosen = dir.text("cards/villa.zr48");
    files.answer(chosen);
    options->ButtonBrowseSimCardFile->click();
    EXPECT_EQ(files.asked().back().kind, Kind::Save);
    EXPECT_FALSE(files.asked().back().request.confirmOverwrite);
    EXPECT_EQ(files.asked().back().request.fileName, "card.zr48");
    EXPECT_EQ(options->EditSimCardFile->text(), QString::fromStdString(chosen));
    options->OkButtonClick();
    EXPECT_EQ(store.readString("Link"), "sim:" + chosen);

    options->FormShow();
    options->EditSimCardFile->setText("mycard.zr48");
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    options->OkButtonClick();
    std::filesystem::current_path(here);
    EXPECT_EQ(store.readString("Link"), "sim:" + absolutePath(dir.text("mycard.zr48")));
    // Another link has no card file to choose.
    options->LinkComboBox->setCurrentIndex(1);
    EXPECT_FALSE(options->ButtonBrowseSimCardFile->isEnabled());
}

// Started with --link or ZR48_LINK, the program runs on that link whatever the dialog holds: the
// dialog says so, and says why the link cannot be used when its driver could not open it.
TEST_F(DialogsTest, TheDialogSaysWhichLinkTheRunningProgramUses)
{
    EXPECT_EQ(options->LabelLinkNote->text(), "Taken at the next start; --link and ZR48_LINK go before it.");
    std::string problem;
    options->setRunningLink({"sim:/tmp/card.zr48", "--link", {}}, [&problem] { return problem; });
    options->FormShow();
    EXPECT_TRUE(options->LabelLinkNote->text().contains("This program runs on sim:/tmp/card.zr48, given by --link"))
        << options->LabelLinkNote->text().toStdString();
    problem = "in use by zr48 (process 4711)";
    options->FormShow();
    EXPECT_TRUE(options->LabelLinkNote->text().startsWith(
        "This program cannot use sim:/tmp/card.zr48: in use by zr48 (process 4711)."))
        << options->LabelLinkNote->text().toStdString();
}

// A database directory changed in the dialog is read at once: the browser shows its devices.
TEST_F(DialogsTest, AChangedDatabaseDirectoryIsShownAtOnce)
{
    dir.write("db/Video/TV.mpi", "DEVICE=TV\r\nNAME=Telly\r\n");
    const QString database = QString::fromStdString(dir.text("db/"));
    QTimer::singleShot(0, options, [&] {
        options->EditDatabaseDir->setText(database);
        options->OkButton->click();
    });
    form->execute(ActionId::Options);
    TDatabaseForm& browser = *form->databaseForm();
    browser.waitForRefresh();
    browser.expandAll();
    QStringList shown;
    for (QTreeWidgetItemIterator item(browser.treeView()); *item; ++item)
        shown << (*item)->text(0);
    EXPECT_TRUE(shown.join('|').contains("TV")) << shown.join('|').toStdString();
}

TEST_F(DialogsTest, ExpertEnablesTheTolerancesAndOkWritesThemAnyway)
{
    EXPECT_FALSE(options->CSpinEdit1->isEnabled());
    options->ExpertCheckBox->click();
    EXPECT_TRUE(options->CSpinEdit1->isEnabled());
    EXPECT_TRUE(options->CSpinEdit2->isEnabled());
    options->ExpertCheckBox->click();
    EXPECT_FALSE(options->CSpinEdit2->isEnabled());

    options->EditProjectDir->setText("/p/");
    options->AdvancedCheckBox->setChecked(false);
    options->CSpinEdit1->setValue(40);
    options->OkButton->click();
    EXPECT_EQ(stored(), "/p/|/srv/db/|0|0|40|25");
}

TEST_F(DialogsTest, AToleranceThatIsNoNumberIsStoredAsOne)
{
    options->CSpinEdit2->findChild<QLineEdit*>()->setText("");
    options->OkButtonClick();
    EXPECT_EQ(store.readInteger("IrOptimizerPass2"), 1);
    // Leaving the box fixes its text the same way.
    QSpinBox* spin = options->CSpinEdit1;
    ASSERT_EQ(spin->value(), 12);
    spin->findChild<QLineEdit*>()->setText("");
    spin->interpretText();
    EXPECT_EQ(spin->value(), 1);
}

// The link is chosen among the converters found and the simulator; only the simulator has a card file.
TEST_F(DialogsTest, TheLinkIsChosenFromWhatIsFoundAndStoredWithTheOtherSettings)
{
    QComboBox* combo = options->LinkComboBox;
    constexpr int kSimulator = 4; // after auto, the converter and the two serial servers
    ASSERT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->currentIndex(), kSimulator);
    EXPECT_TRUE(combo->currentText().startsWith("Simulator"));
    EXPECT_EQ(options->EditSimCardFile->text(), "/home/ann/card.zr48");
    EXPECT_TRUE(options->EditSimCardFile->isEnabled());

    combo->setCurrentIndex(1);
    EXPECT_TRUE(combo->currentText().contains("/dev/ttyUSB0"));
    EXPECT_FALSE(options->EditSimCardFile->isEnabled());
    options->OkButtonClick();
    EXPECT_EQ(store.readString("Link"), "serial:A1");

    options->FormShow();
    EXPECT_EQ(combo->currentIndex(), 1);
    combo->setCurrentIndex(kSimulator);
    options->EditSimCardFile->setText("/tmp/other card.zr48");
    options->CancelButton->click();
    EXPECT_EQ(store.readString("Link"), "serial:A1");

    options->FormShow();
    combo->setCurrentIndex(kSimulator);
    options->EditSimCardFile->setText("/tmp/other card.zr48");
    options->OkButtonClick();
    EXPECT_EQ(store.readString("Link"), "sim:/tmp/other card.zr48");
    EXPECT_EQ(settings.link(), "sim:/tmp/other card.zr48");

    // A serial server: host and port beside the list, only for it; without a port nothing changes.
    options->FormShow();
    combo->setCurrentIndex(3);
    EXPECT_TRUE(combo->currentText().contains("RFC 2217"));
    EXPECT_TRUE(options->EditServerHost->isEnabled());
    EXPECT_FALSE(options->EditSimCardFile->isEnabled());
    options->EditServerHost->setText("127.0.0.1");
    options->OkButtonClick();
    EXPECT_EQ(settings.link(), "sim:/tmp/other card.zr48");
    options->EditServerPort->setText("7000");
    options->OkButtonClick();
    EXPECT_EQ(settings.link(), "rfc2217:127.0.0.1:7000");
    options->FormShow();
    EXPECT_EQ(combo->currentIndex(), 3);
    EXPECT_EQ(options->EditServerPort->text(), "7000");
    combo->setCurrentIndex(1);
    EXPECT_FALSE(options->EditServerHost->isEnabled());
}

TEST_F(DialogsTest, CancelWritesNothingYetTheWindowsApplyTheirRules)
{
    options->EditProjectDir->setText("/elsewhere/");
    options->ExpertCheckBox->setChecked(true);
    options->CSpinEdit1->setValue(99);
    options->CancelButton->click();
    EXPECT_EQ(stored(), "/home/ann/Projects/|/srv/db/|1|0|12|25");
}

TEST_F(DialogsTest, OkAfterTheRealDialogRunsFromTheOptionsAction)
{
    QTimer::singleShot(0, options, [this] {
        options->ExpertCheckBox->setChecked(true);
        options->OkButton->click();
    });
    form->execute(ActionId::Options);
    EXPECT_EQ(store.readInteger("Expert"), 1);
    EXPECT_TRUE(form->action(ActionId::MemoryViewer)->isVisible());
}

TEST_F(DialogsTest, TheChooserStartsAtTheDirectoryPartAndAnswersWithASeparator)
{
    files.answer("/home/ann/Villa");
    options->ButtonBrowseProjectDir->click();
    ASSERT_EQ(files.asked().size(), 1u);
    EXPECT_EQ(files.asked()[0].kind, Kind::Directory);
    EXPECT_EQ(files.asked()[0].request.title, "Browse Directory...");
    EXPECT_EQ(files.asked()[0].request.directory, "/home/ann/Projects");
    EXPECT_EQ(options->EditProjectDir->text(), "/home/ann/Villa/");

    options->EditDatabaseDir->setText("/srv/db/file.mpi");
    files.answer(std::nullopt);
    options->ButtonBrowseDatabaseDir->click();
    EXPECT_EQ(files.asked()[1].request.directory, "/srv/db");
    EXPECT_EQ(options->EditDatabaseDir->text(), "/srv/db/file.mpi");
}

TEST_F(DialogsTest, TheAboutBoxReadsTheVersionsEachTimeItIsShown)
{
    TAboutBox* about = form->dialogs().AboutBox;
    EXPECT_EQ(about->windowTitle(), "About");
    about->FormShow();
    EXPECT_EQ(about->Memo->toPlainText().toStdString(), "Keldo ZR48 Project Manager\n"
                                                        "--------------------------\n"
                                                        "Software Version: " +
                                                            softwareVersion() +
                                                            "\n"
                                                            "Firmware Version: Unknown\n"
                                                            "Database Version: Unknown");

    // A firmware file appears beside the program: the next show reads it.
    std::filesystem::create_directories(programDir.path() / "Firmware");
    std::string image(4096, '\xFF');
    image.replace(100, 20, std::string("R48+1.30 TEST\0", 14) + "rest!!");
    programDir.write("Firmware/ZR48.BIN", image);
    auto next = makeForm();
    next->dialogs().AboutBox->FormShow();
    EXPECT_TRUE(next->dialogs().AboutBox->Memo->toPlainText().contains("Firmware Version: R48+1.30 TEST\n"));
    std::filesystem::remove(programDir.path() / "Firmware/ZR48.BIN");
    next->dialogs().AboutBox->FormShow();
    EXPECT_TRUE(next->dialogs().AboutBox->Memo->toPlainText().contains("Firmware Version: Unknown\n"));
}

TEST_F(DialogsTest, TheAboutBoxShowsALongVersionLineWhole)
{
    // A database version text much longer than the usual lines.
    dir.write("db/version.txt", std::string(70, 'D') + "\r\n");
    settings.setDatabase(dir.text("db/"));
    TAboutBox* about = form->dialogs().AboutBox;
    about->FormShow();
    about->show(); // scroll ranges follow the viewport's size, which a hidden widget has not taken
    QCoreApplication::processEvents();
    QPlainTextEdit* memo = about->Memo;
    ASSERT_TRUE(memo->toPlainText().contains(QString(70, 'D')));
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0) << "a line is wider than the memo";
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0) << "a line is below the memo's bottom";
    about->hide();
}

TEST_F(DialogsTest, TheAboutBoxDoubleClickShowsTheCredits)
{
    form->dialogs().AboutBox->FormDblClick();
    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].icon, Icon::None);
}

TEST(ImageList, EveryUsedPositionHasAPictureSharpAtAnySize)
{
    test::ensureQApplication();
    const ImageList images(false);
    for (const int position : {1, 6, 7, 8, 9, 10, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30}) {
        const QIcon icon = images.icon(position);
        ASSERT_FALSE(icon.isNull()) << position;
        for (const int size : {16, 32}) {
            const QImage picture = icon.pixmap(size, size).toImage();
            ASSERT_EQ(picture.size(), QSize(size, size)) << position;
            int opaque = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    opaque += qAlpha(picture.pixel(x, y)) == 255 ? 1 : 0;
            EXPECT_GT(opaque, size * size / 8) << "position " << position << " at " << size;
        }
    }
    EXPECT_TRUE(images.icon(0).isNull());
    EXPECT_TRUE(images.icon(40).isNull());
    // Our own pictures stay at hand whatever the theme offers.
    EXPECT_FALSE(ImageList(true).ownIcon(ImageList::kDeviceFile).isNull());
}

TEST(ImageList, TheDesktopThemesIconComesFirstWhereItHasOne)
{
    test::ensureQApplication();
    // A theme with one icon, a red square for "document-open".
    test::TempDir themes;
    std::filesystem::create_directories(themes.path() / "zr48test/16x16/actions");
    themes.write("zr48test/index.theme", "[Icon Theme]\nName=zr48test\nDirectories=16x16/actions\n\n"
                                         "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n");
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(themes.text("zr48test/16x16/actions/document-open.png"))));
    const QStringList paths = QIcon::themeSearchPaths();
    const QString name = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(themes.text())});
    QIcon::setThemeName("zr48test");

    const ImageList themed(true);
    const auto colour = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); };
    EXPECT_EQ(colour(themed.icon(7)), QColor(Qt::red));
    // No icon of that name in the theme, or no name that fits: ours.
    EXPECT_EQ(colour(themed.icon(8)), colour(themed.ownIcon(8)));
    EXPECT_EQ(colour(themed.icon(9)), colour(themed.ownIcon(9)));
    EXPECT_NE(colour(themed.ownIcon(7)), QColor(Qt::red));

    QIcon::setThemeName(name);
    QIcon::setThemeSearchPaths(paths);
}

} // namespace
} // namespace zr48
