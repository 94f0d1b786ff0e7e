#include "base/DataDir.h"

#include "base/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zr48 {
namespace {

namespace fs = std::filesystem;

// Folders of an installed tree or a build folder, and of a program copied somewhere on its own.
class DataDirOf : public testing::Test {
protected:
    fs::path make(const fs::path& relative, bool directory = true)
    {
        const fs::path path = dir.path() / relative;
        fs::create_directories(directory ? path : path.parent_path());
        if (!directory)
            std::ofstream(path) << "";
        return path;
    }
    Text text(const fs::path& relative) { return fromFsPath(dir.path() / relative) + "/"; }

    test::TempDir dir;
};

TEST_F(DataDirOf, IsShareZr48BesideTheProgramsFolder)
{
    make("usr/share/zr48/Firmware");
    EXPECT_EQ(dataDirOf(make("usr/bin/zr48", false)), text("usr/share/zr48"));
    // Any prefix will do, a folder name outside ASCII included.
    make(fs::path(u8"opt/Ger\u00e4te/share/zr48"));
    EXPECT_EQ(dataDirOf(make(fs::path(u8"opt/Ger\u00e4te/bin/zr48pm"), false)),
              text(fs::path(u8"opt/Ger\u00e4te/share/zr48")));
}

TEST_F(DataDirOf, IsTheProgramsOwnFolderWithoutOne)
{
    EXPECT_EQ(dataDirOf(make("alone/zr48", false)), text("alone"));
    make("other/share/zr48-old");
    EXPECT_EQ(dataDirOf(make("other/bin/zr48", false)), text("other/bin"));
    make("plain/share/zr48", false); // a file of that name is no data folder
    EXPECT_EQ(dataDirOf(make("plain/bin/zr48", false)), text("plain/bin"));
    EXPECT_EQ(dataDirOf({}), "");
}

} // namespace
} // namespace zr48
