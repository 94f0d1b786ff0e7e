#pragma once
// The settings dialog's and the directory chooser's rules, free of Qt.

#include "base/Text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr48 {

struct SerialPortInfo;
struct FtdiDeviceInfo;

// A tolerance as its spin box shows it: a whole number is taken, anything else (an empty text
// included) stands for 1.
std::int32_t percentFromText(std::string_view text);

// Where the chooser opens for a start path: its directory part, everything before the last
// separator ("D:\P\" opens D:\P, "D:\P\x" opens D:\P as well); empty when there is none.
std::string chooserStartDirectory(std::string_view startPath);
// The chooser's answer: the chosen directory with a separator at its end.
std::string chosenDirectory(std::string_view directory);

// One entry of the dialog's link list: what it shows, and the link target it stands for.
struct LinkEntry {
    std::string label;
    std::string target;
};
inline constexpr const char* kSimulatorTarget = "sim";
// The serial servers on the network, with host and port given beside the list.
inline constexpr const char* kTcpTarget = "tcp";
inline constexpr const char* kRfc2217Target = "rfc2217";
bool isNetworkEntry(const LinkEntry& entry);

// The link list and what in it the stored link selects.
struct LinkSelection {
    std::vector<LinkEntry> entries;
    std::size_t selected = 0;
    // The simulator's card file, of a stored sim:CARDFILE.
    std::string cardFile;
    // The server's host and port, of a stored tcp:HOST:PORT or rfc2217:HOST:PORT.
    std::string host;
    std::string port;
};

// Automatic first, then every serial device and every ZR48 FTDI converter that `zr48 list` finds,
// then the simulator. A ZR48 converter with a USB serial number is named by it (serial:SN,
// ftdi:SN), which holds when it is plugged elsewhere; another serial device by its path (a
// /dev/zr48-N link of the udev rule before its tty). A stored link that no entry stands for (a
// converter unplugged now, a path typed by hand) stays in the list as an entry of its own, so OK
// keeps it.
LinkSelection linkSelection(const std::vector<SerialPortInfo>& ports, const std::vector<FtdiDeviceInfo>& ftdi,
                            const std::string& stored);
// What OK stores for an entry: the simulator with its card file, when one is given, as an absolute
// path (a relative one is taken from the current folder); a serial server with its host and port.
std::string linkTarget(const LinkEntry& entry, std::string_view cardFile, std::string_view host = {},
                       std::string_view port = {});

// The link the running program uses, as the dialog tells it.
struct RunningLink {
    std::string target;  // as --link takes it: "sim:/home/u/card.zr48"
    std::string givenBy; // "--link" or "ZR48_LINK" when the start named it; empty: the stored choice
    std::string problem; // why the link cannot be used, as its driver says ("in use by ..."); empty: none
};
// The note under the link choice: why the running program's link cannot be used, which link it runs
// on when the start named one, and when the choice here is taken.
std::string linkNote(const RunningLink& running);

} // namespace zr48
