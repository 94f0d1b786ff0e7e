#pragma once
// The converter as a Windows COM port (Win32 API; built on Windows only). By description it takes
// the serial port whose device Windows describes so (the USB product string the bus reported,
// the device description or the friendly name, found through SetupAPI) and opens the COM port
// named in the device's registry key; with an explicit port ("COM3") it opens that one. The line
// is set binary, without flow control; reads never wait, the receive event is WaitCommEvent's.

#include "link/FtDriver.h"
#include "link/drivers/ComPortLookup.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace zr48 {

class ComPortDriver : public FtDriver {
public:
    // Finds the port by its device's description; with a serial number, of the unit whose USB
    // converter has that one.
    explicit ComPortDriver(std::string serialNumber = {});
    // A port by its name ("COM3", "\\.\COM12").
    struct Port {
        std::string name;
    };
    explicit ComPortDriver(Port port);
    ~ComPortDriver() override;
    ComPortDriver(const ComPortDriver&) = delete;
    ComPortDriver& operator=(const ComPortDriver&) = delete;

    FtStatus openByDescription(const std::string& description) override;
    FtStatus setBaudRate(std::uint32_t baud) override;
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override;
    FtStatus setFlowControl(std::uint16_t flow) override;
    FtStatus setLatencyTimer(std::uint8_t ms) override;
    std::size_t queuedBytes() override;
    std::size_t read(std::uint8_t* buffer, std::size_t n) override;
    void write(const std::uint8_t* bytes, std::size_t n) override;
    bool waitReadable(int timeoutMs) override;
    void close() override;
    FtFailure lastFailure() const override { return failure_; }

    // The serial ports Windows knows of now, with their descriptions.
    static std::vector<ComPortDevice> presentPorts();

private:
    std::string serialNumber_;
    std::optional<std::string> explicitPort_;
    FtFailure failure_;
    std::atomic<void*> handle_; // the port's HANDLE; INVALID_HANDLE_VALUE while closed
    void* waitEvent_;           // the receive thread's event for WaitCommEvent
};

} // namespace zr48
