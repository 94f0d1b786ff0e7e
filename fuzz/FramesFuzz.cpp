// The frame collector and the frame parsers on any wire bytes: frames come out the same however
// the bytes are split into reads; every collected payload survives stuffing and collecting again;
// and each parser's record, built again, gives the payload's own bytes (zero where it ends early).

#include "FuzzSupport.h"

#include "link/Frames.h"
#include "link/Framing.h"

#include <algorithm>
#include <functional>
#include <vector>

using namespace zr48;

namespace {

using Payload = std::vector<std::uint8_t>;

std::vector<Payload> collect(FrameCollector& collector, std::span<const std::uint8_t> bytes)
{
    std::vector<Payload> frames;
    collector.feed(bytes, [&](const std::uint8_t* payload, std::size_t length) {
        FUZZ_CHECK(length <= kMaxPayload, "a payload past the buffer");
        frames.emplace_back(payload, payload + length);
    });
    return frames;
}

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    char digits[4];
    for (std::uint8_t b : bytes.first(std::min<std::size_t>(bytes.size(), 40))) {
        std::snprintf(digits, sizeof digits, "%02X ", b);
        text += digits;
    }
    return text;
}

template <typename Encoded>
Payload bytesOf(const Encoded& encoded)
{
    return Payload(encoded.begin(), encoded.end());
}

struct Codec {
    FrameType type;
    bool windowId; // byte 1 is a field of the record (else the builder writes 0)
    std::function<Payload(FrameView)> rebuild;
};

const Codec kCodecs[] = {
    {FrameType::SectorRead, true, [](FrameView v) { return bytesOf(encode(decodeSectorRead(v))); }},
    {FrameType::SectorData, true, [](FrameView v) { return bytesOf(encode(decodeSectorData(v))); }},
    {FrameType::SectorWrite, false, [](FrameView v) { return bytesOf(encode(decodeSectorWrite(v))); }},
    {FrameType::SectorWriteAck, true, [](FrameView v) { return bytesOf(encode(decodeSectorWriteAck(v))); }},
    {FrameType::BootReady, true, [](FrameView v) { return bytesOf(encode(decodeBootReady(v))); }},
    {FrameType::BootBlock, false, [](FrameView v) { return bytesOf(encode(decodeBootBlock(v))); }},
    {FrameType::BootBlockAck, true, [](FrameView v) { return bytesOf(encode(decodeBootBlockAck(v))); }},
    {FrameType::IrCaptureStart, true, [](FrameView v) { return bytesOf(encode(decodeIrCaptureStart(v))); }},
    {FrameType::IrCaptureStarted, true, [](FrameView v) { return bytesOf(encode(decodeIrCaptureStarted(v))); }},
    {FrameType::IrCaptureQuery, true, [](FrameView v) { return bytesOf(encode(decodeIrCaptureQuery(v))); }},
    {FrameType::IrCaptureStatus, true, [](FrameView v) { return bytesOf(encode(decodeIrCaptureStatus(v))); }},
    {FrameType::IrDataRead, true, [](FrameView v) { return bytesOf(encode(decodeIrDataRead(v))); }},
    {FrameType::IrData, true, [](FrameView v) { return bytesOf(encode(decodeIrData(v))); }},
    {FrameType::DisplayRead, false, [](FrameView v) { return bytesOf(encode(decodeDisplayRead(v))); }},
    {FrameType::DisplayData, true, [](FrameView v) { return bytesOf(encode(decodeDisplayData(v))); }},
};

void checkParsers(const Payload& payload)
{
    const FrameView view(payload);
    for (const Codec& codec : kCodecs) {
        const Payload rebuilt = codec.rebuild(view);
        Payload expected(rebuilt.size(), 0);
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = view.byte(i);
        expected[0] = static_cast<std::uint8_t>(codec.type);
        if (!codec.windowId)
            expected[1] = 0;
        FUZZ_CHECK(rebuilt == expected, "type " + std::to_string(static_cast<int>(codec.type)) + " from " +
                                            hex(payload) + "rebuilt as " + hex(rebuilt));
    }
    // The version text runs to its zero byte or to the end of the frame.
    const Payload version = encode(decodeVersionReply(view));
    Payload expected = {static_cast<std::uint8_t>(FrameType::VersionReply), view.byte(1)};
    for (std::size_t i = 2; i < payload.size() && payload[i] != 0; ++i)
        expected.push_back(payload[i]);
    expected.push_back(0);
    FUZZ_CHECK(version == expected, "version reply from " + hex(payload));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // Byte 0 chooses the read sizes; the rest is the wire.
    const std::size_t step = data[0] % 17 + 1;
    const std::span<const std::uint8_t> wire(data + 1, size - 1);

    FrameCollector whole;
    const std::vector<Payload> frames = collect(whole, wire);
    FrameCollector pieces;
    std::vector<Payload> pieceFrames;
    for (std::size_t at = 0; at < wire.size(); at += step) {
        const auto more = collect(pieces, wire.subspan(at, std::min(step, wire.size() - at)));
        pieceFrames.insert(pieceFrames.end(), more.begin(), more.end());
    }
    FUZZ_CHECK(frames == pieceFrames, "the read size changed the frames");
    FUZZ_CHECK(whole.length() == pieces.length() && whole.escapePending() == pieces.escapePending(),
               "the read size changed the collector's state");

    std::uint8_t stuffed[kMaxWireFrame];
    std::size_t parsed = 0;
    for (const Payload& payload : frames) {
        const std::size_t length = stuffFrame(payload, stuffed);
        FUZZ_CHECK(length <= 2 * payload.size() + 4, "a stuffed frame longer than its bound");
        FrameCollector again;
        const auto back = collect(again, std::span<const std::uint8_t>(stuffed, length));
        FUZZ_CHECK(back.size() == 1 && back[0] == payload, "stuffing lost the payload " + hex(payload));
        // Every parser on a few frames of each input: a run of end markers repeats one frame many times.
        if (parsed++ < 8)
            checkParsers(payload);
    }
    // The wire itself as one payload, cut to the buffer.
    checkParsers(Payload(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(std::min(wire.size(), kMaxPayload))));
    return 0;
}
