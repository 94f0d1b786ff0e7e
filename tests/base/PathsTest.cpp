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

TEST(Paths, KeepTheFileSystemsBytesWithBackslashesAsSeparators)
{
    // Nothing is converted: UTF-8 names of any script, and (where names are bytes) bytes that are
    // no UTF-8 at all.
    EXPECT_EQ(fromFsPath(toFsPath("/tmp/Проект\\データ\\🏠.mpi")), "/tmp/Проект/データ/🏠.mpi");
    EXPECT_EQ(toFsPath("/tmp/Проект/Дом"), std::filesystem::path(u8"/tmp/Проект/Дом"));
#ifndef _WIN32
    EXPECT_EQ(toFsPath("/tmp/Caf\xE9/x.mpi").string(), "/tmp/Caf\xE9/x.mpi");
#endif
    EXPECT_EQ(fromFsPath(std::filesystem::path(u8"/tmp/Café €/Дом")), "/tmp/Café €/Дом");
    // The parts of a path split at delimiters, never inside a character.
    EXPECT_EQ(extractFileName("/tmp/Проект/Дом.mpj"), "Дом.mpj");
    EXPECT_EQ(changeFileExt("/tmp/データ/家.mpj", ".mpd"), "/tmp/データ/家.mpd");
}

TEST(Paths, AbsolutePathsComeFromTheCurrentFolder)
{
    const Path current = fromFsPath(std::filesystem::current_path());
    EXPECT_EQ(absolutePath("Villa/./x/../Villa.mpj"), current + "/Villa/Villa.mpj");
#ifdef _WIN32
    EXPECT_EQ(absolutePath("D:/srv/Проект.mpj"), "D:/srv/Проект.mpj");
#else
    EXPECT_EQ(absolutePath("/srv/Проект.mpj"), "/srv/Проект.mpj");
#endif
    // A path that names its folder keeps it; only a bare or relative one gets the current folder.
    EXPECT_EQ(withFolder("Villa.mpj"), current + "/Villa.mpj");
    EXPECT_EQ(withFolder("sub/Villa.mpj"), current + "/sub/Villa.mpj");
    EXPECT_EQ(withFolder("/srv/Villa.mpj"), "/srv/Villa.mpj");
    EXPECT_EQ(withFolder("D:\\Projects\\Villa.mpj"), "D:\\Projects\\Villa.mpj");
}

TEST(Paths, APathFromAProjectFileIsUtf8OrWindows1252)
{
    EXPECT_EQ(pathFromProjectText("/srv/Проект/Дом.mpi"), "/srv/Проект/Дом.mpi");
    // Written on a system that records paths in Windows-1252: é is E9, € is 80.
    EXPECT_EQ(pathFromProjectText("D:\\Caf\xE9\\\x80uro.mpi"), "D:\\Café\\€uro.mpi");
    EXPECT_EQ(pathFromProjectText("/plain/ascii.mpi"), "/plain/ascii.mpi");
}

TEST(Paths, APathAsATextKeepsWhatWindows1252Holds)
{
    EXPECT_EQ(pathToText("/srv/Café €/Дом 🏠.mpj"), "/srv/Caf\xE9 \x80/??? ?.mpj");
    // A name that is no UTF-8 (Latin-1 bytes) keeps its letters.
    EXPECT_EQ(pathToText("/srv/Caf\xE9.mpj"), "/srv/Caf\xE9.mpj");
}

} // namespace
} // namespace zr48
