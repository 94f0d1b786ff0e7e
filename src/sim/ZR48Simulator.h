#pragma once
// A software ZR48, sans I/O: wire bytes from the host go in (`hostWrite`), wire bytes to the host
// come out (`hostRead`), in virtual or real time as the timers and the time source given to it run.
// It answers every request of the frame catalogue as a unit does, with the timing of the line
// (10 bits per byte at 230,400 baud each way), of the converter's latency timer and of its card,
// and with seeded, reproducible faults.

#include "base/Text.h"
#include "base/Timer.h"
#include "link/Frames.h"
#include "link/Framing.h"
#include "sim/SimCard.h"
#include "sim/SimPictures.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <vector>

namespace zr48 {

struct SimFaults {
    std::uint32_t seed = 1;
    double dropRate = 0;      // share of requests left unanswered, 0 to 1
    int dropEveryNth = 0;     // every Nth request unanswered (0: none)
    double corruptRate = 0;   // share of replies with one payload byte changed
    double replyLossRate = 0; // share of replies lost on the way back (the request was carried out)
    int extraDelayMs = 0;     // added to every reply
    bool silent = false;      // answers nothing at all
};

struct SimOptions {
    std::uint16_t bootReadyCount = 480;
    // IrCaptureQuery answers with 0 (still capturing) this many times before the count.
    int irQueriesWhileCapturing = 3;
    // The capture to hand out; empty: a synthesized remote-control code.
    std::vector<std::uint8_t> irCapture;
    // What the firmware reports while the card keeps no version of its own (a unit as it comes);
    // after an update, the version of the image programmed, which the card keeps.
    Text version = "R48+1.20 SIM";
    // Firmware of this version installed now, an older unit for instance: reported, and kept on
    // the card, from now on.
    std::optional<Text> installedVersion;
    int latencyMs = 16; // the converter's latency timer until the host sets it
    SimFaults faults;
};

class ZR48Simulator {
public:
    static constexpr std::size_t kFlashSize = 131072;
    static constexpr int kBootBlocks = 480;
    static constexpr std::int64_t kByteUs10 = 434; // one byte on the line, in tenths of µs
    static constexpr int kSectorWriteUs = 2000;
    static constexpr int kCardSaveDelayMs = 500;

    // `nowUs` tells the current time in microseconds (virtual or real, matching `timers`).
    ZR48Simulator(TimerFactory& timers, std::function<std::int64_t()> nowUs, SimCard& card, SimOptions options = {});
    // Saves the card when it has a file and changed.
    ~ZR48Simulator();
    ZR48Simulator(const ZR48Simulator&) = delete;
    ZR48Simulator& operator=(const ZR48Simulator&) = delete;

    // Bytes the host writes; lost while unplugged.
    void hostWrite(const std::uint8_t* bytes, std::size_t n);
    std::size_t hostAvailable() const { return output_.size(); }
    std::size_t hostRead(std::uint8_t* buffer, std::size_t n);
    // Called when bytes for the host have arrived.
    std::function<void()> onOutput;

    void setLatencyMs(int ms) { latencyMs_ = ms; }
    int latencyMs() const { return latencyMs_; }

    // Fault injection.
    SimFaults& faults() { return options_.faults; }
    void unplug();
    void replug();
    bool plugged() const { return plugged_; }
    // Changes with every unplug: an open made before it is dead.
    std::uint64_t plugGeneration() const { return plugGeneration_; }

    // What the unit holds, for tests and the demo.
    SimCard& card() { return card_; }
    const std::vector<std::uint8_t>& flash() const { return flash_; }
    const Text& version() const { return version_; }
    bool inBootLoader() const { return bootLoader_; }
    std::uint64_t requestsReceived() const { return requests_; }
    // What the receiver sees at the next capture (another key of the remote control); empty: the
    // synthesized remote-control code.
    void setIrCapture(std::vector<std::uint8_t> capture);

private:
    struct Event {
        std::int64_t dueUs;
        std::function<void()> work;
    };

    void schedule(std::int64_t dueUs, std::function<void()> work);
    void runDue();
    void armTimer();
    void handleRequest(FrameView request, std::int64_t arrivedUs);
    void reply(std::span<const std::uint8_t> payload, std::int64_t readyUs);
    bool dropThisRequest();

    TimerFactory& timers_;
    std::function<std::int64_t()> nowUs_;
    SimCard& card_;
    SimOptions options_;
    std::mt19937 random_;
    std::unique_ptr<Timer> eventTimer_;
    std::unique_ptr<Timer> saveTimer_;
    std::multimap<std::int64_t, std::function<void()>> events_;
    FrameCollector collector_;
    std::deque<std::uint8_t> output_;
    std::int64_t hostLineFreeUs_ = 0; // host to unit
    std::int64_t unitLineFreeUs_ = 0; // unit to host
    std::int64_t cardFreeUs_ = 0;
    int latencyMs_;
    bool plugged_ = true;
    std::uint64_t plugGeneration_ = 0;
    std::uint64_t requests_ = 0;
    std::vector<std::uint8_t> flash_;
    Text version_;
    bool bootLoader_ = false;
    bool bootLoaderEnding_ = false; // the last block is programmed; no other request came since
    DisplayMemory display_;
    std::vector<std::uint8_t> irCapture_;
    int irQueriesLeft_ = -1; // -1: no capture started
};

// The version a simulated unit reports while its card keeps none: that of the firmware file shipped
// with the programs below `dataDir`, so that the unit of a first start is up to date; the built-in
// one when that file holds no version.
Text shippedFirmwareVersion(const Path& dataDir);

} // namespace zr48
