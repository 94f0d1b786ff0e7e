#include "base/Error.h"
#include "base/FileIo.h"
#include "base/VirtualClock.h"
#include "link/Frames.h"
#include "link/UsbZR48.h"
#include "sim/SimulatedDriver.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace zr48 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The host side as the program wires it: a link on the simulated unit, in virtual time.
class SimulatedLink {
public:
    explicit SimulatedLink(const Text& cardFile = {}, SimOptions options = {})
        : sim(
              clock, [this] { return clock.now() * 1000; }, cardFile, std::move(options))
    {
        link.SetFrameHandler([this](const std::uint8_t* p, int n) {
            if (p)
                frames.emplace_back(p, p + n);
        });
    }

    bool connect()
    {
        return clock.advanceUntil([this] { return link.Connected(); }, 2900);
    }

    // Sends a request and waits up to `limitMs` for a reply of `type`; the reply, if any.
    std::optional<Bytes> exchange(std::span<const std::uint8_t> request, FrameType type, int limitMs = 500)
    {
        frames.clear();
        link.Send(request);
        std::optional<Bytes> reply;
        clock.advanceUntil(
            [&] {
                for (const Bytes& f : frames)
                    if (FrameView(f).is(type))
                        reply = f;
                return reply.has_value();
            },
            limitMs);
        return reply;
    }

    VirtualClock clock;
    SimulatedUnit sim;
    TimerRxThreadHost threads{clock};
    Text status;
    TUsbZR48 link{clock, sim.driver, threads, [this](const Text& t) { status = t; }};
    std::vector<Bytes> frames;
};

Sector patternSector(std::uint8_t seed)
{
    Sector s;
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint8_t>(seed + i * 7); // includes 0x5C, escaped on the wire
    return s;
}

TEST(Simulator, ConnectsThroughKeepAliveAndTellsItsVersion)
{
    SimulatedLink host;
    ASSERT_TRUE(host.connect());
    EXPECT_GE(host.clock.now(), 500); // the first keep-alive's reply made the connection
    const auto reply = host.exchange(encode(VersionRequestFrame{}), FrameType::VersionReply);
    ASSERT_TRUE(reply);
    EXPECT_EQ(decodeVersionReply(FrameView(*reply)).version, "R48+1.20 SIM");
    host.clock.advance(100);
    EXPECT_EQ(host.status.rfind("Connected (Rx:", 0), 0u) << host.status;
}

TEST(Simulator, StoresSectorsAndEchoesTheWindowId)
{
    SimulatedLink host;
    ASSERT_TRUE(host.connect());
    const Sector data = patternSector(3);
    const auto ack = host.exchange(encode(SectorWriteFrame{4321, data}), FrameType::SectorWriteAck);
    ASSERT_TRUE(ack);
    EXPECT_EQ(decodeSectorWriteAck(FrameView(*ack)).sector, 4321);
    const auto read = host.exchange(encode(SectorReadFrame{5, 4321}), FrameType::SectorData);
    ASSERT_TRUE(read);
    const auto sector = decodeSectorData(FrameView(*read));
    EXPECT_EQ(sector.windowId, 5);
    EXPECT_EQ(sector.sector, 4321);
    EXPECT_EQ(sector.data, data);
    const auto empty = host.exchange(encode(SectorReadFrame{0, 65535}), FrameType::SectorData);
    ASSERT_TRUE(empty);
    EXPECT_EQ(decodeSectorData(FrameView(*empty)).data, Sector{});
}

TEST(Simulator, KeepsItsCardInAFileBetweenRuns)
{
    test::TempDir dir;
    const Text cardFile = dir.text("card.zr48");
    {
        SimulatedLink host(cardFile);
        ASSERT_TRUE(host.connect());
        ASSERT_TRUE(host.exchange(encode(SectorWriteFrame{16, patternSector(1)}), FrameType::SectorWriteAck));
        host.clock.advance(600); // written out shortly after the last change
        EXPECT_EQ(readFileBytes(cardFile).size(), 514u);
        ASSERT_TRUE(host.exchange(encode(SectorWriteFrame{17, patternSector(2)}), FrameType::SectorWriteAck));
    } // and at the end
    SimulatedLink again(cardFile);
    ASSERT_TRUE(again.connect());
    const auto read = again.exchange(encode(SectorReadFrame{0, 17}), FrameType::SectorData);
    ASSERT_TRUE(read);
    EXPECT_EQ(decodeSectorData(FrameView(*read)).data, patternSector(2));

    const Text damaged = dir.write("damaged.zr48", "123");
    EXPECT_THROW(SimCard{damaged}, Error);
}

TEST(Simulator, ACardFileThatCouldNeverBeSavedIsRefusedAtOnce)
{
    test::TempDir dir;
    // Any name: the card is kept where it was asked to be.
    const Path named = dir.text("Данные 💾/カード.zr48");
    std::filesystem::create_directories(toFsPath(extractFileDir(named)));
    {
        SimCard card(named);
        card.write(16, patternSector(1));
        card.save();
    }
    EXPECT_EQ(SimCard(named).read(16), patternSector(1));

    // A folder, or a folder that does not exist, would lose the card without a word.
    const struct {
        Path path;
        const char* says;
    } cases[] = {
        {dir.text("Данные 💾"), "is a folder"},
        {dir.text("nowhere/card.zr48"), "does not exist"},
    };
    for (const auto& c : cases) {
        try {
            SimCard card(c.path);
            ADD_FAILURE() << c.path << " taken as a card file";
        } catch (const Error& e) {
            EXPECT_NE(e.message().find("\"" + c.path + "\""), std::string::npos) << e.message();
            EXPECT_NE(e.message().find(c.says), std::string::npos) << e.message();
        }
    }
}

// A firmware image of 480 blocks whose version text is `version`.
std::vector<std::uint8_t> firmwareImage(const std::string& version)
{
    std::vector<std::uint8_t> image(480 * 256, 0x11);
    std::copy(version.begin(), version.end(), image.begin() + 90000);
    image[90000 + version.size()] = 0;
    return image;
}

// Programs `image` as the updater does: the boot loader, then every block acknowledged.
bool flash(SimulatedLink& host, const std::vector<std::uint8_t>& image)
{
    if (!host.exchange(encode(BootStartFrame{}), FrameType::BootReady))
        return false;
    for (std::uint16_t block = 0; block < 480; ++block) {
        BootBlockFrame frame{block, {}};
        std::copy_n(image.begin() + block * 256, 256, frame.data.begin());
        if (!host.exchange(encode(frame), FrameType::BootBlockAck))
            return false;
    }
    return true;
}

Text reportedVersion(SimulatedLink& host)
{
    const auto reply = host.exchange(encode(VersionRequestFrame{}), FrameType::VersionReply);
    return reply ? decodeVersionReply(FrameView(*reply)).version : Text("no reply");
}

TEST(Simulator, KeepsTheVersionOfItsFirmwareBesideItsCardBetweenRuns)
{
    test::TempDir dir;
    const Text cardFile = dir.text("card.zr48");
    SimOptions asShipped;
    asShipped.version = "R48+1.30 SHIPPED";
    SimOptions older = asShipped;
    older.installedVersion = "R48+1.10 OLD";
    const auto run = [&](const SimOptions& options, const std::function<void(SimulatedLink&)>& act = {}) {
        SimulatedLink host(cardFile, options);
        EXPECT_TRUE(host.connect());
        if (act)
            act(host);
        return reportedVersion(host);
    };
    // A new card: the firmware the unit comes with.
    EXPECT_EQ(run(asShipped), "R48+1.30 SHIPPED");
    EXPECT_FALSE(fileExists(cardFile + ".firmware"));
    // An update is there at the next start.
    EXPECT_EQ(run(asShipped, [](SimulatedLink& host) { ASSERT_TRUE(flash(host, firmwareImage("R48+1.33 NEW"))); }),
              "R48+1.33 NEW");
    EXPECT_EQ(run(asShipped), "R48+1.33 NEW");
    // An older unit asked for stays older until it is updated.
    EXPECT_EQ(run(older), "R48+1.10 OLD");
    EXPECT_EQ(run(asShipped), "R48+1.10 OLD");
    EXPECT_EQ(test::fileContents(cardFile + ".firmware"), "R48+1.10 OLD\n");
    // Without a card file nothing is kept.
    SimulatedLink alone({}, older);
    ASSERT_TRUE(alone.connect());
    EXPECT_EQ(reportedVersion(alone), "R48+1.10 OLD");
    SimulatedLink fresh({}, asShipped);
    ASSERT_TRUE(fresh.connect());
    EXPECT_EQ(reportedVersion(fresh), "R48+1.30 SHIPPED");
}

TEST(Simulator, ANewUnitRunsTheFirmwareShippedWithThePrograms)
{
    test::TempDir dir;
    struct Case {
        const char* what;
        std::optional<std::string> file; // Firmware/ZR48.BIN below the data folder
        Text version;
    };
    const Case cases[] = {
        {"the shipped file's version", std::string("\x11\x11R48+1.21 KELDO DEMO\0\x11", 23), "R48+1.21 KELDO DEMO"},
        {"a file without a version", std::string("no version here"), "R48+1.20 SIM"},
        {"no file", std::nullopt, "R48+1.20 SIM"},
    };
    for (const Case& c : cases) {
        test::TempDir data;
        if (c.file)
            data.write("Firmware/ZR48.BIN", *c.file);
        EXPECT_EQ(shippedFirmwareVersion(data.text()), c.version) << c.what;
    }
    EXPECT_EQ(shippedFirmwareVersion(""), "R48+1.20 SIM");
}

TEST(Simulator, ProgramsItsFlashThroughTheBootLoader)
{
    SimOptions options;
    options.bootReadyCount = 600;
    SimulatedLink host({}, options);
    ASSERT_TRUE(host.connect());
    const auto ready = host.exchange(encode(BootStartFrame{}), FrameType::BootReady);
    ASSERT_TRUE(ready);
    EXPECT_EQ(decodeBootReady(FrameView(*ready)).count, 600);

    std::vector<std::uint8_t> image(480 * 256, 0x11);
    const std::string older = "R48+1.10 OLD";
    const std::string newer = "R48+1.33 NEW";
    std::copy(older.begin(), older.end(), image.begin() + 1000);
    std::copy(newer.begin(), newer.end(), image.begin() + 90000);
    image[90000 + newer.size()] = 0;
    for (std::uint16_t block = 0; block < 480; ++block) {
        BootBlockFrame frame{block, {}};
        std::copy_n(image.begin() + block * 256, 256, frame.data.begin());
        const auto ack = host.exchange(encode(frame), FrameType::BootBlockAck);
        ASSERT_TRUE(ack) << block;
        ASSERT_EQ(decodeBootBlockAck(FrameView(*ack)).block, block);
        if (block < 479) {
            EXPECT_EQ(host.sim.unit.version(), "R48+1.20 SIM");
        }
    }
    EXPECT_EQ(host.sim.unit.version(), newer);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), host.sim.unit.flash().begin()));
    // The last block's acknowledgement may be lost: the block sent again is acknowledged again.
    BootBlockFrame last{479, {}};
    std::copy_n(image.begin() + 479 * 256, 256, last.data.begin());
    for (int again = 0; again < 2; ++again) {
        const auto ack = host.exchange(encode(last), FrameType::BootBlockAck);
        ASSERT_TRUE(ack) << again;
        EXPECT_EQ(decodeBootBlockAck(FrameView(*ack)).block, 479);
    }
    EXPECT_TRUE(std::equal(image.begin(), image.end(), host.sim.unit.flash().begin()));
    const auto version = host.exchange(encode(VersionRequestFrame{}), FrameType::VersionReply);
    ASSERT_TRUE(version);
    EXPECT_EQ(decodeVersionReply(FrameView(*version)).version, newer);
    // Outside the boot loader a block is not taken, the last one neither once the firmware runs.
    EXPECT_FALSE(host.exchange(encode(BootBlockFrame{0, {}}), FrameType::BootBlockAck, 200));
    EXPECT_FALSE(host.exchange(encode(last), FrameType::BootBlockAck, 200));
}

TEST(Simulator, ShowsAMenuWithTheUsbIconInTheCorner)
{
    SimulatedLink host;
    ASSERT_TRUE(host.connect());
    DisplayMemory shown{};
    for (std::uint8_t page = 0; page < 10; ++page) {
        const auto reply = host.exchange(encode(DisplayReadFrame{page}), FrameType::DisplayData);
        ASSERT_TRUE(reply) << int(page);
        const auto data = decodeDisplayData(FrameView(*reply));
        ASSERT_EQ(data.page, page);
        std::copy(data.data.begin(), data.data.end(), shown.begin() + page * 128);
    }
    EXPECT_FALSE(host.exchange(encode(DisplayReadFrame{10}), FrameType::DisplayData, 200));
    auto darkIn = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += displayPixel(shown, x, y);
        return n;
    };
    EXPECT_GT(darkIn(0, 0, 18, 18), 20);    // the icon
    EXPECT_EQ(darkIn(0, 18, 4, 80), 0);     // a clear left margin below it
    EXPECT_GT(darkIn(4, 30, 116, 44), 900); // the selected entry, drawn inverted
    EXPECT_GT(darkIn(20, 0, 120, 18), 40);  // the title and its rule
}

// Marks and spaces, in samples, of a capture: a mark ends after 52 zero samples in a row.
std::vector<std::pair<bool, int>> runsOf(const std::vector<std::uint8_t>& capture)
{
    std::vector<std::pair<bool, int>> runs;
    const int samples = static_cast<int>(capture.size() * 8);
    auto bit = [&](int n) { return (capture[static_cast<std::size_t>(n / 8)] >> (n % 8)) & 1; };
    int n = 0;
    while (n < samples && !bit(n))
        ++n;
    runs.push_back({false, n});
    while (n < samples) {
        const int start = n;
        int lastOne = n;
        while (n < samples && n - lastOne < 52) {
            if (bit(n))
                lastOne = n;
            ++n;
        }
        runs.push_back({true, lastOne + 1 - start});
        n = lastOne + 1;
        const int spaceStart = n;
        while (n < samples && !bit(n))
            ++n;
        runs.push_back({false, n - spaceStart});
    }
    return runs;
}

TEST(Simulator, CapturesARemoteControlCodeAfterAFewQueries)
{
    SimulatedLink host;
    ASSERT_TRUE(host.connect());
    ASSERT_TRUE(host.exchange(encode(IrCaptureStartFrame{3}), FrameType::IrCaptureStarted));
    int zeros = 0;
    std::uint16_t count = 0;
    while (count == 0 && zeros < 10) {
        const auto status = host.exchange(encode(IrCaptureQueryFrame{3}), FrameType::IrCaptureStatus);
        ASSERT_TRUE(status);
        EXPECT_EQ(FrameView(*status).windowId(), 3);
        count = decodeIrCaptureStatus(FrameView(*status)).capturedBytes;
        zeros += count == 0;
    }
    EXPECT_EQ(zeros, 3);
    std::vector<std::uint8_t> capture;
    for (std::uint16_t offset = 0; offset < count; offset += 512) {
        const auto block = host.exchange(encode(IrDataReadFrame{3, offset}), FrameType::IrData);
        ASSERT_TRUE(block);
        const auto data = decodeIrData(FrameView(*block));
        ASSERT_EQ(data.offset, offset);
        capture.insert(capture.end(), data.data.begin(), data.data.end());
    }
    capture.resize(count);

    // 1,782 samples per millisecond: leader 9 ms, space 4.5 ms, 32 bits, a closing mark.
    const auto runs = runsOf(capture);
    ASSERT_GE(runs.size(), 2u + 2 + 64 + 1);
    EXPECT_NEAR(runs[0].second, 1782, 30);
    EXPECT_NEAR(runs[1].second, 9 * 1782, 60);
    EXPECT_NEAR(runs[2].second, 4.5 * 1782, 60);
    std::uint32_t code = 0;
    for (int bit = 0; bit < 32; ++bit) {
        const auto mark = runs[3 + 2 * bit];
        const auto space = runs[4 + 2 * bit];
        ASSERT_TRUE(mark.first);
        EXPECT_NEAR(mark.second, 0.562 * 1782, 60) << bit;
        if (space.second > 1.2 * 1782)
            code |= 1u << bit;
    }
    // Address 4 and command 8, each followed by its inverse, least significant bit first.
    EXPECT_EQ(code, 0x04u | (0xFBu << 8) | (0x08u << 16) | (0xF7u << 24));
}

TEST(Simulator, HandsOutAGivenCaptureBlockByBlock)
{
    SimOptions options;
    options.irQueriesWhileCapturing = 0;
    for (int i = 0; i < 1000; ++i)
        options.irCapture.push_back(static_cast<std::uint8_t>(i % 251 + 1));
    SimulatedLink host({}, options);
    ASSERT_TRUE(host.connect());
    // No count before a capture was started.
    const auto before = host.exchange(encode(IrCaptureQueryFrame{1}), FrameType::IrCaptureStatus);
    ASSERT_TRUE(before);
    EXPECT_EQ(decodeIrCaptureStatus(FrameView(*before)).capturedBytes, 0);
    ASSERT_TRUE(host.exchange(encode(IrCaptureStartFrame{1}), FrameType::IrCaptureStarted));
    const auto status = host.exchange(encode(IrCaptureQueryFrame{1}), FrameType::IrCaptureStatus);
    ASSERT_TRUE(status);
    EXPECT_EQ(decodeIrCaptureStatus(FrameView(*status)).capturedBytes, 1000);
    const auto second = host.exchange(encode(IrDataReadFrame{1, 512}), FrameType::IrData);
    ASSERT_TRUE(second);
    const auto block = decodeIrData(FrameView(*second));
    EXPECT_EQ(block.data[0], 512 % 251 + 1);
    EXPECT_EQ(block.data[487], 999 % 251 + 1);
    EXPECT_EQ(block.data[488], 0); // beyond the capture

    // Another key: the next capture hands out other bytes.
    host.sim.unit.setIrCapture(std::vector<std::uint8_t>(600, 0x77));
    ASSERT_TRUE(host.exchange(encode(IrCaptureStartFrame{1}), FrameType::IrCaptureStarted));
    const auto next = host.exchange(encode(IrCaptureQueryFrame{1}), FrameType::IrCaptureStatus);
    ASSERT_TRUE(next);
    EXPECT_EQ(decodeIrCaptureStatus(FrameView(*next)).capturedBytes, 600);
    const auto first = host.exchange(encode(IrDataReadFrame{1, 0}), FrameType::IrData);
    ASSERT_TRUE(first);
    EXPECT_EQ(decodeIrData(FrameView(*first)).data[511], 0x77);
}

// The unit alone: wire bytes in, wire bytes out, timed in virtual time.
class UnitTest : public testing::Test {
protected:
    std::int64_t replyTimeMs(ZR48Simulator& unit, std::span<const std::uint8_t> payload)
    {
        std::uint8_t wire[kMaxWireFrame];
        const std::int64_t start = clock.now();
        unit.hostWrite(wire, stuffFrame(payload, wire));
        if (!clock.advanceUntil([&] { return unit.hostAvailable() > 0; }, 1000))
            return -1;
        std::vector<std::uint8_t> out(unit.hostAvailable());
        unit.hostRead(out.data(), out.size());
        return clock.now() - start;
    }
    VirtualClock clock;
    SimCard card;
    std::function<std::int64_t()> now = [this] { return clock.now() * 1000; };
};

TEST_F(UnitTest, RepliesTakeTheLineTheCardAndTheConverterLatency)
{
    ZR48Simulator unit(clock, now, card);
    // 516 bytes (+ escapes + markers) at 43.4 µs, 2 ms on the card, the ack, 16 ms latency.
    Sector plain{};
    plain.fill(1);
    const auto write = encode(SectorWriteFrame{1, plain});
    const std::int64_t slow = replyTimeMs(unit, write);
    EXPECT_GE(slow, 22 + 2 + 16);
    EXPECT_LE(slow, 22 + 2 + 16 + 2);
    unit.setLatencyMs(1);
    const std::int64_t fast = replyTimeMs(unit, write);
    EXPECT_EQ(slow - fast, 15);
}

TEST_F(UnitTest, FaultsAreSeededAndReproducible)
{
    auto answered = [&](SimFaults faults) {
        SimOptions options;
        options.faults = faults;
        ZR48Simulator unit(clock, now, card, options);
        std::vector<bool> result;
        for (int i = 0; i < 40; ++i)
            result.push_back(replyTimeMs(unit, encode(KeepAliveFrame{})) >= 0);
        return result;
    };
    SimFaults every3;
    every3.dropEveryNth = 3;
    const auto third = answered(every3);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(third[static_cast<std::size_t>(i)], (i + 1) % 3 != 0) << i;

    SimFaults random;
    random.seed = 42;
    random.dropRate = 0.3;
    const auto first = answered(random);
    EXPECT_EQ(answered(random), first);
    const auto dropped = std::count(first.begin(), first.end(), false);
    EXPECT_GT(dropped, 3);
    EXPECT_LT(dropped, 25);
    random.seed = 43;
    EXPECT_NE(answered(random), first);

    SimFaults silent;
    silent.silent = true;
    EXPECT_EQ(answered(silent), std::vector<bool>(40, false));
}

TEST_F(UnitTest, CorruptedAndDelayedReplies)
{
    SimOptions options;
    options.faults.corruptRate = 1.0;
    options.faults.extraDelayMs = 50;
    ZR48Simulator unit(clock, now, card, options);
    const std::int64_t start = clock.now();
    std::uint8_t wire[kMaxWireFrame];
    const auto request = encode(SectorReadFrame{0, 9});
    unit.hostWrite(wire, stuffFrame(request, wire));
    ASSERT_TRUE(clock.advanceUntil([&] { return unit.hostAvailable() > 0; }, 1000));
    EXPECT_GE(clock.now() - start, 50 + 16);
    std::vector<std::uint8_t> out(unit.hostAvailable());
    unit.hostRead(out.data(), out.size());
    FrameCollector collector;
    std::vector<std::uint8_t> reply;
    collector.feed(out, [&](const std::uint8_t* p, std::size_t n) { reply.assign(p, p + n); });
    ASSERT_EQ(reply.size(), 516u);
    std::vector<std::uint8_t> clean(516, 0);
    clean[0] = 2;
    clean[3] = 9;
    int differing = 0;
    for (std::size_t i = 0; i < reply.size(); ++i)
        differing += reply[i] != clean[i];
    EXPECT_EQ(differing, 1);
}

TEST(SimulatorUnplug, TheLinkDropsAndComesBack)
{
    SimulatedLink host;
    ASSERT_TRUE(host.connect());
    host.sim.unit.unplug();
    // The link notices only by silence: 3 s later it reopens and finds no converter.
    ASSERT_TRUE(host.clock.advanceUntil([&] { return host.status == "Not Connected"; }, 3200));
    EXPECT_FALSE(host.link.Connected());
    host.clock.advance(3000); // retried, still absent
    EXPECT_EQ(host.status, "Not Connected");
    host.sim.unit.replug();
    EXPECT_TRUE(host.clock.advanceUntil([&] { return host.link.Connected(); }, 3600));
    EXPECT_TRUE(host.exchange(encode(VersionRequestFrame{}), FrameType::VersionReply));
}

TEST(SimulatorLoss, ToolsRetriesGetThroughTenPercentLoss)
{
    SimOptions options;
    options.faults.dropRate = 0.1;
    options.faults.seed = 5;
    SimulatedLink host({}, options);
    ASSERT_TRUE(host.connect());
    int resends = 0;
    for (std::uint16_t sector = 100; sector < 200; ++sector) {
        std::optional<Bytes> ack;
        for (int tries = 0; tries < 10 && !ack; ++tries) {
            ack = host.exchange(encode(SectorWriteFrame{sector, patternSector(static_cast<std::uint8_t>(sector))}),
                                FrameType::SectorWriteAck, 200);
            resends += ack ? 0 : 1;
        }
        ASSERT_TRUE(ack) << sector;
    }
    EXPECT_GT(resends, 0);
    EXPECT_TRUE(host.link.Connected());
    EXPECT_EQ(host.sim.card.read(150), patternSector(150));
}

} // namespace
} // namespace zr48
