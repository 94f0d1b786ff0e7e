#pragma once
// A capture kept in a file: the raw capture buffer from its start, one bit a sample, at most
// 65,536 bytes; a shorter file holds the start of a capture. `zr48 ir capture` and the scope's
// "Save capture..." write it; `zr48 ir analyse` and "Open capture..." read it.

#include "infrared/IrSamples.h"

#include <memory>
#include <string_view>

namespace zr48 {

struct CaptureFile {
    std::unique_ptr<CaptureBuffer> buffer; // zeros after the bytes of the file
    std::int64_t bytes = 0;                // how many bytes the file held
};

// Throws zr48::Error naming the path: the file cannot be read, is empty or is longer than a
// capture.
CaptureFile readCaptureFile(std::string_view path);

// The first `bytes` bytes of the capture, through the atomic write. Throws zr48::Error.
void writeCaptureFile(std::string_view path, CaptureView capture, std::int64_t bytes);

} // namespace zr48
