// The simulator as a separate process on a pseudo-terminal, reached through the tty driver over a
// real file descriptor, in real time. Every wait is bounded and generous; nothing depends on how
// fast the machine is.

#include "support/Platform.h"

#include <gtest/gtest.h>

#ifdef _WIN32
namespace zr48 {
namespace {

TEST(PtyTest, RunsTheSimulatorOnAPseudoTerminal)
{
    ZR48_POSIX_ONLY("the simulator's own process runs on a pseudo-terminal");
}

} // namespace
} // namespace zr48
#else
#include "base/FileIo.h"
#include "link/FirmwareImage.h"
#include "link/Frames.h"
#include "link/UsbZR48.h"
#include "link/drivers/RealTimeLoop.h"
#include "link/drivers/SerialDriver.h"
#include "support/TempDir.h"

#include <csignal>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zr48 {
namespace {

// zr48-sim --pty running as a child process; stopped with SIGTERM at the end.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& extra)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<std::string> args{ZR48_SIM_PROGRAM, "--pty"};
            args.insert(args.end(), extra.begin(), extra.end());
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ::close(out[1]);
        // The first line is the terminal's path.
        std::string line;
        pollfd p{out[0], POLLIN, 0};
        char c;
        while (poll(&p, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            line.push_back(c);
        ::close(out[0]);
        path_ = line;
    }
    ~SimProcess() { stop(); }

    const std::string& path() const { return path_; }
    // Stops the unit and returns its exit status.
    int stop()
    {
        if (pid_ <= 0)
            return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    std::string path_;
};

using Bytes = std::vector<std::uint8_t>;

TEST(SimulatorOnPty, ALinkOnTheTtyDriverTalksToIt)
{
    test::TempDir dir;
    const Text cardFile = dir.text("card.zr48");
    SimProcess sim({"--card", cardFile, "--latency", "1"});
    ASSERT_EQ(sim.path().rfind("/dev/pts/", 0), 0u) << sim.path();

    RealTimeLoop loop;
    SerialDriver driver{std::filesystem::path(sim.path())};
    TimerRxThreadHost threads(loop);
    Text status;
    TUsbZR48 link(loop, driver, threads, [&](const Text& t) { status = t; });
    ASSERT_EQ(link.LastStatus(), FT_OK);
    std::vector<Bytes> frames;
    link.SetFrameHandler([&](const std::uint8_t* p, int n) {
        if (p)
            frames.emplace_back(p, p + n);
    });
    auto exchange = [&](std::span<const std::uint8_t> request, FrameType type) -> std::optional<Bytes> {
        frames.clear();
        link.Send(request);
        std::optional<Bytes> reply;
        loop.runUntil(
            [&] {
                for (const Bytes& f : frames)
                    if (FrameView(f).is(type))
                        reply = f;
                return reply.has_value();
            },
            5000);
        return reply;
    };

    ASSERT_TRUE(loop.runUntil([&] { return link.Connected(); }, 5000));
    const auto version = exchange(encode(VersionRequestFrame{}), FrameType::VersionReply);
    ASSERT_TRUE(version);
    // A new unit runs the firmware shipped with the programs.
    EXPECT_EQ(decodeVersionReply(FrameView(*version)).version, firmwareFileVersion(ZR48_FIRMWARE_IMAGE));

    Sector data;
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i ^ 0x5C);
    ASSERT_TRUE(exchange(encode(SectorWriteFrame{77, data}), FrameType::SectorWriteAck));
    const auto read = exchange(encode(SectorReadFrame{9, 77}), FrameType::SectorData);
    ASSERT_TRUE(read);
    EXPECT_EQ(decodeSectorData(FrameView(*read)).data, data);
    EXPECT_EQ(decodeSectorData(FrameView(*read)).windowId, 9);

    // Stopped, the unit leaves its card behind.
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(readFileBytes(cardFile).size(), 514u);
}

} // namespace
} // namespace zr48
#endif
