#pragma once
// The converter as the link uses it: the D2XX calls it needs, with D2XX status codes, so that
// the serial, libftdi1 and simulated drivers are interchangeable behind the link.
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

class FtDriver {
public:
    virtual ~FtDriver() = default;

    // FT_OpenEx by description.
    virtual FtStatus openByDescription(const std::string& description) = 0;
    virtual FtStatus setBaudRate(std::uint32_t baud) = 0;
    virtual FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus setFlowControl(std::uint16_t flow) = 0;
    // Beyond the D2XX minimum: how long the converter holds back a short reply.
    virtual FtStatus setLatencyTimer(std::uint8_t ms) = 0;
    // FT_GetStatus: bytes in the receive queue (0 when closed).
    virtual std::size_t queuedBytes() = 0;
    // FT_Read: at most n bytes; returns how many.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t n) = 0;
    // FT_Write: the result is not needed; nothing happens while closed.
    virtual void write(const std::uint8_t* bytes, std::size_t n) = 0;
    // The receive event: true once bytes are queued, false after `timeoutMs` without any.
    // Never returns at once on an idle or closed device, so a waiting thread does not spin.
    virtual bool waitReadable(int timeoutMs) = 0;
    // FT_Close.
    virtual void close() = 0;
    // What went wrong in the last failed open, when the status code does not say it all.
    virtual FtFailure lastFailure() const { return {}; }
};

} // namespace zr48
