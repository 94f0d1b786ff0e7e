#include "sim/SimPictures.h"

#include <cmath>
#include <string_view>

namespace zr48 {

namespace {

struct Glyph {
    char c;
    const char* rows[7];
};

// 5 × 7 letters for the menu texts.
constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

// The USB symbol, 16 × 16.
constexpr const char* kUsbIcon[16] = {
    ".......#........", "......###.......", ".....#####......", ".......#........",
    ".......#....##..", "..##...#....##..", "..##...#....#...", "...#...#....#...",
    "...#...#...#....", "....#..#..#.....", ".....#.#.#......", "......###.......",
    ".......#........", "......###.......", "......###.......", ".......#........",
};

void setPixel(DisplayMemory& m, int x, int y, bool dark)
{
    if (x < 0 || x >= kDisplayWidth || y < 0 || y >= kDisplayHeight)
        return;
    std::uint8_t& byte = m[static_cast<std::size_t>((y / 8) * 128 + x)];
    const auto bit = static_cast<std::uint8_t>(1u << (y % 8));
    byte = dark ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

void drawText(DisplayMemory& m, int x, int y, std::string_view text, bool dark)
{
    for (const char c : text) {
        for (const Glyph& g : kFont) {
            if (g.c != c)
                continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g.rows[row][col] == '#')
                        setPixel(m, x + col, y + row, dark);
        }
        x += 6;
    }
}

} // namespace

bool displayPixel(const DisplayMemory& memory, int x, int y)
{
    return (memory[static_cast<std::size_t>((y / 8) * 128 + x)] >> (y % 8)) & 1;
}

DisplayMemory menuPicture()
{
    DisplayMemory m{};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            setPixel(m, x + 1, y + 1, kUsbIcon[y][x] == '#');
    drawText(m, 46, 5, "ZR48", true);
    for (int x = 20; x < kDisplayWidth; ++x)
        setPixel(m, x, 15, true);
    const std::string_view entries[] = {"PROJECT", "DEVICES", "SETUP", "USB LINK"};
    for (int i = 0; i < 4; ++i) {
        const int y = 21 + i * 14;
        const bool selected = i == 1;
        if (selected)
            for (int yy = y - 2; yy < y + 9; ++yy)
                for (int x = 4; x < 116; ++x)
                    setPixel(m, x, yy, true);
        drawText(m, 10, y, entries[i], !selected);
    }
    return m;
}

std::vector<std::uint8_t> necCapture(std::uint8_t address, std::uint8_t command)
{
    // Marks and spaces in microseconds, starting with a space of quiet before the leader.
    std::vector<std::pair<bool, double>> parts{{false, 1000.0}, {true, 9000.0}, {false, 4500.0}};
    const std::uint8_t bytes[4] = {address, static_cast<std::uint8_t>(~address), command,
                                   static_cast<std::uint8_t>(~command)};
    for (const std::uint8_t byte : bytes)
        for (int bit = 0; bit < 8; ++bit) {
            parts.push_back({true, 562.0});
            parts.push_back({false, (byte >> bit) & 1 ? 1687.0 : 562.0});
        }
    parts.push_back({true, 562.0});
    parts.push_back({false, 3000.0});

    double totalUs = 0;
    for (const auto& p : parts)
        totalUs += p.second;
    const auto samples = static_cast<std::size_t>(totalUs * kIrSampleRate / 1e6);
    std::vector<std::uint8_t> capture((samples + 7) / 8, 0);

    constexpr double kCarrierPeriodUs = 1e6 / 38000.0;
    constexpr double kDuty = 1.0 / 3.0;
    double startUs = 0;
    for (const auto& [mark, us] : parts) {
        if (mark) {
            const auto first = static_cast<std::size_t>(std::ceil(startUs * kIrSampleRate / 1e6));
            const auto end = static_cast<std::size_t>((startUs + us) * kIrSampleRate / 1e6);
            for (std::size_t n = first; n < end && n < samples; ++n) {
                const double t = static_cast<double>(n) / kIrSampleRate * 1e6 - startUs;
                if (std::fmod(t, kCarrierPeriodUs) < kCarrierPeriodUs * kDuty)
                    capture[n / 8] |= static_cast<std::uint8_t>(1u << (n % 8));
            }
        }
        startUs += us;
    }
    return capture;
}

} // namespace zr48
