#pragma once
// The unit's serial port served over the network, by a serial server next to the unit: as a raw
// TCP byte stream (the server sets the line), or with Telnet COM-port control, which sets the
// line on the server as the serial driver sets it locally. A connection that drops is like an
// unplugged converter: reads return nothing, and the link's reopen connects again.

#include "link/FtDriver.h"
#include "link/Telnet.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace zr48 {

class NetworkDriver : public LinkTransport, private SerialLine {
public:
    enum class Protocol { Raw, ComPortControl };
    // How long a connection may take before the open gives up.
    static constexpr int kConnectTimeoutMs = 3000;

    NetworkDriver(std::string host, std::uint16_t port, Protocol protocol);
    ~NetworkDriver() override;

    FtStatus open() override;
    std::size_t queuedBytes() override;
    std::size_t read(std::uint8_t* buffer, std::size_t n) override;
    void write(const std::uint8_t* bytes, std::size_t n) override;
    bool waitReadable(int timeoutMs) override;
    void close() override;
    FtFailure lastFailure() const override { return failure_; }
    SerialLine* serialLine() override { return protocol_ == Protocol::ComPortControl ? this : nullptr; }

    // "HOST:PORT", IPv6 addresses in brackets.
    std::string address() const;

private:
    FtStatus setBaudRate(std::uint32_t baud) override;
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits, std::uint8_t parity) override;
    FtStatus setFlowControl(std::uint16_t flow) override;
    FtStatus setLatencyTimer(std::uint8_t) override { return FT_OK; }

    FtStatus fail(const std::string& reason, const std::string& help);
    void sendRaw(const std::uint8_t* bytes, std::size_t n);
    void receive(); // moves what the socket holds into `data_`
    void lost();    // the connection dropped

    std::string host_;
    std::uint16_t port_;
    Protocol protocol_;
    std::atomic<int> fd_{-1};
    FtFailure failure_;
    TelnetCodec telnet_;
    std::vector<std::uint8_t> data_; // received data not yet read
    std::vector<std::uint8_t> encoded_;
};

} // namespace zr48
