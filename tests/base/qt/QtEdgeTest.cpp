#include "base/DataDir.h"
#include "base/Error.h"
#include "base/qt/QtSettingsStore.h"
#include "base/qt/QtText.h"
#include "base/qt/QtTimer.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(QtText, ConvertsEveryByteAndReplacesWhatTheCodePageCannotHold)
{
    Text all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(fromQString(toQString(all)), all);
    EXPECT_EQ(toQString("Feller BEAMIT\xAE \x80"), QString::fromUtf8("Feller BEAMIT® €"));
    EXPECT_EQ(fromQString(QString::fromUtf8("Ωmega 😀")), "?mega ?");
}

class QtSettingsStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.path().string()));
    }
    test::TempDir dir;
};

TEST_F(QtSettingsStoreTest, KeepsTheSixValuesInTheKeldoZr48File)
{
    {
        QtSettingsStore store;
        Settings settings(store, platformSettingsDefaults());
        settings.setProjectDir("/home/ann/Proj\xEAts/");
        settings.setExpert(true);
        settings.setIrOptimizerPass1(15);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "KELDO" / "ZR48.conf"));
    QtSettingsStore store;
    Settings settings(store, platformSettingsDefaults());
    EXPECT_EQ(settings.projectDir(), "/home/ann/Proj\xEAts/");
    EXPECT_TRUE(settings.expert());
    EXPECT_FALSE(settings.advanced());
    EXPECT_EQ(settings.irOptimizerPass1(), 15);
    EXPECT_EQ(settings.irOptimizerPass2(), 20);
}

TEST_F(QtSettingsStoreTest, PathsOfAnyNameSurvive)
{
    const Path utf8 = "/home/ann/Проекты 🏠/データ/";
    const Path latin1 = "/home/ann/Caf\xE9/"; // a name that is no UTF-8
    {
        QtSettingsStore store;
        Settings settings(store, {});
        settings.setProjectDir(utf8);
        settings.setDatabase(latin1);
    }
    QtSettingsStore store;
    Settings settings(store, {});
    EXPECT_EQ(settings.projectDir(), utf8);
    EXPECT_EQ(settings.database(), latin1);
    // A UTF-8 path is kept as text, readable in the file.
    EXPECT_EQ(QSettings("KELDO", "ZR48").value("ProjectDir").toString(), QString::fromUtf8(utf8));
}

TEST_F(QtSettingsStoreTest, AStoredTextReadsAsItsUtf8)
{
    // As an earlier version stored it: a QString of the path's characters.
    {
        QSettings raw("KELDO", "ZR48");
        raw.setValue("Database", QString::fromUtf8("/srv/Café €/"));
    }
    QtSettingsStore store;
    EXPECT_EQ(Settings(store, {}).database(), "/srv/Café €/");
}

TEST_F(QtSettingsStoreTest, DefaultsPointAtTheHomeFolderAndTheSampleDatabase)
{
    const SettingsDefaults defaults = platformSettingsDefaults();
    EXPECT_TRUE(defaults.projectDir.ends_with("/ZR48 Projects/"));
    EXPECT_EQ(defaults.database, dataDir() + "database/");
}

TEST_F(QtSettingsStoreTest, AValueThatIsNotAWholeNumberReadsAsMissing)
{
    {
        QSettings raw("KELDO", "ZR48");
        raw.setValue("IrOptimizerPass2", "lots");
    }
    QtSettingsStore store;
    EXPECT_FALSE(store.readInteger("IrOptimizerPass2").has_value());
    EXPECT_EQ(Settings(store, {}).irOptimizerPass2(), 20);
}

TEST_F(QtSettingsStoreTest, AWriteThatCannotReachTheDiskRaisesAnError)
{
    // The settings folder is a file: the store cannot be written.
    QFile blocker(QString::fromStdString((dir.path() / "KELDO").string()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QtSettingsStore store;
    EXPECT_THROW(store.writeInteger("Expert", 1), Error);
}

TEST(QtTimer, RunsOnTheEventLoop)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtTimerFactory factory;
    auto periodic = factory.create();
    auto once = factory.create(true);
    int ticks = 0;
    periodic->onTimeout = [&] { ++ticks; };
    once->onTimeout = [&] { QCoreApplication::quit(); };
    periodic->start(5);
    once->start(60);
    EXPECT_TRUE(once->active());
    EXPECT_EQ(once->interval(), 60);
    QCoreApplication::exec();
    EXPECT_FALSE(once->active());
    EXPECT_TRUE(periodic->active());
    EXPECT_GE(ticks, 2);
}

} // namespace
} // namespace zr48
