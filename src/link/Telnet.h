#pragma once
// The Telnet layer of a serial port served over the network with COM-port control: data bytes
// 0xFF travel doubled, commands (IAC ...) are taken out of the received stream and answered, and
// the line's settings go to the server as COM-PORT-OPTION subnegotiations. Free of any I/O: bytes
// in, bytes out.

#include <cstdint>
#include <vector>

namespace zr48 {

namespace telnet {
inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPort = 44;
// COM-PORT-OPTION commands from the client; the server answers each plus 100.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
} // namespace telnet

class TelnetCodec {
public:
    // What a client says first: it will speak COM-PORT-OPTION and binary both ways, without
    // go-aheads.
    static std::vector<std::uint8_t> greeting();
    // Data bytes as they go on the connection (0xFF doubled), appended to `out`.
    static void encode(const std::uint8_t* bytes, std::size_t n, std::vector<std::uint8_t>& out);
    // A COM-PORT-OPTION command with its value bytes (big-endian numbers, 0xFF doubled).
    static std::vector<std::uint8_t> comPortCommand(std::uint8_t command, const std::vector<std::uint8_t>& value);

    // Takes received bytes: the data among them are appended to `data`, what must be answered to
    // the server's requests to `replies`. Commands may be split across calls.
    void decode(const std::uint8_t* bytes, std::size_t n, std::vector<std::uint8_t>& data,
                std::vector<std::uint8_t>& replies);
    // Forgets a command half received (a new connection).
    void reset() { state_ = State::Data; }

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    State state_ = State::Data;
    std::uint8_t verb_ = 0;
};

} // namespace zr48
