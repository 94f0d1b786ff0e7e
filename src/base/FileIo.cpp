#include "base/FileIo.h"
#include "base/Paths.h"

#include "base/Error.h"
#include "base/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

namespace zr48 {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr const char* kFolderNotFile = "it is a folder, not a file";

std::string systemReason(int error)
{
    return std::strerror(error);
}

[[noreturn]] void fail(std::string_view what, std::string_view path, std::string_view reason)
{
    throw Error(std::string(what) + " \"" + shownPath(path) + "\":\n" + std::string(reason));
}

[[noreturn]] void fail(std::string_view what, std::string_view path, int error)
{
    fail(what, path, systemReason(error));
}

// The file that a write to `path` lands in: `path` itself, or the file at the end of its chain of
// symbolic links (which need not exist yet).
fs::path finalTarget(const fs::path& path, std::error_code& ec)
{
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ignored;
        if (!fs::is_symlink(fs::symlink_status(p, ignored)))
            return p;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec)
            return p;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return p;
}

// A new, empty file of a name no other file has, in `folder`; its permissions are the default ones
// of a new file. Null with errno set when none can be created.
FilePtr createTemporary(const fs::path& folder, fs::path& temporary)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".zr48-%08x.tmp", static_cast<unsigned>(random()));
        temporary = folder / name;
        errno = 0;
        if (std::FILE* file = platform::createNewFile(temporary))
            return FilePtr(file);
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

constexpr fs::perms kAnyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

// The permission bits that the new file must carry: those of the file it replaces. Throws when
// the target is not a file that the user may write.
std::optional<fs::perms> permissionsToKeep(std::string_view path, const fs::path& target)
{
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (status.type() == fs::file_type::not_found)
        return std::nullopt;
    if (ec)
        fail("Cannot write the file", path, ec.message());
    if (fs::is_directory(status))
        fail("Cannot write", path, kFolderNotFile);
    if (!fs::is_regular_file(status))
        fail("Cannot write", path, "it is not a regular file");
    if ((status.permissions() & kAnyWrite) == fs::perms::none)
        fail("Cannot write the file", path, "the file is read-only");
    // Renaming over the target needs only the folder's permission; ask the system whether this
    // user may write the file itself. Opening for appending changes nothing.
    errno = 0;
    if (!FilePtr(platform::openFile(target, "ab")))
        fail("Cannot write the file", path, errno);
    return status.permissions();
}

// A file the user may write in a folder the user may not write: no temporary file can go beside
// it, so the file is rewritten where it is. It is first made as large as the new content, with the
// room for it taken on the disk, so that a lack of room shows before anything of it changes.
void rewriteInPlace(std::string_view path, const fs::path& target, std::span<const std::uint8_t> bytes, int folderError)
{
    const auto failWith = [&](const std::string& reason) {
        fail("Cannot write the file", path,
             "its folder takes no new files (" + systemReason(folderError) +
                 "), and rewriting the file where it is failed: " + reason);
    };
    constexpr const char* kDamaged = "; the file may be incomplete";
    std::error_code ec;
    const std::uintmax_t oldSize = fs::file_size(target, ec);
    if (ec)
        failWith(ec.message());
    if (bytes.size() > oldSize) {
        if (const int growError = platform::growFile(target, bytes.size()))
            failWith(systemReason(growError));
    }
    errno = 0;
    FilePtr file(platform::openFile(target, "r+b"));
    if (!file)
        failWith(systemReason(errno));
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    const int closeError = errno;
    if (!written || !closed)
        failWith(systemReason(!written ? writeError : closeError) + kDamaged);
    fs::resize_file(target, bytes.size(), ec);
    if (ec)
        failWith(ec.message() + kDamaged);
}

} // namespace

std::optional<Bytes> tryReadFileBytes(std::string_view path)
{
    FilePtr file(platform::openRegularFile(toFsPath(path)));
    if (!file)
        return std::nullopt;
    Bytes bytes;
    std::uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

std::optional<Bytes> readFileBytesUpTo(std::string_view path, std::size_t limit)
{
    errno = 0;
    FilePtr file(platform::openRegularFile(toFsPath(path)));
    if (file) {
        Bytes bytes;
        std::uint8_t chunk[65536];
        size_t n;
        while (bytes.size() <= limit && (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        if (!std::ferror(file.get()))
            return bytes.size() <= limit ? std::optional(std::move(bytes)) : std::nullopt;
    }
    const int error = errno ? errno : EIO;
    if (const auto reason = notAFileReason(path); reason && *reason != kNoSuchFile)
        fail("Cannot read", path, *reason);
    fail("Cannot read the file", path, error);
}

Bytes readFileBytes(std::string_view path)
{
    errno = 0;
    if (auto bytes = tryReadFileBytes(path))
        return std::move(*bytes);
    const int error = errno ? errno : EIO;
    if (const auto reason = notAFileReason(path); reason && *reason != kNoSuchFile)
        fail("Cannot read", path, *reason);
    fail("Cannot read the file", path, error);
}

namespace {

// A file written in full under a temporary name beside its target, not yet renamed over it; or,
// where the folder takes no new file, a target to be rewritten in place when it is committed.
struct PreparedFile {
    fs::path temporary;
    fs::path target;
    std::span<const std::uint8_t> inPlaceBytes;
    int folderError = 0; // why no temporary file could be made, for a rewrite in place
};

PreparedFile prepareFile(std::string_view path, std::span<const std::uint8_t> bytes)
{
    std::error_code ec;
    const fs::path target = finalTarget(toFsPath(path), ec);
    if (ec)
        fail("Cannot write the file", path, ec.message());
    const std::optional<fs::perms> keep = permissionsToKeep(path, target);

    fs::path temporary;
    FilePtr file = createTemporary(target.parent_path(), temporary);
    if (!file) {
        const int folderError = errno;
        if (keep && (folderError == EACCES || folderError == EPERM))
            return {{}, target, bytes, folderError};
        fail("Cannot create the file", path, folderError);
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        platform::removeFile(temporary);
        fail("Cannot write the file", path, !written ? writeError : closeError);
    }
    if (keep) {
        fs::permissions(temporary, *keep, fs::perm_options::replace, ec);
        if (ec) {
            platform::removeFile(temporary);
            fail("Cannot write the file", path, ec.message());
        }
    }
    return {temporary, target, {}, 0};
}

void commitFile(std::string_view path, const PreparedFile& file)
{
    if (file.folderError != 0) {
        rewriteInPlace(path, file.target, file.inPlaceBytes, file.folderError);
        return;
    }
    if (const int renameError = platform::replaceFile(file.temporary, file.target)) {
        platform::removeFile(file.temporary);
        fail("Cannot write the file", path, renameError);
    }
}

} // namespace

void writeFileAtomically(std::string_view path, std::span<const std::uint8_t> bytes)
{
    commitFile(path, prepareFile(path, bytes));
}

void writeFilesAtomically(std::span<const FileToWrite> files)
{
    std::vector<PreparedFile> prepared;
    std::size_t committed = 0;
    try {
        for (const FileToWrite& file : files)
            prepared.push_back(prepareFile(file.path, file.bytes));
        for (; committed < prepared.size(); ++committed)
            commitFile(files[committed].path, prepared[committed]);
    } catch (const Error&) {
        for (std::size_t i = committed; i < prepared.size(); ++i)
            if (!prepared[i].temporary.empty())
                platform::removeFile(prepared[i].temporary);
        throw;
    }
}

void writeFileAtomically(std::string_view path, std::string_view bytes)
{
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void checkFolderWritable(std::string_view folder)
{
    fs::path probe;
    const fs::path fsFolder = folder.empty() ? fs::path(".") : toFsPath(folder);
    if (!createTemporary(fsFolder, probe))
        fail("Cannot create files in the folder", folder, errno);
    platform::removeFile(probe);
}

void checkWritable(std::string_view path)
{
    std::error_code ec;
    const fs::path target = finalTarget(toFsPath(path), ec);
    if (ec)
        fail("Cannot write the file", path, ec.message());
    permissionsToKeep(path, target);
    fs::path probe;
    if (!createTemporary(target.parent_path().empty() ? fs::path(".") : target.parent_path(), probe))
        fail("Cannot create the file", path, errno);
    platform::removeFile(probe);
}

bool removeFileIfThere(std::string_view path)
{
    std::error_code ec;
    const fs::path fsPath = toFsPath(path);
    if (!fs::exists(fs::symlink_status(fsPath, ec)))
        return true;
    platform::removeFile(fsPath);
    return !fs::exists(fs::symlink_status(fsPath, ec));
}

bool fileExists(std::string_view path)
{
    std::error_code ec;
    return fs::is_regular_file(toFsPath(path), ec);
}

bool directoryExists(std::string_view path)
{
    std::error_code ec;
    return fs::is_directory(toFsPath(path), ec);
}

std::optional<std::string> notAFileReason(std::string_view path)
{
    std::error_code ec;
    const fs::path fsPath = toFsPath(path);
    const fs::file_status status = fs::status(fsPath, ec);
    switch (status.type()) {
    case fs::file_type::regular: return std::nullopt;
    case fs::file_type::directory: return kFolderNotFile;
    case fs::file_type::not_found: {
        std::error_code ignored;
        if (fs::is_symlink(fs::symlink_status(fsPath, ignored)))
            return "it is a symbolic link to a file that does not exist";
        return kNoSuchFile;
    }
    default: return ec ? ec.message() : "it is not a regular file";
    }
}

bool sameFile(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    std::error_code ec;
    return fs::equivalent(toFsPath(a), toFsPath(b), ec) && !ec;
}

} // namespace zr48
