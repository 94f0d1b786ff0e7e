#pragma once
// The catalogue of frames exchanged with the ZR48. Byte 0 is the frame type (odd: a request
// from the host, even: the unit's reply, request type + 1), byte 1 the window id of the sector
// viewer and infrared scope (0 elsewhere), then the type's fields; 16-bit numbers are big-endian.
//
// Each frame type has a record, a builder (`encode`) and a parser (`decode...`). A parser reads a
// byte beyond the frame's length as 0, so a short reply never shows stale or foreign bytes.

#include "base/CardSector.h"
#include "base/Text.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zr48 {

enum class FrameType : std::uint8_t {
    SectorRead = 1,
    SectorData = 2,
    SectorWrite = 3,
    SectorWriteAck = 4,
    BootStart = 5,
    BootReady = 6,
    BootBlock = 7,
    BootBlockAck = 8,
    KeepAlive = 9,
    KeepAliveReply = 10,
    VersionRequest = 11,
    VersionReply = 12,
    IrCaptureStart = 13,
    IrCaptureStarted = 14,
    IrCaptureQuery = 15,
    IrCaptureStatus = 16,
    IrDataRead = 17,
    IrData = 18,
    DisplayRead = 19,
    DisplayData = 20,
};

// The catalogue name of a frame type ("SectorRead"); null for a byte that is no frame type.
const char* frameTypeName(std::uint8_t type);

inline constexpr std::size_t kBootBlockSize = 256;
inline constexpr std::size_t kIrBlockSize = 512;
inline constexpr std::size_t kDisplayPageSize = 128;
inline constexpr int kDisplayPages = 10;

// A received payload as the parsers see it: bytes at or beyond its length read as 0.
class FrameView {
public:
    FrameView(const std::uint8_t* payload, std::size_t length) : payload_(payload), length_(payload ? length : 0) {}
    explicit FrameView(std::span<const std::uint8_t> payload) : FrameView(payload.data(), payload.size()) {}

    std::size_t length() const { return length_; }
    bool empty() const { return length_ == 0; }
    std::uint8_t byte(std::size_t offset) const { return offset < length_ ? payload_[offset] : 0; }
    std::uint16_t be16(std::size_t offset) const
    {
        return static_cast<std::uint16_t>((byte(offset) << 8) | byte(offset + 1));
    }
    // Copies `out.size()` bytes from `offset`, zero where the frame ends early.
    void copy(std::size_t offset, std::span<std::uint8_t> out) const;

    // Byte 0 as a type; 0 for an empty frame.
    std::uint8_t type() const { return byte(0); }
    bool is(FrameType t) const { return type() == static_cast<std::uint8_t>(t); }
    std::uint8_t windowId() const { return byte(1); }

private:
    const std::uint8_t* payload_;
    std::size_t length_;
};

struct SectorReadFrame {
    std::uint8_t windowId = 0;
    std::uint16_t sector = 0;
};
struct SectorDataFrame {
    std::uint8_t windowId = 0;
    std::uint16_t sector = 0;
    Sector data{};
};
struct SectorWriteFrame {
    std::uint16_t sector = 0;
    Sector data{};
};
struct SectorWriteAckFrame {
    std::uint8_t windowId = 0;
    std::uint16_t sector = 0;
};
struct BootStartFrame {};
struct BootReadyFrame {
    std::uint8_t windowId = 0;
    std::uint16_t count = 0; // the progress bar's maximum
};
struct BootBlockFrame {
    std::uint16_t block = 0;
    std::array<std::uint8_t, kBootBlockSize> data{};
};
struct BootBlockAckFrame {
    std::uint8_t windowId = 0;
    std::uint16_t block = 0;
};
struct KeepAliveFrame {};
struct KeepAliveReplyFrame {};
struct VersionRequestFrame {};
struct VersionReplyFrame {
    std::uint8_t windowId = 0;
    Text version; // up to the zero byte, or to the end of the frame without one
};
struct IrCaptureStartFrame {
    std::uint8_t windowId = 0;
};
struct IrCaptureStartedFrame {
    std::uint8_t windowId = 0;
};
struct IrCaptureQueryFrame {
    std::uint8_t windowId = 0;
};
struct IrCaptureStatusFrame {
    std::uint8_t windowId = 0;
    std::uint16_t capturedBytes = 0; // 0 while the capture runs
};
struct IrDataReadFrame {
    std::uint8_t windowId = 0;
    std::uint16_t offset = 0; // a multiple of 512
};
struct IrDataFrame {
    std::uint8_t windowId = 0;
    std::uint16_t offset = 0;
    std::array<std::uint8_t, kIrBlockSize> data{};
};
struct DisplayReadFrame {
    std::uint8_t page = 0; // 0 to 9
};
struct DisplayDataFrame {
    std::uint8_t windowId = 0;
    std::uint8_t page = 0;
    std::array<std::uint8_t, kDisplayPageSize> data{};
};

// Builders: the exact payload of each frame, with its catalogue length.
std::array<std::uint8_t, 4> encode(const SectorReadFrame& f);
std::array<std::uint8_t, 516> encode(const SectorDataFrame& f);
std::array<std::uint8_t, 516> encode(const SectorWriteFrame& f);
std::array<std::uint8_t, 4> encode(const SectorWriteAckFrame& f);
std::array<std::uint8_t, 2> encode(const BootStartFrame& f);
std::array<std::uint8_t, 4> encode(const BootReadyFrame& f);
std::array<std::uint8_t, 260> encode(const BootBlockFrame& f);
std::array<std::uint8_t, 4> encode(const BootBlockAckFrame& f);
std::array<std::uint8_t, 2> encode(const KeepAliveFrame& f);
std::array<std::uint8_t, 2> encode(const KeepAliveReplyFrame& f);
std::array<std::uint8_t, 2> encode(const VersionRequestFrame& f);
// Type, window id, the text and its terminating zero byte.
std::vector<std::uint8_t> encode(const VersionReplyFrame& f);
std::array<std::uint8_t, 2> encode(const IrCaptureStartFrame& f);
std::array<std::uint8_t, 2> encode(const IrCaptureStartedFrame& f);
std::array<std::uint8_t, 2> encode(const IrCaptureQueryFrame& f);
std::array<std::uint8_t, 4> encode(const IrCaptureStatusFrame& f);
std::array<std::uint8_t, 4> encode(const IrDataReadFrame& f);
std::array<std::uint8_t, 516> encode(const IrDataFrame& f);
std::array<std::uint8_t, 3> encode(const DisplayReadFrame& f);
std::array<std::uint8_t, 131> encode(const DisplayDataFrame& f);

// Parsers: they read the fields whatever byte 0 holds; the caller checks the type first.
SectorReadFrame decodeSectorRead(FrameView v);
SectorDataFrame decodeSectorData(FrameView v);
SectorWriteFrame decodeSectorWrite(FrameView v);
SectorWriteAckFrame decodeSectorWriteAck(FrameView v);
BootReadyFrame decodeBootReady(FrameView v);
BootBlockFrame decodeBootBlock(FrameView v);
BootBlockAckFrame decodeBootBlockAck(FrameView v);
VersionReplyFrame decodeVersionReply(FrameView v);
IrCaptureStartFrame decodeIrCaptureStart(FrameView v);
IrCaptureStartedFrame decodeIrCaptureStarted(FrameView v);
IrCaptureQueryFrame decodeIrCaptureQuery(FrameView v);
IrCaptureStatusFrame decodeIrCaptureStatus(FrameView v);
IrDataReadFrame decodeIrDataRead(FrameView v);
IrDataFrame decodeIrData(FrameView v);
DisplayReadFrame decodeDisplayRead(FrameView v);
DisplayDataFrame decodeDisplayData(FrameView v);

} // namespace zr48
