// zr48-sim: the simulated ZR48 as a separate unit on a pseudo-terminal. It prints the terminal's
// path, then answers there until it is stopped (Ctrl+C, SIGTERM), so that
// `zr48 --link tty:PATH ...` and `zr48pm --link tty:PATH` talk to it over a real file descriptor.

#include "base/DataDir.h"
#include "base/Text.h"
#include "base/Version.h"
#include "link/drivers/DeviceLock.h"
#include "link/drivers/RealTimeLoop.h"
#include "sim/SimCommandLine.h"
#include "sim/ZR48Simulator.h"

#include <csignal>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t unplugToggles = 0;

void requestStop(int)
{
    stopRequested = 1;
}

void toggleUnplug(int)
{
    unplugToggles = unplugToggles + 1;
}

// A host holds the terminal's advisory lock for as long as it keeps the terminal in exclusive
// mode. Exclusive mode without the lock was left by a host that ended without closing the
// terminal properly; since this end keeps the terminal open, the mode would outlive it and shut
// out every later host, so it is ended here.
void endOrphanedExclusiveMode(int slave)
{
    int exclusive = 0;
    if (ioctl(slave, TIOCGEXCL, &exclusive) != 0 || !exclusive || flock(slave, LOCK_EX | LOCK_NB) != 0)
        return;
    ioctl(slave, TIOCNXCL);
    flock(slave, LOCK_UN);
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace zr48;
    const SimCommandLine line = parseSimCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::cout << formatProgramHelp(simProgram());
        return 0;
    }
    if (line.version) {
        std::cout << "zr48-sim " << kVersion << "\n";
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << "zr48-sim: " << line.error << "; see 'zr48-sim --help'\n";
        return 64;
    }
    const std::string& cardFile = line.cardFile;
    SimOptions options = line.options;
    // A new unit runs the firmware shipped with the programs: a first start finds it up to date.
    options.version = shippedFirmwareVersion(dataDir());

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::cerr << "zr48-sim: cannot create a pseudo-terminal\n";
        return 1;
    }
    const std::string slavePath = ptsname(master);
    // Holding the other end open keeps the terminal alive while hosts come and go, and raw mode
    // keeps the line discipline from echoing or translating bytes before a host sets it.
    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (slave < 0 || tcgetattr(slave, &t) != 0) {
        std::cerr << "zr48-sim: cannot open " << slavePath << "\n";
        return 1;
    }
    cfmakeraw(&t);
    cfsetspeed(&t, B230400);
    tcsetattr(slave, TCSANOW, &t);

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGUSR1, toggleUnplug);

    try {
        RealTimeLoop loop;
        std::unique_ptr<CardLock> cardLock;
        if (!cardFile.empty())
            cardLock = std::make_unique<CardLock>(cardFile, nullptr);
        SimCard card(cardFile);
        ZR48Simulator unit(
            loop, [&loop] { return loop.nowUs(); }, card, options);
        std::deque<std::uint8_t> pending;
        auto flush = [&] {
            while (!pending.empty()) {
                std::uint8_t chunk[4096];
                const std::size_t n = std::min(pending.size(), sizeof chunk);
                std::copy_n(pending.begin(), n, chunk);
                const ssize_t put = write(master, chunk, n);
                if (put <= 0)
                    return;
                pending.erase(pending.begin(), pending.begin() + put);
            }
        };
        unit.onOutput = [&] {
            std::uint8_t chunk[4096];
            while (const std::size_t n = unit.hostRead(chunk, sizeof chunk))
                pending.insert(pending.end(), chunk, chunk + n);
            flush();
        };

        std::cout << slavePath << std::endl;
        std::cerr << "zr48-sim: a ZR48 answers on " << slavePath << " (firmware " << toUtf8(unit.version())
                  << "); Ctrl+C stops it\n";
        int togglesSeen = 0;
        while (!stopRequested) {
            for (; togglesSeen < unplugToggles; ++togglesSeen) {
                if (unit.plugged())
                    unit.unplug();
                else
                    unit.replug();
                std::cerr << "zr48-sim: " << (unit.plugged() ? "plugged in" : "unplugged") << "\n";
            }
            endOrphanedExclusiveMode(slave);
            const int waitMs = loop.fireDue(50);
            pollfd p{master, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
            if (poll(&p, 1, waitMs) > 0) {
                if (p.revents & POLLIN) {
                    std::uint8_t bytes[4096];
                    const ssize_t got = read(master, bytes, sizeof bytes);
                    if (got > 0)
                        unit.hostWrite(bytes, static_cast<std::size_t>(got));
                }
                if (p.revents & POLLOUT)
                    flush();
            }
        }
    } catch (const LinkInUse& e) {
        std::cerr << "zr48-sim: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "zr48-sim: " << e.what() << "\n";
        return 1;
    }
    close(slave);
    close(master);
    return 0;
}
