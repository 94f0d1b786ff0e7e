#pragma once
// The ways of reaching the unit as the link uses them: a transport (open, read, write, wait,
// close, the reason of a failure), a serial line for those that have one, and the converter's
// D2XX-shaped driver, so that every driver is interchangeable behind the link.
//
// Threads: `waitReadable` is called by the receive thread while the user-interface thread may
// read, write, open or close; every driver keeps that call safe. All other calls come from the
// user-interface thread only.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zr48 {

// D2XX status codes (FT_STATUS).
using FtStatus = std::uint32_t;
inline constexpr FtStatus FT_OK = 0;
inline constexpr FtStatus FT_INVALID_HANDLE = 1;
inline constexpr FtStatus FT_DEVICE_NOT_FOUND = 2;
inline constexpr FtStatus FT_DEVICE_NOT_OPENED = 3;
inline constexpr FtStatus FT_IO_ERROR = 4;
inline constexpr FtStatus FT_INSUFFICIENT_RESOURCES = 5;
inline constexpr FtStatus FT_INVALID_PARAMETER = 6;
inline constexpr FtStatus FT_INVALID_BAUD_RATE = 7;
inline constexpr FtStatus FT_NOT_SUPPORTED = 17;
inline constexpr FtStatus FT_OTHER_ERROR = 18;

// FT_SetDataCharacteristics values.
inline constexpr std::uint8_t FT_BITS_8 = 8;
inline constexpr std::uint8_t FT_STOP_BITS_1 = 0;
inline constexpr std::uint8_t FT_PARITY_NONE = 0;
// FT_SetFlowControl value.
inline constexpr std::uint16_t FT_FLOW_NONE = 0;

// The USB description of the ZR48's converter.
inline constexpr const char* kZr48Description = "KELDO ZR48-USB Link";

// Why the last open or line setting failed, beyond its status code; empty when the driver knows
// no more. `reason` is a few words for the status bar ("Permission denied"), `help` names the
// device and says how to get access, for a message or the terminal.
struct FtFailure {
    std::string reason;
    std::string help;
    // Another program holds the device: `help` says which ("the ZR48 on ... is in use by ...").
    bool inUse = false;
};

// What every way of reaching the unit offers the link, whatever carries the bytes (a serial
// device, libftdi1, a network connection, the simulator). A failed open returns a status code
// (FT_DEVICE_NOT_FOUND while there is nothing to open) and says in `lastFailure` what went wrong,
// naming the device or host.
class SerialLine;
class LinkTransport {
public:
    virtual ~LinkTransport() = default;

    // Opens the way to the unit; FT_OK or why not.
    virtual FtStatus open() = 0;
    // Bytes ready to read (0 when closed).
    virtual std::size_t queuedBytes() = 0;
    // At most n bytes; returns how many.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t n) = 0;
    // The result is not needed; nothing happens while closed.
    virtual void write(const std::uint8_t* bytes, std::size_t n) = 0;
    // True once bytes are ready, false after `timeoutMs` without any. Never returns at once on an
    // idle or closed transport, so a waiting thread does not spin.
    virtual bool waitReadable(int timeoutMs) = 0;
    virtual void close() = 0;
    // What went wrong in the last failed open, when the status code does not say it all.
    virtual FtFailure lastFailure() const { return {}; }
    // The line settings of a transport that has a serial line to set; null for one whose line is
    // set elsewhere (a raw network connection: on the server).
    virtual SerialLine* serialLine() { return nullptr; }
};

// What a serial line adds: its speed, format, flow control and how long short replies are held.
class SerialLine {
public:
    virtual ~SerialLine() = default;
    virtual FtStatus setBaudRate(std::uint32_t baud) = 0;
    virtual FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus setFlowControl(std::uint16_t flow) = 0;
    // Beyond the D2XX minimum: how long the converter holds back a short reply.
    virtual FtStatus setLatencyTimer(std::uint8_t ms) = 0;
};

// The converter as the D2XX calls see it: a transport opened by its USB description, with a
// serial line.
class FtDriver : public LinkTransport, public SerialLine {
public:
    // FT_OpenEx by description.
    virtual FtStatus openByDescription(const std::string& description) = 0;
    FtStatus open() final { return openByDescription(kZr48Description); }
    SerialLine* serialLine() final { return this; }
};

} // namespace zr48
