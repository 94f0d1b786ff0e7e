#include "base/IniSettingsStore.h"
#include "base/Error.h"
#include "base/FileIo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using test::fileContents;

using test::TempDir;

TEST(IniSettingsStore, KeepsEverySettingInItsFileAndReadsItBack)
{
    TempDir dir;
    const Path file = dir.text("KELDO/ZR48.ini"); // the folder is made with the file
    IniSettingsStore store(file);
    Settings settings(store, SettingsDefaults{"C:/Users/ann/ZR48 Projects/", "C:/zr48/database/"});
    EXPECT_EQ(settings.projectDir(), "C:/Users/ann/ZR48 Projects/"); // no file yet: the defaults
    EXPECT_FALSE(fileExists(file));

    settings.setProjectDir("D:\\Projekte\\Дом\\");
    settings.setDatabase("\\\\server\\share\\database\\");
    settings.setExpert(true);
    settings.setIrOptimizerPass1(-3);
    EXPECT_EQ(fileContents(file), "[General]\r\n"
                                  "ProjectDir=D:\\Projekte\\Дом\\\r\n"
                                  "Database=\\\\server\\share\\database\\\r\n"
                                  "Expert=1\r\n"
                                  "IrOptimizerPass1=-3\r\n");

    // Another store on the same file, as the next run of the program.
    IniSettingsStore next(file);
    const Settings again(next, SettingsDefaults{});
    EXPECT_EQ(again.projectDir(), "D:\\Projekte\\Дом\\");
    EXPECT_EQ(again.database(), "\\\\server\\share\\database\\");
    EXPECT_TRUE(again.expert());
    EXPECT_FALSE(again.advanced());
    EXPECT_EQ(again.irOptimizerPass1(), -3);
    EXPECT_EQ(again.irOptimizerPass2(), 20);
}

TEST(IniSettingsStore, AChangeKeepsTheFilesOtherLinesAndSections)
{
    TempDir dir;
    const Path file = dir.write("ZR48.ini", "; written by hand\n"
                                            "[General]\n"
                                            "Expert=0\n"
                                            "Database=/old/\n"
                                            "\n"
                                            "[Window]\n"
                                            "Expert=7\n"
                                            "Geometry=1,2\n");
    IniSettingsStore store(file);
    store.writeInteger("Expert", 1);
    store.writeString("ProjectDir", "/p/");
    EXPECT_EQ(fileContents(file), "; written by hand\r\n"
                                  "[General]\r\n"
                                  "Expert=1\r\n"
                                  "Database=/old/\r\n"
                                  "ProjectDir=/p/\r\n"
                                  "\r\n"
                                  "[Window]\r\n"
                                  "Expert=7\r\n"
                                  "Geometry=1,2\r\n");
    // A key of another section is not the setting.
    EXPECT_EQ(store.readInteger("Expert"), 1);
    EXPECT_EQ(store.readString("Geometry"), std::nullopt);
}

TEST(IniSettingsStore, ReadsWhatAnotherProgramWroteAndOnlyWholeNumbersAsNumbers)
{
    TempDir dir;
    const Path file = dir.write("ZR48.ini", "Advanced= 1 \r\nIrOptimizerPass2=12x\r\nIrOptimizerPass1=\r\n");
    const IniSettingsStore store(file);
    // Lines before any section belong to [General].
    EXPECT_EQ(store.readInteger("Advanced"), 1);
    EXPECT_EQ(store.readInteger("IrOptimizerPass2"), std::nullopt);
    EXPECT_EQ(store.readInteger("IrOptimizerPass1"), std::nullopt);
    EXPECT_EQ(store.readString("IrOptimizerPass1"), "");
    // A name is matched whole, not as the start of another.
    EXPECT_EQ(store.readString("IrOptimizer"), std::nullopt);

    dir.write("ZR48.ini", "Advanced=0\r\n");
    EXPECT_EQ(store.readInteger("Advanced"), 0); // read again at every call
}

TEST(IniSettingsStore, KeepsAnyBytesButRefusesALineBreak)
{
    TempDir dir;
    IniSettingsStore store(dir.text("ZR48.ini"));
    store.writeString("ProjectDir", "/home/ann/Caf\xE9/");
    EXPECT_EQ(store.readString("ProjectDir"), "/home/ann/Caf\xE9/");
    try {
        store.writeString("Database", "/a\nExpert=1");
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(dir.text("ZR48.ini")), std::string::npos) << e.message();
        EXPECT_NE(e.message().find("line break"), std::string::npos) << e.message();
    }
    EXPECT_EQ(store.readString("Expert"), std::nullopt);
    EXPECT_EQ(store.readString("ProjectDir"), "/home/ann/Caf\xE9/");
}

TEST(IniSettingsStore, AFileThatCannotBeWrittenIsNamed)
{
    TempDir dir;
    dir.write("blocked", "a file where the folder should be");
    IniSettingsStore store(dir.text("blocked/ZR48.ini"));
    try {
        store.writeInteger("Expert", 1);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find("Cannot write the settings"), std::string::npos) << e.message();
        EXPECT_NE(e.message().find(dir.text("blocked/ZR48.ini")), std::string::npos) << e.message();
    }
}

TEST(IniSettingsStore, TheUsersFileLiesInTheFolderOfProgramSettings)
{
    const Path file = userSettingsFile();
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(file.ends_with("/KELDO/ZR48.ini")) << file;
    EXPECT_TRUE(userSettingsDefaults().projectDir.ends_with("/ZR48 Projects/"));
    // One separator throughout, as every path inside the program has (the system's folders come
    // with backslashes on Windows).
    EXPECT_EQ(file.find('\\'), std::string::npos) << file;
    EXPECT_EQ(userSettingsDefaults().projectDir.find('\\'), std::string::npos) << userSettingsDefaults().projectDir;
    EXPECT_TRUE(userSettingsDefaults().database.ends_with("database/"));
}

} // namespace
} // namespace zr48
