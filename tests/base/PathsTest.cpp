#include "base/Paths.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

struct PathCase {
    const char* path;
    const char* directory; // extractFilePath
    const char* name;
    const char* extension;
};

class PathParts : public testing::TestWithParam<PathCase> {};

TEST_P(PathParts, SplitAtTheLastDelimiter)
{
    const PathCase& c = GetParam();
    EXPECT_EQ(extractFilePath(c.path), c.directory);
    EXPECT_EQ(extractFileName(c.path), c.name);
    EXPECT_EQ(extractFileExt(c.path), c.extension);
    EXPECT_EQ(extractFilePath(c.path) + extractFileName(c.path), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathParts,
    testing::Values(PathCase{"D:\\Projects\\Villa\\FMTUNER.mpi", "D:\\Projects\\Villa\\", "FMTUNER.mpi", ".mpi"},
                    PathCase{"/home/ann/Villa/Villa.mpj", "/home/ann/Villa/", "Villa.mpj", ".mpj"},
                    PathCase{"C:FILE.TXT", "C:", "FILE.TXT", ".TXT"},
                    PathCase{"D:\\Mixed/dirs\\x.y.z", "D:\\Mixed/dirs\\", "x.y.z", ".z"},
                    PathCase{"C:\\dir.v2\\README", "C:\\dir.v2\\", "README", ""}, PathCase{"name", "", "name", ""},
                    PathCase{"", "", "", ""}, PathCase{"C:\\folder\\", "C:\\folder\\", "", ""},
                    PathCase{"/tmp/.hidden", "/tmp/", ".hidden", ".hidden"},
                    PathCase{"\\\\server\\share\\Caf\xE9.mpi", "\\\\server\\share\\", "Caf\xE9.mpi", ".mpi"}));

TEST(Paths, ChangesTheExtensionOfTheFileNameOnly)
{
    const struct {
        const char* path;
        const char* ext;
        const char* expected;
    } cases[] = {
        {"D:\\Projects\\Villa\\Villa.mpj", ".mpd", "D:\\Projects\\Villa\\Villa.mpd"},
        {"/home/ann/Villa/Villa", ".mpd", "/home/ann/Villa/Villa.mpd"},
        {"/home/ann/v1.2/Villa", ".mpd", "/home/ann/v1.2/Villa.mpd"},
        {"C:\\a.b.c", ".txt", "C:\\a.b.txt"},
        {"C:\\a.mpi", "", "C:\\a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(changeFileExt(c.path, c.ext), c.expected) << c.path;
}

TEST(Paths, DirectoryWithoutItsFinalDelimiter)
{
    EXPECT_EQ(extractFileDir("/home/ann/Villa/Villa.mpj"), "/home/ann/Villa");
    EXPECT_EQ(extractFileDir("D:\\Projects\\Villa.mpj"), "D:\\Projects");
    EXPECT_EQ(extractFileDir("C:\\Villa.mpj"), "C:\\");
    EXPECT_EQ(extractFileDir("/Villa.mpj"), "/");
    EXPECT_EQ(extractFileDir("Villa.mpj"), "");
}

TEST(Paths, IncludesATrailingDelimiterOnce)
{
    EXPECT_EQ(includeTrailingDelimiter("/home/ann"), "/home/ann/");
    EXPECT_EQ(includeTrailingDelimiter("/home/ann/"), "/home/ann/");
    EXPECT_EQ(includeTrailingDelimiter("D:\\Projects\\"), "D:\\Projects\\");
}

TEST(Paths, FileSystemNamesAreUtf8WithBackslashesAsSeparators)
{
    EXPECT_EQ(toFsPath("/tmp/Caf\xE9\\sub\\x.mpi").string(), "/tmp/Café/sub/x.mpi");
    EXPECT_EQ(fromFsPath(std::filesystem::path("/tmp/Café €")), "/tmp/Caf\xE9 \x80");
}

TEST(Paths, AbsolutePathsComeFromTheCurrentFolder)
{
    const Text current = fromFsPath(std::filesystem::current_path());
    EXPECT_EQ(absolutePath("Villa/./x/../Villa.mpj"), current + "/Villa/Villa.mpj");
    EXPECT_EQ(absolutePath("/srv/Caf\xE9.mpj"), "/srv/Caf\xE9.mpj");
}

} // namespace
} // namespace zr48
