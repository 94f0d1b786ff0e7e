#include "base/Settings.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

SettingsDefaults someDefaults()
{
    SettingsDefaults d;
    d.projectDir = "/home/ann/ZR48 Projects/";
    d.database = "/opt/zr48/database/";
    return d;
}

TEST(Settings, MissingValuesReadAsTheDefaults)
{
    MemorySettingsStore store;
    const Settings settings(store, someDefaults());
    EXPECT_EQ(settings.projectDir(), "/home/ann/ZR48 Projects/");
    EXPECT_EQ(settings.database(), "/opt/zr48/database/");
    EXPECT_FALSE(settings.advanced());
    EXPECT_FALSE(settings.expert());
    EXPECT_EQ(settings.irOptimizerPass1(), 10);
    EXPECT_EQ(settings.irOptimizerPass2(), 20);
    EXPECT_EQ(settings.link(), "auto");
}

TEST(Settings, ReadsTheStoreAtEveryCall)
{
    MemorySettingsStore store;
    Settings settings(store, someDefaults());
    settings.setProjectDir("D:\\Projekte\\");
    settings.setExpert(true);
    settings.setIrOptimizerPass2(7);
    settings.setLink("sim:/home/ann/card.zr48");
    EXPECT_EQ(settings.link(), "sim:/home/ann/card.zr48");
    EXPECT_EQ(settings.projectDir(), "D:\\Projekte\\");
    EXPECT_TRUE(settings.expert());
    EXPECT_EQ(settings.irOptimizerPass2(), 7);

    // A change made behind the keeper's back is seen at once: nothing is cached.
    store.writeInteger("Expert", 0);
    store.writeString("Database", "/mnt/db/");
    EXPECT_FALSE(settings.expert());
    EXPECT_EQ(settings.database(), "/mnt/db/");
}

TEST(Settings, FlagsAreStoredAsZeroOrOneAndReadAsNotZero)
{
    MemorySettingsStore store;
    Settings settings(store, someDefaults());
    settings.setAdvanced(true);
    EXPECT_EQ(store.readInteger("Advanced"), 1);
    settings.setAdvanced(false);
    EXPECT_EQ(store.readInteger("Advanced"), 0);
    store.writeInteger("Advanced", 42);
    EXPECT_TRUE(settings.advanced());
}

} // namespace
} // namespace zr48
