#pragma once
// A converter under the test's control: it records what the link writes, hands out the bytes the
// test queues, and answers each call with the status the test sets.

#include "link/FtDriver.h"
#include "link/UsbZR48.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <memory>
#include <vector>

namespace zr48::test {

class FakeDriver : public FtDriver {
public:
    FtStatus openResult = FT_OK;
    FtStatus baudResult = FT_OK;
    FtFailure failure; // what a failed open says beyond its code
    bool open = false;
    int opens = 0;
    int closes = 0;
    std::vector<std::uint8_t> written;
    std::deque<std::uint8_t> incoming;

    void queue(std::initializer_list<std::uint8_t> bytes) { incoming.insert(incoming.end(), bytes); }
    void queue(const std::vector<std::uint8_t>& bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }

    FtStatus openByDescription(const std::string& description) override
    {
        ++opens;
        lastDescription = description;
        open = openResult == FT_OK;
        return openResult;
    }
    FtStatus setBaudRate(std::uint32_t rate) override
    {
        baud = rate;
        return baudResult;
    }
    FtStatus setDataCharacteristics(std::uint8_t bits, std::uint8_t stop, std::uint8_t par) override
    {
        dataBits = bits;
        stopBits = stop;
        parity = par;
        return FT_OK;
    }
    FtStatus setFlowControl(std::uint16_t flow) override
    {
        flowControl = flow;
        return FT_OK;
    }
    FtStatus setLatencyTimer(std::uint8_t ms) override
    {
        latency = ms;
        return FT_OK;
    }
    std::size_t queuedBytes() override { return open ? incoming.size() : 0; }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override
    {
        std::size_t i = 0;
        for (; i < n && !incoming.empty(); ++i) {
            buffer[i] = incoming.front();
            incoming.pop_front();
        }
        return i;
    }
    void write(const std::uint8_t* bytes, std::size_t n) override
    {
        if (!open)
            return;
        written.insert(written.end(), bytes, bytes + n);
        static constexpr std::uint8_t kKeepAlive[] = {0x5C, 0, 9, 0, 0x5C, 1};
        if (answerKeepAlives && std::equal(bytes, bytes + n, std::begin(kKeepAlive), std::end(kKeepAlive)))
            queue({0x5C, 0, 10, 0, 0x5C, 1});
    }
    bool waitReadable(int) override { return !incoming.empty(); }
    void close() override
    {
        ++closes;
        open = false;
    }
    FtFailure lastFailure() const override { return failure; }

    std::string lastDescription;
    std::uint32_t baud = 0;
    int dataBits = -1;
    int stopBits = -1;
    int parity = -1;
    int flowControl = -1;
    int latency = 0;
    // A unit on the line: each keep-alive gets its reply at once.
    bool answerKeepAlives = false;
};

// Receive threads whose turns the test runs by hand.
class ManualRxThreads : public RxThreadHost {
public:
    struct Started {
        std::shared_ptr<TZR48USBRxThread> thread;
        Turn turn;
    };
    std::vector<Started> started;

    void start(std::shared_ptr<TZR48USBRxThread> thread, LinkTransport&, Turn turn) override
    {
        started.push_back({std::move(thread), std::move(turn)});
    }
    void turn(std::size_t index) { started.at(index).turn(*started.at(index).thread); }
    void turnLatest() { turn(started.size() - 1); }
};

} // namespace zr48::test
