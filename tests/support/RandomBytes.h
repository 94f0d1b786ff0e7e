#pragma once
// Bytes that are no text and no format, the same for the same seed: a file that is not what its
// name says.

#include <cstddef>
#include <string>

namespace zr48::test {

inline std::string randomBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

} // namespace zr48::test
