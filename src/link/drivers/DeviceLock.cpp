#include "link/drivers/DeviceLock.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace zr48 {

namespace {

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base = 10)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// "MAJOR:MINOR:INODE", the first two in hexadecimal.
bool parseLockedFile(std::string_view field, unsigned& major, unsigned& minor, unsigned long& inode)
{
    const std::size_t first = field.find(':');
    const std::size_t second = field.find(':', first == std::string_view::npos ? first : first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos)
        return false;
    return parseNumber(field.substr(0, first), major, 16) &&
           parseNumber(field.substr(first + 1, second - first - 1), minor, 16) &&
           parseNumber(field.substr(second + 1), inode);
}

std::string programOf(long pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace

std::optional<long> flockHolderIn(std::string_view procLocks, unsigned major, unsigned minor, unsigned long inode)
{
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF"; a waiter reads "1: -> FLOCK ...".
    std::istringstream lines{std::string(procLocks)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        if (!(fields >> number >> kind >> mode >> access >> pid >> file) || kind != "FLOCK")
            continue;
        unsigned lockMajor = 0, lockMinor = 0;
        unsigned long lockInode = 0;
        long holder = 0;
        if (parseLockedFile(file, lockMajor, lockMinor, lockInode) && lockMajor == major && lockMinor == minor &&
            lockInode == inode && parseNumber(pid, holder))
            return holder;
    }
    return std::nullopt;
}

std::optional<LockHolder> flockHolder(const std::filesystem::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return std::nullopt;
    std::ifstream locks("/proc/locks");
    std::ostringstream text;
    text << locks.rdbuf();
    const auto pid = flockHolderIn(text.str(), major(st.st_dev), minor(st.st_dev), st.st_ino);
    if (!pid)
        return std::nullopt;
    return LockHolder{*pid, programOf(*pid)};
}

FtFailure inUseFailure(const std::string& where, const std::optional<LockHolder>& holder)
{
    std::string by = "another program";
    if (holder)
        by = (holder->program.empty() ? std::string("a program") : holder->program) + " (process " +
             std::to_string(holder->pid) + ")";
    return {"In use by " + by, "the ZR48 on " + where + " is in use by " + by, true};
}

bool tryLockExclusively(int fd)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

CardLock::CardLock(const std::filesystem::path& cardFile, const BeforeWaiting& beforeWaiting)
{
    const std::filesystem::path lockFile = cardFile.string() + ".lock";
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) // a folder that takes no file: the card's own checks say what is wrong
        return;
    if (tryLockExclusively(fd_))
        return;
    const std::string where = "the simulator's card " + cardFile.string();
    if (beforeWaiting) {
        beforeWaiting(inUseFailure(where, flockHolder(lockFile)).help);
        int result = 0;
        while ((result = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (result == 0)
            return;
    }
    const auto holder = flockHolder(lockFile);
    ::close(fd_);
    fd_ = -1;
    throw LinkInUse(inUseFailure(where, holder).help);
}

CardLock::~CardLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace zr48
