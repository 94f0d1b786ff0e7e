// The small rules of the settings dialog, the directory chooser, the about box, the Window menu
// and the recent files.

#include "desktop/main/AboutText.h"
#include "desktop/main/CommandLine.h"
#include "desktop/main/MdiLayout.h"
#include "desktop/main/OptionsRules.h"
#include "desktop/main/RecentFiles.h"
#include "link/drivers/ConverterList.h"

#include <gtest/gtest.h>

namespace zr48 {
namespace {

TEST(OptionsRules, ATolerenceThatIsNoWholeNumberStandsForOne)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {{"15", 15}, {" 20 ", 20}, {"0", 0},   {"100", 100}, {"+7", 7},
                 {"", 1},    {"abc", 1},   {"12x", 1}, {"1.5", 1},   {"-", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(percentFromText(c.text), c.value) << '"' << c.text << '"';
}

TEST(OptionsRules, TheChooserOpensTheDirectoryPartAndAnswersWithASeparator)
{
    EXPECT_EQ(chooserStartDirectory("/home/ann/Projects/"), "/home/ann/Projects");
    EXPECT_EQ(chooserStartDirectory("/home/ann/Projects"), "/home/ann");
    EXPECT_EQ(chooserStartDirectory("D:\\P\\"), "D:\\P");
    EXPECT_EQ(chooserStartDirectory(""), "");
    EXPECT_EQ(chosenDirectory("/home/ann/Projects"), "/home/ann/Projects/");
    EXPECT_EQ(chosenDirectory("/"), "/");
    // Plain concatenation then forms a new project's location.
    EXPECT_EQ(chosenDirectory("/p") + "Villa/Villa.mpj", "/p/Villa/Villa.mpj");
}

// The link list offers what `zr48 list` finds, and what is stored is selected (or kept as it is).
TEST(OptionsRules, TheLinkListOffersTheConvertersFoundAndSelectsTheStoredLink)
{
    const auto port = [](const char* device, const char* product, const char* serialNumber, const char* link) {
        SerialPortInfo info;
        info.device = device;
        info.product = product;
        info.serialNumber = serialNumber;
        if (*link)
            info.unitLinks.push_back(link);
        return info;
    };
    const auto converter = [](const char* product, const char* serialNumber, int address, const char* problem) {
        FtdiDeviceInfo info;
        info.description = product;
        info.serialNumber = serialNumber;
        info.bus = 1;
        info.address = address;
        info.problem = problem;
        return info;
    };
    const std::vector<SerialPortInfo> ports = {
        port("/dev/ttyUSB0", "KELDO ZR48-USB Link", "A1", ""),
        port("/dev/ttyUSB1", "USB Serial", "", "/dev/zr48-1"),
        port("/dev/ttyACM0", "", "", ""),
    };
    const std::vector<FtdiDeviceInfo> ftdi = {
        converter("KELDO ZR48-USB Link", "F7", 4, ""),
        converter("Some other gadget", "X", 5, ""),
        converter("", "", 6, "no access"),
    };
    const std::vector<std::string> found = {"auto", "serial:A1", "tty:/dev/zr48-1", "tty:/dev/ttyACM0", "ftdi:F7"};
    const struct {
        std::string stored;
        std::string selectedTarget;
        std::string cardFile;
        bool keptAsItsOwnEntry;
        std::string host = "";
        std::string port = "";
    } cases[] = {
        {"auto", "auto", "", false},
        {"", "auto", "", false},
        {"pigeon", "auto", "", false},
        {"serial:A1", "serial:A1", "", false},
        {"ftdi:F7", "ftdi:F7", "", false},
        {"tty:/dev/zr48-1", "tty:/dev/zr48-1", "", false},
        {"sim", "sim", "", false},
        {"sim:/home/ann/card.zr48", "sim", "/home/ann/card.zr48", false},
        // Unplugged now, or typed by hand: OK must not turn it into something else.
        {"serial:B2", "serial:B2", "", true},
        {"tty:/dev/pts/3", "tty:/dev/pts/3", "", true},
        {"tcp:site.example:7000", "tcp", "", false, "site.example", "7000"},
        {"rfc2217:[::1]:2217", "rfc2217", "", false, "::1", "2217"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const LinkSelection selection = linkSelection(ports, ftdi, c.stored);
        std::vector<std::string> targets;
        for (const LinkEntry& entry : selection.entries)
            targets.push_back(entry.target);
        std::vector<std::string> expected = found;
        if (c.keptAsItsOwnEntry)
            expected.push_back(c.stored);
        expected.insert(expected.end(), {"tcp", "rfc2217", "sim"});
        EXPECT_EQ(targets, expected);
        ASSERT_LT(selection.selected, selection.entries.size());
        EXPECT_EQ(selection.entries[selection.selected].target, c.selectedTarget);
        EXPECT_EQ(selection.cardFile, c.cardFile);
        EXPECT_EQ(selection.host, c.host);
        EXPECT_EQ(selection.port, c.port);
        EXPECT_EQ(linkTarget(selection.entries[selection.selected], selection.cardFile, selection.host, selection.port),
                  c.stored == "" || c.stored == "pigeon" ? "auto" : c.stored);
    }
    const LinkSelection none = linkSelection({}, {}, "auto");
    ASSERT_EQ(none.entries.size(), 4u);
    EXPECT_NE(none.entries[0].label.find("Automatic"), std::string::npos);
    EXPECT_NE(none.entries[0].label, none.entries[3].label);
    EXPECT_EQ(linkTarget(none.entries[3], "  "), "sim");
    EXPECT_EQ(linkTarget(none.entries[1], "", " 10.0.0.5 ", "7000"), "tcp:10.0.0.5:7000");
    EXPECT_NE(linkSelection(ports, {}, "auto").entries[1].label.find("/dev/ttyUSB0"), std::string::npos);
}

TEST(AboutText, VersionAndLines)
{
    EXPECT_EQ(softwareVersionText(2, 1, 0, 57), "2.1.0, 57");
    const auto lines = aboutLines("2.1.0, 57", "Unknown", "2.13");
    EXPECT_EQ(lines, (std::vector<Text>{"Keldo ZR48 Project Manager", "--------------------------",
                                        "Software Version: 2.1.0, 57", "Firmware Version: Unknown",
                                        "Database Version: 2.13"}));
}

TEST(MdiLayout, TilesShareTheAreaWithoutGapsOrOverlap)
{
    const Rect area{0, 0, 700, 301};
    const auto rows = tileHorizontally(area, 3);
    EXPECT_EQ(rows, (std::vector<Rect>{{0, 0, 700, 100}, {0, 100, 700, 100}, {0, 200, 700, 101}}));
    const auto columns = tileVertically(area, 2);
    EXPECT_EQ(columns, (std::vector<Rect>{{0, 0, 350, 301}, {350, 0, 350, 301}}));
    EXPECT_TRUE(tileVertically(area, 0).empty());
}

TEST(MdiLayout, IconsFillRowsFromTheBottomLeft)
{
    const auto icons = arrangeIcons({0, 0, 350, 300}, 160, 30, 3);
    EXPECT_EQ(icons, (std::vector<Rect>{{0, 270, 160, 30}, {160, 270, 160, 30}, {0, 240, 160, 30}}));
}

TEST(MdiLayout, ANewWindowMovesIntoSightWithItsSizeKept)
{
    const Rect area{0, 0, 500, 400};
    const struct {
        Rect window;
        Rect placed;
    } cases[] = {
        {{20, 30, 200, 100}, {20, 30, 200, 100}},     // inside: stays
        {{420, 350, 200, 100}, {300, 300, 200, 100}}, // out at the right and bottom: moved back
        {{450, 20, 700, 500}, {0, 0, 700, 500}},      // larger than the area: top-left corner in sight
        {{-30, -5, 100, 100}, {0, 0, 100, 100}},      // out at the top-left
    };
    for (const auto& c : cases)
        EXPECT_EQ(keepInside(area, c.window), c.placed) << c.window.x << ',' << c.window.y;
    EXPECT_EQ(keepInside({10, 20, 500, 400}, {480, 390, 100, 50}), (Rect{410, 370, 100, 50}));
}

TEST(MdiLayout, ADialogMovesOutOfTheWayOfOneThatWouldCoverIt)
{
    const Rect screen{0, 0, 1000, 800};
    const Rect transfer{320, 350, 360, 100};
    const struct {
        const char* name;
        Rect fixed;
        Rect placed;
    } cases[] = {
        {"not covered: stays", {0, 0, 300, 200}, transfer},
        {"room above", {250, 300, 500, 300}, {320, 200, 360, 100}},
        {"no room above: below", {250, 40, 500, 400}, {320, 440, 360, 100}},
        {"no room above or below: left", {380, 0, 500, 800}, {20, 350, 360, 100}},
        {"only right", {0, 0, 620, 800}, {620, 350, 360, 100}},
        {"no room anywhere: stays", {0, 0, 1000, 800}, transfer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outOfTheWay(transfer, c.fixed, screen), c.placed) << c.name;
}

TEST(RecentFiles, NewestFirstWithoutRepeatsAndAtMostEight)
{
    MemorySettingsStore store;
    RecentFiles recent(store);
    for (int i = 1; i <= 10; ++i)
        recent.add("/p/f" + std::to_string(i) + ".mpi");
    auto files = recent.files();
    ASSERT_EQ(files.size(), 8u);
    EXPECT_EQ(files.front(), "/p/f10.mpi");
    EXPECT_EQ(files.back(), "/p/f3.mpi");
    recent.add("/p/f5.mpi");
    files = recent.files();
    EXPECT_EQ(files.size(), 8u);
    EXPECT_EQ(files.front(), "/p/f5.mpi");
    EXPECT_EQ(std::count(files.begin(), files.end(), "/p/f5.mpi"), 1);
    recent.remove("/p/f10.mpi");
    EXPECT_EQ(recent.files().size(), 7u);
    // Kept in the store: a new reader sees the same list.
    EXPECT_EQ(RecentFiles(store).files(), recent.files());
}

TEST(DesktopCommandLine, TheLinkOptionIsNeverTakenForTheFile)
{
    const struct {
        std::vector<std::string> arguments;
        std::string link;
        std::optional<std::string> file;
        bool error;
    } cases[] = {
        {{}, "auto", std::nullopt, false},
        {{"--link", "sim", "HOME.MPJ"}, "sim", "HOME.MPJ", false},
        {{"HOME.MPJ", "--link=tty:/dev/pts/3", "other.mpi"}, "tty:/dev/pts/3", "HOME.MPJ", false},
        {{"--link"}, "auto", std::nullopt, true},
        {{"--link", "bluetooth", "a.mpj"}, "bluetooth", "a.mpj", true},
    };
    for (const auto& c : cases) {
        const DesktopCommandLine line = parseDesktopCommandLine(c.arguments);
        EXPECT_EQ(line.link, c.link);
        EXPECT_EQ(line.file, c.file);
        EXPECT_EQ(!line.error.empty(), c.error) << line.error;
    }
    EXPECT_TRUE(parseDesktopCommandLine({"-h"}).help);
    EXPECT_TRUE(parseDesktopCommandLine({"--version"}).version);
}

// ZR48_LINK names the link when --link does not.
TEST(DesktopCommandLine, TheLinkComesFromTheEnvironmentUnlessGiven)
{
    EXPECT_EQ(parseDesktopCommandLine({"a.mpj"}, "sim").link, "sim");
    EXPECT_EQ(parseDesktopCommandLine({"--link", "serial", "a.mpj"}, "sim").link, "serial");
    EXPECT_EQ(parseDesktopCommandLine({}, "").link, "auto");
    const DesktopCommandLine wrong = parseDesktopCommandLine({}, "pigeon");
    EXPECT_NE(wrong.error.find("unknown link 'pigeon' in ZR48_LINK"), std::string::npos) << wrong.error;
    EXPECT_NE(parseDesktopCommandLine({"--link=pigeon"}, "sim").error.find("unknown link 'pigeon';"),
              std::string::npos);
}

// The settings dialog's link is taken only when neither --link nor ZR48_LINK names one.
TEST(DesktopCommandLine, TheStoredLinkIsTakenWhenNoneIsGiven)
{
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> variable;
        std::string stored;
        std::string link;
    } cases[] = {
        {{"a.mpj"}, std::nullopt, "sim:/home/ann/card.zr48", "sim:/home/ann/card.zr48"},
        {{}, "", "serial:A1", "serial:A1"},
        {{}, "ftdi", "sim", "ftdi"},
        {{"--link", "auto"}, std::nullopt, "sim", "auto"},
        {{"--link=tty:/dev/pts/4"}, "serial", "sim", "tty:/dev/pts/4"},
        // A stored value that names no link (edited by hand) does not stop the program.
        {{}, std::nullopt, "pigeon", "auto"},
        {{}, std::nullopt, "", "auto"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(chosenLink(parseDesktopCommandLine(c.arguments, c.variable), c.stored), c.link);
    }
}

} // namespace
} // namespace zr48
