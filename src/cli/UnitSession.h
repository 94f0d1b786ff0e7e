#pragma once
// What every device command needs: the link chosen by --link, its timers, the frame dispatcher the
// tools register with, and a way to let time pass until something is done. In real time the loop
// waits for the unit's bytes between timers; with a simulated unit in virtual time (tests) it
// jumps from timer to timer.

#include "base/Timer.h"
#include "base/VirtualClock.h"
#include "cli/Cli.h"
#include "cli/ProgressBar.h"
#include "cli/WireTrace.h"
#include "link/FrameDispatcher.h"
#include "link/SendFunction.h"
#include "link/UsbZR48.h"
#include "link/drivers/LinkDrivers.h"
#include "link/drivers/RealTimeLoop.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>

namespace zr48::cli {

// What a session says on standard error besides its messages: with verbose 1, how the unit is
// reached and what the link does; with 2, every frame too (a wire trace).
struct SessionLog {
    std::ostream* err = nullptr;
    int verbose = 0;
};

class UnitSession {
public:
    static constexpr int kConnectWaitMs = 3000;

    // Throws zr48::Error when the link cannot be made (for instance a simulator card file that
    // cannot be read). The link opens at once; frames go to `dispatcher()`. Serial devices are
    // looked for in `folders`.
    // With `waitForLink`, a link that another program holds is waited for (the reason said once on
    // `log.err`); otherwise the constructor throws LinkInUse for a simulator's card in use, and
    // `connect` fails.
    UnitSession(const LinkTarget& target, bool virtualTime, const SerialSystemFolders& folders = {},
                SessionLog log = {}, bool waitForLink = false);
    ~UnitSession();
    UnitSession(const UnitSession&) = delete;
    UnitSession& operator=(const UnitSession&) = delete;

    TimerFactory& timers() { return *timers_; }
    TUsbZR48& link() { return *link_; }
    // What the tools send through: the link's Send.
    SendFunction sender()
    {
        return [this](std::span<const std::uint8_t> payload) { link_->Send(payload); };
    }
    FrameDispatcher& dispatcher() { return dispatcher_; }
    // The simulated unit behind `sim`, otherwise null.
    SimulatedUnit* simulated() { return driver_->simulated(); }
    const std::string& description() const { return driver_->description(); }

    // Runs timers and receive turns until `done` holds or `limitMs` have passed.
    bool runUntil(const std::function<bool()>& done, int limitMs);
    // Seconds since the session began, on the session's clock.
    double elapsedSeconds() const;

    // Waits up to 3 s for the unit to answer (first, when told to wait, for another program to let
    // the link go). On failure writes "no ZR48 found: ..." or "the ZR48 on ... is in use by ..."
    // to `err`.
    bool connect(std::ostream& err);

    // Called with the simulated unit when the session ends.
    std::function<void(SimulatedUnit&)> onSimulatedUnitDone;

private:
    // The link's status text every 100 ms; with -v, each change of state is said.
    void statusChanged(const Text& status);
    void say(const std::string& line);

    // Another program holds the device: the last open was refused for that.
    bool linkInUse() const;
    void sayWaiting(const std::string& inUse);

    SessionLog log_;
    bool waitForLink_ = false;
    std::string lastState_;
    std::optional<RealTimeLoop> realTime_;
    std::optional<VirtualClock> virtualTime_;
    TimerFactory* timers_ = nullptr;
    std::unique_ptr<LinkDriver> driver_;
    std::unique_ptr<TracingDriver> tracing_; // with -vv, between the link and the driver
    std::unique_ptr<TimerRxThreadHost> threads_;
    std::unique_ptr<TUsbZR48> link_;
    FrameDispatcher dispatcher_;
};

// Hands a tool's frames to the link and takes the dispatcher's receiver back when the command
// ends, so that no frame reaches a tool that is gone.
class DialogReceiver {
public:
    DialogReceiver(FrameDispatcher& dispatcher, FrameDispatcher::Dialog dialog, FrameDispatcher::Receiver receiver)
        : dispatcher_(dispatcher), dialog_(dialog)
    {
        dispatcher_.setDialogReceiver(dialog_, std::move(receiver));
    }
    ~DialogReceiver() { dispatcher_.setDialogReceiver(dialog_, {}); }
    DialogReceiver(const DialogReceiver&) = delete;
    DialogReceiver& operator=(const DialogReceiver&) = delete;

private:
    FrameDispatcher& dispatcher_;
    FrameDispatcher::Dialog dialog_;
};

// Lets time pass while `running` holds; every tool ends by itself (its watchdog gives up).
void runWhile(UnitSession& session, const std::function<bool()>& running);

// "zr48: no ZR48 found: STATUS (looked for HOW)", then the advice on the link's last failure.
void reportNoUnit(std::ostream& err, TUsbZR48& link, const std::string& how);

// The session of a device command: parses --link (a wrong one is a usage error) and makes the
// session. Null, with `exitCode` set and the reason on standard error, when it cannot.
std::unique_ptr<UnitSession> openUnitSession(Context& context, int& exitCode);

// The session of a device command with the unit connected; null with `exitCode` set otherwise.
std::unique_ptr<UnitSession> connectedSession(Context& context, int& exitCode);

// How a device command draws its progress bars, by its options and standard error.
ProgressBar::Mode barMode(const Context& context);

} // namespace zr48::cli
