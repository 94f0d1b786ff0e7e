#include "project/ProjectPaths.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(ProjectPaths, ShowAndResolveDeviceFilesOfTheProjectFolder)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* shown;
    };
    const Case cases[] = {
        {R"(D:\P\Home\TV.mpi)", R"(D:\P\Home\)", R"([PROJECT]\TV.mpi)"},
        // Letter case counts; a subfolder is another folder.
        {R"(d:\p\home\TV.mpi)", R"(D:\P\Home\)", R"(d:\p\home\TV.mpi)"},
        {R"(D:\P\Home\Sub\TV.mpi)", R"(D:\P\Home\)", R"(D:\P\Home\Sub\TV.mpi)"},
        {"/home/ann/Дом/TV.mpi", "/home/ann/Дом/", "[PROJECT]/TV.mpi"},
        {"/db/KELDO/TV.mpi", "/home/ann/Дом/", "/db/KELDO/TV.mpi"},
        // A project without a folder shows every path as it is.
        {"TV.mpi", "", "TV.mpi"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayPath(c.path, c.folder), c.shown) << c.path;
        EXPECT_EQ(ResolvePath(DisplayPath(c.path, c.folder), c.folder), c.path) << c.path;
    }
    // Typed by the user, with either separator.
    EXPECT_EQ(ResolvePath(R"([PROJECT]\DVD.mpi)", R"(D:\P\Home\)"), R"(D:\P\Home\DVD.mpi)");
    EXPECT_EQ(ResolvePath("[PROJECT]/DVD.mpi", "/home/ann/Дом/"), "/home/ann/Дом/DVD.mpi");
    EXPECT_EQ(ResolvePath("[PROJECT]DVD.mpi", "/p/"), "[PROJECT]DVD.mpi");
}

} // namespace
} // namespace zr48
