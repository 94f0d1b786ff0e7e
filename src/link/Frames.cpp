#include "link/Frames.h"

#include "base/ByteOrder.h"

#include <algorithm>
#include <iterator>

namespace zr48 {

const char* frameTypeName(std::uint8_t type)
{
    // Indexed by type; kept in the order of FrameType.
    static constexpr const char* kNames[] = {
        nullptr,        "SectorRead",     "SectorData",       "SectorWrite",    "SectorWriteAck",  "BootStart",
        "BootReady",    "BootBlock",      "BootBlockAck",     "KeepAlive",      "KeepAliveReply",  "VersionRequest",
        "VersionReply", "IrCaptureStart", "IrCaptureStarted", "IrCaptureQuery", "IrCaptureStatus", "IrDataRead",
        "IrData",       "DisplayRead",    "DisplayData",
    };
    return type < std::size(kNames) ? kNames[type] : nullptr;
}

void FrameView::copy(std::size_t offset, std::span<std::uint8_t> out) const
{
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = byte(offset + i);
}

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> header(FrameType type, std::uint8_t windowId)
{
    std::array<std::uint8_t, N> p{};
    p[0] = static_cast<std::uint8_t>(type);
    p[1] = windowId;
    return p;
}

template <std::size_t N>
std::array<std::uint8_t, N> numbered(FrameType type, std::uint8_t windowId, std::uint16_t number)
{
    auto p = header<N>(type, windowId);
    writeBe16(p.data() + 2, number);
    return p;
}

} // namespace

std::array<std::uint8_t, 4> encode(const SectorReadFrame& f)
{
    return numbered<4>(FrameType::SectorRead, f.windowId, f.sector);
}
std::array<std::uint8_t, 516> encode(const SectorDataFrame& f)
{
    auto p = numbered<516>(FrameType::SectorData, f.windowId, f.sector);
    std::copy(f.data.begin(), f.data.end(), p.begin() + 4);
    return p;
}
std::array<std::uint8_t, 516> encode(const SectorWriteFrame& f)
{
    auto p = numbered<516>(FrameType::SectorWrite, 0, f.sector);
    std::copy(f.data.begin(), f.data.end(), p.begin() + 4);
    return p;
}
std::array<std::uint8_t, 4> encode(const SectorWriteAckFrame& f)
{
    return numbered<4>(FrameType::SectorWriteAck, f.windowId, f.sector);
}
std::array<std::uint8_t, 2> encode(const BootStartFrame&)
{
    return header<2>(FrameType::BootStart, 0);
}
std::array<std::uint8_t, 4> encode(const BootReadyFrame& f)
{
    return numbered<4>(FrameType::BootReady, f.windowId, f.count);
}
std::array<std::uint8_t, 260> encode(const BootBlockFrame& f)
{
    auto p = numbered<260>(FrameType::BootBlock, 0, f.block);
    std::copy(f.data.begin(), f.data.end(), p.begin() + 4);
    return p;
}
std::array<std::uint8_t, 4> encode(const BootBlockAckFrame& f)
{
    return numbered<4>(FrameType::BootBlockAck, f.windowId, f.block);
}
std::array<std::uint8_t, 2> encode(const KeepAliveFrame&)
{
    return header<2>(FrameType::KeepAlive, 0);
}
std::array<std::uint8_t, 2> encode(const KeepAliveReplyFrame&)
{
    return header<2>(FrameType::KeepAliveReply, 0);
}
std::array<std::uint8_t, 2> encode(const VersionRequestFrame&)
{
    return header<2>(FrameType::VersionRequest, 0);
}
std::vector<std::uint8_t> encode(const VersionReplyFrame& f)
{
    std::vector<std::uint8_t> p(f.version.size() + 3, 0);
    p[0] = static_cast<std::uint8_t>(FrameType::VersionReply);
    p[1] = f.windowId;
    std::transform(f.version.begin(), f.version.end(), p.begin() + 2,
                   [](char c) { return static_cast<std::uint8_t>(c); });
    return p;
}
std::array<std::uint8_t, 2> encode(const IrCaptureStartFrame& f)
{
    return header<2>(FrameType::IrCaptureStart, f.windowId);
}
std::array<std::uint8_t, 2> encode(const IrCaptureStartedFrame& f)
{
    return header<2>(FrameType::IrCaptureStarted, f.windowId);
}
std::array<std::uint8_t, 2> encode(const IrCaptureQueryFrame& f)
{
    return header<2>(FrameType::IrCaptureQuery, f.windowId);
}
std::array<std::uint8_t, 4> encode(const IrCaptureStatusFrame& f)
{
    return numbered<4>(FrameType::IrCaptureStatus, f.windowId, f.capturedBytes);
}
std::array<std::uint8_t, 4> encode(const IrDataReadFrame& f)
{
    return numbered<4>(FrameType::IrDataRead, f.windowId, f.offset);
}
std::array<std::uint8_t, 516> encode(const IrDataFrame& f)
{
    auto p = numbered<516>(FrameType::IrData, f.windowId, f.offset);
    std::copy(f.data.begin(), f.data.end(), p.begin() + 4);
    return p;
}
std::array<std::uint8_t, 3> encode(const DisplayReadFrame& f)
{
    auto p = header<3>(FrameType::DisplayRead, 0);
    p[2] = f.page;
    return p;
}
std::array<std::uint8_t, 131> encode(const DisplayDataFrame& f)
{
    auto p = header<131>(FrameType::DisplayData, f.windowId);
    p[2] = f.page;
    std::copy(f.data.begin(), f.data.end(), p.begin() + 3);
    return p;
}

SectorReadFrame decodeSectorRead(FrameView v)
{
    return {v.windowId(), v.be16(2)};
}
SectorDataFrame decodeSectorData(FrameView v)
{
    SectorDataFrame f{v.windowId(), v.be16(2), {}};
    v.copy(4, f.data);
    return f;
}
SectorWriteFrame decodeSectorWrite(FrameView v)
{
    SectorWriteFrame f{v.be16(2), {}};
    v.copy(4, f.data);
    return f;
}
SectorWriteAckFrame decodeSectorWriteAck(FrameView v)
{
    return {v.windowId(), v.be16(2)};
}
BootReadyFrame decodeBootReady(FrameView v)
{
    return {v.windowId(), v.be16(2)};
}
BootBlockFrame decodeBootBlock(FrameView v)
{
    BootBlockFrame f{v.be16(2), {}};
    v.copy(4, f.data);
    return f;
}
BootBlockAckFrame decodeBootBlockAck(FrameView v)
{
    return {v.windowId(), v.be16(2)};
}
VersionReplyFrame decodeVersionReply(FrameView v)
{
    VersionReplyFrame f{v.windowId(), {}};
    for (std::size_t i = 2; i < v.length() && v.byte(i) != 0; ++i)
        f.version.push_back(static_cast<char>(v.byte(i)));
    return f;
}
IrCaptureStartFrame decodeIrCaptureStart(FrameView v)
{
    return {v.windowId()};
}
IrCaptureStartedFrame decodeIrCaptureStarted(FrameView v)
{
    return {v.windowId()};
}
IrCaptureQueryFrame decodeIrCaptureQuery(FrameView v)
{
    return {v.windowId()};
}
IrCaptureStatusFrame decodeIrCaptureStatus(FrameView v)
{
    return {v.windowId(), v.be16(2)};
}
IrDataReadFrame decodeIrDataRead(FrameView v)
{
    return {v.windowId(), v.be16(2)};
}
IrDataFrame decodeIrData(FrameView v)
{
    IrDataFrame f{v.windowId(), v.be16(2), {}};
    v.copy(4, f.data);
    return f;
}
DisplayReadFrame decodeDisplayRead(FrameView v)
{
    return {v.byte(2)};
}
DisplayDataFrame decodeDisplayData(FrameView v)
{
    DisplayDataFrame f{v.windowId(), v.byte(2), {}};
    v.copy(3, f.data);
    return f;
}

} // namespace zr48
