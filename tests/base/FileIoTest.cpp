#include "base/FileIo.h"
#include "base/Error.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

using test::TempDir;

TEST(FileIo, WritesAndReadsBackEveryByte)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>(i * 7);
    const Text path = dir.text("Caf\xE9 \x80.bin"); // a non-ASCII name reaches the disk as UTF-8
    writeFileAtomically(path, bytes);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Café €.bin"));
    const Bytes read = readFileBytes(path);
    EXPECT_EQ(std::string(read.begin(), read.end()), bytes);
}

TEST(FileIo, ReplacesAFileWholeAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const Text path = dir.write("a.txt", "old contents, longer than the new");
    writeFileAtomically(path, std::string_view("new"));
    const Bytes read = readFileBytes(path);
    EXPECT_EQ(std::string(read.begin(), read.end()), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileIo, AFailedWriteNamesThePathAndLeavesTheTargetAlone)
{
    TempDir dir;
    const Text missingFolder = dir.text("no/such/folder/x.mpj");
    try {
        writeFileAtomically(missingFolder, std::string_view("x"));
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(missingFolder), Text::npos) << e.message();
        EXPECT_NE(e.message().find("No such file"), Text::npos) << e.message();
    }
    // A target that is a folder cannot be replaced; the folder survives.
    std::filesystem::create_directory(dir.path() / "folder");
    std::filesystem::create_directory(dir.path() / "folder" / "inside");
    EXPECT_THROW(writeFileAtomically(dir.text("folder"), std::string_view("x")), Error);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder" / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileIo, ReadingAMissingFileFailsWithItsPath)
{
    TempDir dir;
    EXPECT_FALSE(tryReadFileBytes(dir.text("missing")).has_value());
    try {
        readFileBytes(dir.text("missing"));
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(dir.text("missing")), Text::npos);
    }
}

TEST(FileIo, TellsFilesFromFolders)
{
    TempDir dir;
    const Text file = dir.write("x.mpi", "NAME=x");
    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(directoryExists(file));
    EXPECT_TRUE(directoryExists(dir.text()));
    EXPECT_FALSE(fileExists(dir.text()));
    EXPECT_FALSE(fileExists(dir.text("nothing")));
}

} // namespace
} // namespace zr48
