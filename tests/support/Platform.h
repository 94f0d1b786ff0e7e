#pragma once
// What tests need of the system beyond the standard library, and the skipping of tests of what
// only POSIX systems have (permission bits, symbolic links, names that are no UTF-8,
// pseudo-terminals): on Windows such a test says why it does not run.

#include "base/Paths.h"

#include <gtest/gtest.h>

#include <cstdint>

#ifdef _WIN32
#define ZR48_POSIX_ONLY(why) GTEST_SKIP() << "POSIX only: " << why
#else
#define ZR48_POSIX_ONLY(why) static_cast<void>(0)
#endif

namespace zr48::test {

// What tells a file on disk from any other, whatever name reaches it (its inode on Linux, its
// file index on Windows); 0 when there is no such file.
std::uint64_t fileIdentity(const Path& path);

} // namespace zr48::test
