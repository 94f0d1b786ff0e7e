#include "link/Telnet.h"

namespace zr48 {

using namespace telnet;

std::vector<std::uint8_t> TelnetCodec::greeting()
{
    return {kIac, kWill, kComPort,         kIac, kWill, kBinary,         kIac, kDo, kBinary,
            kIac, kWill, kSuppressGoAhead, kIac, kDo,   kSuppressGoAhead};
}

void TelnetCodec::encode(const std::uint8_t* bytes, std::size_t n, std::vector<std::uint8_t>& out)
{
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kIac)
            out.push_back(kIac);
    }
}

std::vector<std::uint8_t> TelnetCodec::comPortCommand(std::uint8_t command, const std::vector<std::uint8_t>& value)
{
    std::vector<std::uint8_t> out{kIac, kSb, kComPort, command};
    encode(value.data(), value.size(), out);
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

namespace {

// The options this client speaks: whatever else the server asks for is refused.
bool weSpeak(std::uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

bool serverMaySpeak(std::uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead;
}

} // namespace

void TelnetCodec::decode(const std::uint8_t* bytes, std::size_t n, std::vector<std::uint8_t>& data,
                         std::vector<std::uint8_t>& replies)
{
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Iac;
            else
                data.push_back(b);
            break;
        case State::Iac:
            if (b == kIac) {
                data.push_back(kIac);
                state_ = State::Data;
            } else if (b >= kWill && b <= kDont) {
                verb_ = b;
                state_ = State::Option;
            } else {
                state_ = b == kSb ? State::Sub : State::Data; // other commands carry nothing
            }
            break;
        case State::Option:
            // What the greeting offered or asked for needs no answer: the server agrees to it.
            // Anything else is refused; refusals are not answered.
            if (verb_ == kDo && !weSpeak(b))
                replies.insert(replies.end(), {kIac, kWont, b});
            else if (verb_ == kWill && !serverMaySpeak(b))
                replies.insert(replies.end(), {kIac, kDont, b});
            state_ = State::Data;
            break;
        case State::Sub: // the server's answers to the line settings: taken, not needed
            if (b == kIac)
                state_ = State::SubIac;
            break;
        case State::SubIac: state_ = b == kSe ? State::Data : State::Sub; break;
        }
    }
}

} // namespace zr48
