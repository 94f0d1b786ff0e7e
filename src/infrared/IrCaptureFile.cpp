#include "infrared/IrCaptureFile.h"

#include "base/Error.h"
#include "base/FileIo.h"
#include "base/Paths.h"

#include <algorithm>
#include <string>

namespace zr48 {

CaptureFile readCaptureFile(std::string_view path)
{
    const Bytes bytes = readFileBytes(path);
    const std::string quoted = "\"" + shownPath(path) + "\"";
    if (static_cast<std::int64_t>(bytes.size()) > kCaptureBytes)
        throw Error(quoted + " is not an infrared capture: it holds " + std::to_string(bytes.size()) +
                    " bytes, a capture at most " + std::to_string(kCaptureBytes) + ".");
    if (bytes.empty())
        throw Error("The capture " + quoted + " is empty.");
    CaptureFile file{std::make_unique<CaptureBuffer>(), static_cast<std::int64_t>(bytes.size())};
    file.buffer->fill(0);
    std::copy(bytes.begin(), bytes.end(), file.buffer->begin());
    return file;
}

void writeCaptureFile(std::string_view path, CaptureView capture, std::int64_t bytes)
{
    const auto size = static_cast<std::size_t>(std::clamp<std::int64_t>(bytes, 0, kCaptureBytes));
    writeFileAtomically(path, capture.first(size));
}

} // namespace zr48
