#pragma once
// What the simulated unit shows and captures: its display (a menu with the USB icon in the
// top-left corner) and a remote-control signal as its infrared receiver samples it.

#include <array>
#include <cstdint>
#include <vector>

namespace zr48 {

inline constexpr int kDisplayWidth = 120;
inline constexpr int kDisplayHeight = 80;
// Ten pages of 128 columns; byte c of page p holds column c of rows 8p to 8p+7, bit 0 on top.
using DisplayMemory = std::array<std::uint8_t, 10 * 128>;

// The setup menu: a title, four entries with the second one selected, and the USB icon that the
// unit shows while the link is up, inside the 18 × 18 pixels of the top-left corner.
DisplayMemory menuPicture();
bool displayPixel(const DisplayMemory& memory, int x, int y);

// The receiver's samples at 1,782,000 per second, sample n in bit n mod 8 of byte n / 8: a
// NEC-style code (9 ms leader, 4.5 ms space, 32 bits of address, inverted address, command and
// inverted command, least significant bit first, each a 562 µs mark followed by 562 µs for 0 or
// 1,687 µs for 1, then a closing mark). A mark is the 38 kHz carrier at about one-third duty.
inline constexpr double kIrSampleRate = 1782000.0;
std::vector<std::uint8_t> necCapture(std::uint8_t address, std::uint8_t command);

} // namespace zr48
