#pragma once
// The wire format of the link, the same in both directions: 5C 00, the payload with every 5C
// sent as 5C 02, then 5C 01. There is no length field and no checksum.

#include <cstddef>
#include <cstdint>
#include <span>

namespace zr48 {

inline constexpr std::uint8_t kFrameEscape = 0x5C;
inline constexpr std::uint8_t kFrameStart = 0x00;
inline constexpr std::uint8_t kFrameEnd = 0x01;
inline constexpr std::uint8_t kFrameEscapedEscape = 0x02;

// The receive buffer; bytes beyond it are dropped, the frame is still delivered.
inline constexpr std::size_t kMaxPayload = 528;
// The largest wire frame: every payload byte escaped, plus the two markers.
inline constexpr std::size_t kMaxWireFrame = 2 * kMaxPayload + 4;

// Writes the wire frame of `payload` (at most kMaxPayload bytes) into `out`, which holds at least
// 2 × payload size + 4 bytes, and returns its length.
std::size_t stuffFrame(std::span<const std::uint8_t> payload, std::uint8_t* out);

// Collects payloads from wire bytes. One collector serves one receive thread: a new open starts
// with an empty one, so bytes of one open never mix with a frame of another.
class FrameCollector {
public:
    // Takes one byte; true when it was an end marker, and then `frame()` holds the payload.
    // Only a start marker empties the buffer, so two end markers deliver the same content twice,
    // and a lost start marker appends the next payload to the previous one.
    bool push(std::uint8_t byte)
    {
        if (byte == kFrameEscape) {
            // Also when already set: 5C 5C 02 yields one 5C.
            escape_ = true;
            return false;
        }
        if (!escape_) {
            append(byte);
            return false;
        }
        escape_ = false;
        switch (byte) {
        case kFrameStart: length_ = 0; return false;
        case kFrameEnd: return true;
        case kFrameEscapedEscape: append(kFrameEscape); return false;
        default: return false; // an unknown escape vanishes with its 5C
        }
    }

    // The payload collected so far.
    std::span<const std::uint8_t> frame() const { return {buffer_, length_}; }

    // Takes the bytes in order; each end marker delivers the buffer with its current length.
    template <typename OnFrame>
    void feed(std::span<const std::uint8_t> bytes, OnFrame&& onFrame)
    {
        for (const std::uint8_t byte : bytes)
            if (push(byte))
                onFrame(buffer_, length_);
    }

    std::size_t length() const { return length_; }
    bool escapePending() const { return escape_; }

private:
    void append(std::uint8_t byte)
    {
        if (length_ < kMaxPayload)
            buffer_[length_++] = byte;
    }

    std::uint8_t buffer_[kMaxPayload] = {};
    std::size_t length_ = 0;
    bool escape_ = false;
};

} // namespace zr48
