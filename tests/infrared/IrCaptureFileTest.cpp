#include "infrared/IrCaptureFile.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zr48 {
namespace {

TEST(IrCaptureFile, KeepsTheStartOfTheBufferAndReadsTheRestAsLow)
{
    test::TempDir dir;
    CaptureBuffer capture;
    for (std::size_t i = 0; i < capture.size(); ++i)
        capture[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const Text path = dir.text("key.bin");
    writeCaptureFile(path, capture, 1000);
    EXPECT_EQ(readFileBytes(path).size(), 1000u);

    const CaptureFile file = readCaptureFile(path);
    EXPECT_EQ(file.bytes, 1000);
    EXPECT_TRUE(std::equal(capture.begin(), capture.begin() + 1000, file.buffer->begin()));
    EXPECT_TRUE(std::all_of(file.buffer->begin() + 1000, file.buffer->end(), [](auto b) { return b == 0; }));

    writeCaptureFile(path, capture, kCaptureBytes + 10); // never more than the buffer
    EXPECT_EQ(readCaptureFile(path).bytes, kCaptureBytes);
}

TEST(IrCaptureFile, RefusesFilesThatHoldNoCaptureNamingThem)
{
    test::TempDir dir;
    const struct {
        Text path;
        const char* reason;
    } cases[] = {
        {dir.write("empty.bin", ""), "is empty"},
        {dir.write("big.bin", std::string(65537, '\1')), "is not an infrared capture: it holds 65537 bytes"},
        {dir.text("missing.bin"), "missing.bin"},
    };
    for (const auto& c : cases) {
        try {
            readCaptureFile(c.path);
            ADD_FAILURE() << c.path << " was read";
        } catch (const Error& e) {
            EXPECT_NE(e.message().find(c.path), std::string::npos) << e.message();
            EXPECT_NE(e.message().find(c.reason), std::string::npos) << e.message();
        }
    }
}

} // namespace
} // namespace zr48
