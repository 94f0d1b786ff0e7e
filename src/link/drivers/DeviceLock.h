#pragma once
// One program owns a link. A serial device is locked the way serial tools lock one: an advisory
// exclusive flock on the open device, then the terminal's exclusive mode (further opens fail with
// EBUSY). The simulator's card file is locked through a lock file beside it, since the card itself
// is replaced on every save. Whoever is refused learns who holds the lock from /proc/locks.

#include "base/Error.h"
#include "link/FtDriver.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zr48 {

// The process that holds a lock.
struct LockHolder {
    long pid = 0;
    std::string program; // its name, "zr48"; empty when it cannot be told
};

// The process holding a flock on the file with inode `inode` on the file system `major:minor`,
// as /proc/locks (`procLocks`) lists it; waiters ("->") hold nothing.
std::optional<long> flockHolderIn(std::string_view procLocks, unsigned major, unsigned minor, unsigned long inode);

// Who holds a flock on `file` now, from /proc/locks and /proc/PID/comm.
std::optional<LockHolder> flockHolder(const std::filesystem::path& file);

// "the ZR48 on WHERE is in use by zr48 (process 123)" as a failure: `reason` for the status bar,
// `help` for a message, `inUse` set.
FtFailure inUseFailure(const std::string& where, const std::optional<LockHolder>& holder);

// Another program holds the link.
class LinkInUse : public Error {
public:
    using Error::Error;
};

// Takes the exclusive flock on `fd` without waiting; false when another open file holds it.
bool tryLockExclusively(int fd);

// The lock on a simulator's card file, held from construction to destruction. The lock file is
// the card file's name followed by ".lock".
class CardLock {
public:
    // Called with "the ZR48 on ... is in use by ..." before waiting for a lock that another
    // program holds.
    using BeforeWaiting = std::function<void(const std::string&)>;
    // Throws LinkInUse when another program holds it and `beforeWaiting` is unset (otherwise
    // waits for it). Where no lock file can be made (a folder that is missing or read-only), the
    // card is not locked.
    CardLock(const std::filesystem::path& cardFile, const BeforeWaiting& beforeWaiting);
    ~CardLock();
    CardLock(const CardLock&) = delete;
    CardLock& operator=(const CardLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace zr48
