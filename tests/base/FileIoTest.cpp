#include "base/FileIo.h"
#include "base/Error.h"
#include "base/Paths.h"
#include "support/Platform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "support/Unprivileged.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>
#include <vector>

namespace zr48 {
namespace {

using test::fileContents;

using test::TempDir;
namespace fs = std::filesystem;

fs::perms Permissions(const Path& path)
{
    return fs::status(toFsPath(path)).permissions();
}

// The message of the error that `write` raises; empty when it raises none.
template <typename Write>
std::string ErrorOf(Write write)
{
    try {
        write();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

TEST(FileIo, WritesAndReadsBackEveryByteUnderAnyName)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>(i * 7);
    // Names reach the disk as they are: any script, and bytes that are no UTF-8 at all.
    std::vector<const char*> names = {"Проект/Дом.bin", "データ/家.bin", "🏠/🔥.bin"};
#ifndef _WIN32
    names.push_back("Caf\xE9/\x80.bin"); // Windows holds names as UTF-16: every one is Unicode
#endif
    for (const char* name : names) {
        fs::create_directories(toFsPath(extractFileDir(dir.text(name))));
        const Path path = dir.text(name);
        writeFileAtomically(path, bytes);
        EXPECT_TRUE(fs::is_regular_file(toFsPath(path))) << name;
        EXPECT_EQ(fileContents(path), bytes) << name;
    }
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

TEST(FileIo, AReplacedFileKeepsItsPermissionBits)
{
    ZR48_POSIX_ONLY("Windows keeps no permission bits, only a read-only attribute");
#ifndef _WIN32
    TempDir dir;
    for (const fs::perms perms : {fs::perms(0600), fs::perms(0640), fs::perms(0755)}) {
        const Path path = dir.write("kept.mpj", "old");
        fs::permissions(toFsPath(path), perms);
        writeFileAtomically(path, std::string_view("new"));
        EXPECT_EQ(fileContents(path), "new");
        EXPECT_EQ(Permissions(path), perms) << std::oct << static_cast<int>(perms);
    }
    // A new file gets the default of a new file (the umask's), not the temporary file's 0600.
    const mode_t mask = ::umask(022);
    writeFileAtomically(dir.text("new.mpj"), std::string_view("x"));
    ::umask(mask);
    EXPECT_EQ(Permissions(dir.text("new.mpj")), fs::perms(0644));
#endif
}

TEST(FileIo, RefusesAReadOnlyTargetNamingItAndTheReason)
{
    TempDir dir;
    const Path path = dir.write("Дом.mpj", "keep me");
    fs::permissions(toFsPath(path), fs::perms(0444));
    const std::string message = ErrorOf([&] { writeFileAtomically(path, std::string_view("new")); });
    EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
    EXPECT_NE(message.find("read-only"), std::string::npos) << message;
    EXPECT_EQ(fileContents(path), "keep me");
    EXPECT_EQ(Permissions(path), fs::perms(0444));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1); // no temporary file left
}

TEST(FileIo, RefusesATargetTheUserMayNotWrite)
{
    ZR48_POSIX_ONLY("Windows keeps no permission bits for the owner apart from the others");
#ifndef _WIN32
    TempDir dir;
    // Writable by the group only, in a folder where anyone may make and rename files. The write
    // runs as its owner, or as "nobody", one of the others, when the tests run as the superuser
    // (who may write every file).
    const Path path = dir.write("shared/theirs.mpj", "keep me");
    fs::permissions(dir.path() / "shared", fs::perms::all);
    fs::permissions(toFsPath(path), fs::perms(0464));
    const auto message =
        test::runUnprivileged([&] { return ErrorOf([&] { writeFileAtomically(path, std::string_view("new")); }); });
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("\"" + path + "\""), std::string::npos) << *message;
    EXPECT_NE(message->find("Permission denied"), std::string::npos) << *message;
    EXPECT_EQ(fileContents(path), "keep me");
#endif
}

// A file the user may write in a folder they may not: no temporary file can go beside it, so it
// is rewritten where it is, longer or shorter, keeping its permissions, through a link, and still
// refused when read-only; when that fails too, the reason is named and the file is left as it was
// when nothing of it could change.
TEST(FileIo, AWritableFileInAFolderThatTakesNoNewFilesIsRewrittenWhereItIs)
{
    ZR48_POSIX_ONLY("Windows keeps no permission bits for the owner apart from the others");
#ifndef _WIN32
    TempDir dir;
    const Path path = dir.write("locked/shared.mpi", "old content");
    fs::permissions(toFsPath(path), fs::perms(0666));
    fs::permissions(dir.path() / "locked", fs::perms(0555));
    for (const std::string content : {"a longer content than before", "short"}) {
        const auto message = test::runUnprivileged(
            [&] { return ErrorOf([&] { writeFileAtomically(path, std::string_view(content)); }); });
        ASSERT_TRUE(message);
        EXPECT_EQ(*message, "") << content;
        EXPECT_EQ(fileContents(path), content);
    }
    EXPECT_EQ(Permissions(path), fs::perms(0666));

    // Through a link in a folder that takes files, to the file in the locked one; a read-only file
    // in the locked folder is still refused.
    fs::create_symlink("locked/shared.mpi", dir.path() / "link.mpi");
    const Path readOnly = dir.text("locked/fixed.mpi");
    fs::permissions(dir.path() / "locked", fs::perms(0755));
    dir.write("locked/fixed.mpi", "keep me");
    fs::permissions(toFsPath(readOnly), fs::perms(0444));
    fs::permissions(dir.path() / "locked", fs::perms(0555));
    const auto messages = test::runUnprivilegedParts([&] {
        return std::vector<std::string>{
            ErrorOf([&] { writeFileAtomically(dir.text("link.mpi"), std::string_view("through")); }),
            ErrorOf([&] { writeFileAtomically(readOnly, std::string_view("new")); })};
    });
    ASSERT_TRUE(messages);
    EXPECT_EQ(messages->at(0), "");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.mpi"));
    EXPECT_EQ(fileContents(path), "through");
    EXPECT_NE(messages->at(1).find("read-only"), std::string::npos) << messages->at(1);
    EXPECT_EQ(fileContents(readOnly), "keep me");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "locked"), {}), 2); // no temporary file left

    // No room for the new content (a file size limit here): the reason is named, nothing changed.
    const auto message = test::runUnprivileged([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        return ErrorOf([&] { writeFileAtomically(path, std::string_view(std::string(100, 'x'))); });
    });
    fs::permissions(dir.path() / "locked", fs::perms(0755));
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("\"" + path + "\""), std::string::npos) << *message;
    EXPECT_NE(message->find("Permission denied"), std::string::npos) << *message;
    EXPECT_NE(message->find("File too large"), std::string::npos) << *message;
    EXPECT_EQ(fileContents(path), "through");
#endif
}

TEST(FileIo, WritesThroughASymbolicLinkToItsTarget)
{
    ZR48_POSIX_ONLY("symbolic links need a privilege on Windows");
    TempDir dir;
    const Path target = dir.write("real/Дом.mpj", "old");
    fs::permissions(toFsPath(target), fs::perms(0600));
    fs::create_directories(dir.path() / "links");
    // A relative link, and a link to that link.
    fs::create_symlink("../real/Дом.mpj", dir.path() / "links" / "link.mpj");
    fs::create_symlink("link.mpj", dir.path() / "links" / "chain.mpj");

    writeFileAtomically(dir.text("links/chain.mpj"), std::string_view("new"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "link.mpj"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "chain.mpj"));
    EXPECT_EQ(fileContents(target), "new");
    EXPECT_EQ(Permissions(target), fs::perms(0600));
    // The temporary file lived beside the target, and is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "real"), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "links"), {}), 2);

    // A link whose file does not exist yet creates that file.
    fs::create_symlink("../real/new.mpj", dir.path() / "links" / "dangling.mpj");
    writeFileAtomically(dir.text("links/dangling.mpj"), std::string_view("made"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "dangling.mpj"));
    EXPECT_EQ(fileContents(dir.text("real/new.mpj")), "made");
}

TEST(FileIo, ALinkToAnotherFileSystemIsWrittenThere)
{
    ZR48_POSIX_ONLY("symbolic links need a privilege on Windows");
#ifndef _WIN32
    // A temporary file beside the link could not be renamed onto a file of another file system.
    const fs::path shm = "/dev/shm";
    TempDir dir;
    struct stat here {};
    struct stat there {};
    if (::stat(dir.path().c_str(), &here) != 0 || ::stat(shm.c_str(), &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system at " << shm;
    const fs::path target = shm / ("zr48-test-" + dir.path().filename().string() + ".mpj");
    {
        std::ofstream(target) << "old";
    }
    fs::create_symlink(target, dir.path() / "link.mpj");
    const std::string message = ErrorOf([&] { writeFileAtomically(dir.text("link.mpj"), std::string_view("new")); });
    const std::string written = message.empty() ? fileContents(fromFsPath(target)) : "";
    fs::remove(target);
    EXPECT_EQ(message, "");
    EXPECT_EQ(written, "new");
#endif
}

TEST(FileIo, AFolderGivenForAFileSaysSo)
{
    TempDir dir;
    const Path folder = dir.text("Папка");
    fs::create_directories(toFsPath(folder));
    for (const std::string& message : {ErrorOf([&] { readFileBytes(folder); }),
                                       ErrorOf([&] { writeFileAtomically(folder, std::string_view("x")); })}) {
        EXPECT_NE(message.find("\"" + folder + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("it is a folder, not a file"), std::string::npos) << message;
    }
    EXPECT_EQ(notAFileReason(folder), "it is a folder, not a file");
    EXPECT_EQ(notAFileReason(dir.text("none")), kNoSuchFile);
    EXPECT_EQ(notAFileReason(dir.write("file", "x")), std::nullopt);
#ifndef _WIN32 // symbolic links need a privilege on Windows
    fs::create_symlink("none", dir.path() / "dangling");
    EXPECT_EQ(notAFileReason(dir.text("dangling")), "it is a symbolic link to a file that does not exist");
#endif
}

TEST(FileIo, TwoPathsAreTheSameFileOnlyWhenTheyNameOne)
{
    TempDir dir;
    const Path file = dir.write("Proj/F.mpi", "x");
    EXPECT_TRUE(sameFile(file, file));
    EXPECT_TRUE(sameFile(file, dir.text("Proj/../Proj/F.mpi")));
    // Two names of files that do not exist are the same only as equal texts.
    EXPECT_TRUE(sameFile(dir.text("none"), dir.text("none")));
    EXPECT_FALSE(sameFile(dir.text("none"), dir.text("None")));
#ifdef _WIN32
    // Windows' names ignore letter case: another case reaches the same file.
    EXPECT_TRUE(sameFile(file, dir.text("proj/f.mpi")));
#else
    fs::create_directory_symlink(dir.path() / "Proj", dir.path() / "Alias");
    EXPECT_TRUE(sameFile(file, dir.text("Alias/F.mpi")));
    // Letter case makes another file on Linux, whether or not it exists.
    EXPECT_FALSE(sameFile(file, dir.text("proj/F.mpi")));
    dir.write("proj/F.mpi", "y");
    EXPECT_FALSE(sameFile(file, dir.text("proj/F.mpi")));
    EXPECT_FALSE(sameFile(file, dir.text("Proj/f.mpi")));
#endif
}

TEST(FileIo, AFolderThatTakesNoFilesIsNamed)
{
    TempDir dir;
    EXPECT_NO_THROW(checkFolderWritable(dir.text("")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 0); // the probe is gone
    const Path blocked = dir.write("file", "x") + "/sub";                // a file stands where a folder should be
    const std::string message = ErrorOf([&] { checkFolderWritable(blocked); });
    EXPECT_NE(message.find("\"" + blocked + "\""), std::string::npos) << message;
#ifdef _WIN32
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
#else
    EXPECT_NE(message.find("Not a directory"), std::string::npos) << message;
#endif
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

#ifndef _WIN32
TEST(FileIo, ANamedPipeIsRefusedAtOnceInsteadOfWaitedOn)
{
    TempDir dir;
    const Path pipe = dir.text("x.mpi");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Should a read wait on the pipe, writers that come and go end it after a while, and the test
    // fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread rescue([&] {
        for (int i = 0; !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (i >= 500 && !done)
                std::ofstream(pipe.c_str()) << "";
        }
    });
    const auto read = tryReadFileBytes(pipe);
    const std::string message = ErrorOf([&] { readFileBytes(pipe); });
    const std::string boundedMessage = ErrorOf([&] { readFileBytesUpTo(pipe, 1000); });
    done = true;
    rescue.join();
    EXPECT_FALSE(read.has_value());
    for (const std::string& said : {message, boundedMessage}) {
        EXPECT_NE(said.find("\"" + pipe + "\""), std::string::npos) << said;
        EXPECT_NE(said.find("it is not a regular file"), std::string::npos) << said;
    }
    EXPECT_FALSE(fileExists(pipe));
    // A symbolic link to a regular file reads as that file.
    fs::create_symlink(dir.write("real.mpi", "NAME=x"), dir.path() / "link.mpi");
    EXPECT_EQ(tryReadFileBytes(dir.text("link.mpi")), Bytes({'N', 'A', 'M', 'E', '=', 'x'}));
}
#endif

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
