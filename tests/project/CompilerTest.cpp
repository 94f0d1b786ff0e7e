#include "project/Compiler.h"
#include "CardTestSupport.h"
#include "base/FileIo.h"
#include "project/CardFormat.h"
#include "support/Platform.h"
#include "support/RandomBytes.h"
#include "support/ScriptedPrompt.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

namespace zr48 {
namespace {

using test::AllZero;
using test::AssignDevice;
using test::PatternBytes;
using test::RecordNumbers;
using test::SectorText;
using Numbers = std::vector<std::uint16_t>;
using namespace std::string_literals;

class CompilerTest : public testing::Test {
protected:
    Text projectPath() const { return dir.text("Villa.mpj"); }
    Text imagePath() const { return dir.text("Villa.mpd"); }
    bool compile(TProjectFile& p)
    {
        p.Save(projectPath());
        return CompileProject(projectPath(), prompt);
    }
    SectorImage image() const { return ReadSectorImage(imagePath()); }
    const Sector& sector(const SectorImage& image, std::uint16_t number) const
    {
        for (const SectorRecord& r : image.Records) {
            if (r.Number == number)
                return r.Data;
        }
        ADD_FAILURE() << "no record of sector " << number;
        static const Sector none{};
        return none;
    }

    test::TempDir dir;
    test::ScriptedPrompt prompt;
    TProjectFile project;
};

TEST_F(CompilerTest, WorkedExampleIsByteExact)
{
    const std::string content = PatternBytes(1000);
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", content), "Blu-ray", 2, "101000000");
    ASSERT_TRUE(compile(project));
    EXPECT_TRUE(prompt.messages().empty());

    const Bytes bytes = readFileBytes(imagePath());
    EXPECT_EQ(bytes.size(), 6682u);
    const SectorImage img = image();
    EXPECT_EQ(RecordNumbers(img), (Numbers{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 18}));
    EXPECT_EQ(img.TrailingBytes, 0u);
    // Sector numbers are little-endian in front of each record.
    EXPECT_EQ(bytes[10 * kSectorRecordSize], 16);
    EXPECT_EQ(bytes[10 * kSectorRecordSize + 1], 0);

    const Sector& first = sector(img, 16);
    EXPECT_EQ(SectorText(first, 2, 4), std::string("\x28\x04\x00\x00", 4));
    EXPECT_EQ(SectorText(first, 6, 3), "BDP");
    EXPECT_TRUE(AllZero(first, 9, 64));
    EXPECT_EQ(SectorText(first, 64, 448), content.substr(0, 448));
    unsigned sum = 0x1234 + 0x28 + 0x04 + 'B' + 'D' + 'P';
    for (unsigned char c : content.substr(0, 448))
        sum += c;
    EXPECT_EQ(first[0] | (first[1] << 8), sum & 0xFFFF);

    EXPECT_EQ(SectorText(sector(img, 17), 0, 512), content.substr(448, 512));
    EXPECT_EQ(SectorText(sector(img, 18), 0, 40), content.substr(960));
    EXPECT_TRUE(AllZero(sector(img, 18), 40));

    const Sector& dir1 = sector(img, 1);
    EXPECT_EQ(SectorText(dir1, 128, 26), std::string("\x05\x02\x10\x00\x10\x00\x20\x00\x00\x00"
                                                     "Blu-ray\0\0\0\0\0\0\0\0\0",
                                                     26));
    EXPECT_EQ(SectorText(dir1, 128 + 26, 9), std::string("\x01\x00\x01\x00\x00\x00\x00\x00\x00", 9));
    EXPECT_TRUE(AllZero(dir1, 128 + 35, 192));
    // Slots before it start at 16 with nothing reserved, slots after it at 32.
    EXPECT_EQ(SectorText(sector(img, 0), 0, 10), std::string("\0\0\x10\0\0\0\x10\0\0\0", 10));
    EXPECT_EQ(SectorText(sector(img, 8), 384, 10), std::string("\0\0\x20\0\0\0\x20\0\0\0", 10));
    for (int k = 0; k <= 8; ++k)
        EXPECT_TRUE(AllZero(sector(img, static_cast<std::uint16_t>(k)), 448)) << k;
}

TEST_F(CompilerTest, DeviceFilesOfAnyNameAreRead)
{
    // Names of any script reach the file system as they are (as wide names on Windows).
    const std::string content = PatternBytes(300);
    AssignDevice(project, 0, 1, dir.write("Устройства/Радио 📻.mpi", content), "Radio", 1, "000000000");
    ASSERT_TRUE(compile(project));
    EXPECT_TRUE(prompt.messages().empty()) << prompt.messages().front();
    EXPECT_EQ(SectorText(sector(image(), 16), 64, 300), content);
}

TEST_F(CompilerTest, UnchangedProjectCompilesToIdenticalBytes)
{
    AssignDevice(project, 0, 1, dir.write("FM.mpi", PatternBytes(2000, 3)), "Radio");
    AssignDevice(project, 30, 6, dir.write("IR.mpi", PatternBytes(9000, 4)), "Screen", 9, "11");
    ASSERT_TRUE(compile(project));
    const Bytes once = readFileBytes(imagePath());
    ASSERT_TRUE(CompileProject(projectPath(), prompt));
    EXPECT_EQ(readFileBytes(imagePath()), once);
}

TEST_F(CompilerTest, EmptyProjectGivesDirectoryAndMenuOnly)
{
    ASSERT_TRUE(compile(project));
    EXPECT_EQ(readFileBytes(imagePath()).size(), 5140u);
    const SectorImage img = image();
    EXPECT_EQ(RecordNumbers(img), (Numbers{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (int k = 0; k <= 8; ++k) {
        for (int i = 0; i < 7; ++i) {
            Sector expected{};
            expected[64 * i + 2] = 16;
            expected[64 * i + 6] = 16;
            EXPECT_EQ(SectorText(img.Records[k].Data, 64 * i, 64), SectorText(expected, 64 * i, 64));
        }
    }
    EXPECT_TRUE(AllZero(img.Records[9].Data));
}

// A device file needs (64 + size) / 512 + 1 sectors and fits when that stays below its area.
TEST_F(CompilerTest, DeviceFileSizesAroundTheLimits)
{
    const struct {
        std::uint16_t type;
        std::size_t size;
        std::uint16_t sectors;
        bool fits;
    } cases[] = {
        {5, 5, 1, true},      {5, 447, 1, true},    {5, 448, 2, true},     {5, 449, 2, true},
        {1, 3519, 7, true},   {1, 3520, 8, false},  {2, 5000, 8, false},   {5, 7615, 15, true},
        {5, 7616, 16, false}, {6, 15807, 31, true}, {6, 15808, 32, false}, {9, 70000, 8, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + ", " + std::to_string(c.size) + " bytes");
        TProjectFile p;
        const std::string content = PatternBytes(c.size, static_cast<unsigned>(c.size));
        const Text file = dir.write("DEV.mpi", content);
        AssignDevice(p, 0, c.type, file);
        prompt.clear();
        EXPECT_EQ(compile(p), c.fits);
        if (c.fits)
            EXPECT_TRUE(prompt.messages().empty());
        else
            EXPECT_EQ(prompt.errors(), std::vector<Text>{"File too big:\n" + file});

        const SectorImage img = image();
        ASSERT_EQ(img.Records.size(), 10u + c.sectors);
        for (std::uint16_t n = 0; n < c.sectors; ++n)
            EXPECT_EQ(img.Records[10 + n].Number, 16 + n);
        // Whatever was written is the file's content, in order, behind the header.
        std::string written = SectorText(img.Records[10].Data, 64, 448);
        for (std::uint16_t n = 1; n < c.sectors; ++n)
            written += SectorText(img.Records[10 + n].Data, 0, 512);
        const std::size_t kept = std::min(written.size(), content.size());
        EXPECT_EQ(written.substr(0, kept), content.substr(0, kept));
        EXPECT_EQ(written.find_first_not_of('\0', kept), std::string::npos);
        // The length field keeps 16 bits.
        const Sector& first = img.Records[10].Data;
        EXPECT_EQ(first[2] | (first[3] << 8), (64 + c.size) & 0xFFFF);
        EXPECT_EQ(first[4] | first[5], 0);
    }
}

TEST_F(CompilerTest, MissingAndOversizedFilesAreReportedInSlotOrderAndTheRestIsWritten)
{
    const Text missing = dir.text("GONE.mpi");
    const Text big = dir.write("BIG.mpi", PatternBytes(4000));
    const Text good = dir.write("OK.mpi", PatternBytes(100));
    AssignDevice(project, 3, 1, missing);
    AssignDevice(project, 5, 2, big);
    AssignDevice(project, 7, 5, good);
    AssignDevice(project, 8, 2, "");            // assigned without a device file
    AssignDevice(project, 12, 9, dir.text("")); // a folder is no device file
    EXPECT_FALSE(compile(project));
    EXPECT_EQ(prompt.errors(), (std::vector<std::string>{"File not found:\n" + missing, "File too big:\n" + big,
                                                         "The file \"" + dir.text("") +
                                                             "\" is not a device file: it is a folder, not a file."}));
    for (const auto& shown : prompt.shown())
        EXPECT_EQ(shown.buttons, Buttons::Ok);

    // Slot 3 (8 + 4 sectors) writes nothing, slot 5 its 8 sectors, slot 7 one, slot 8 one zero sector.
    const SectorImage img = image();
    EXPECT_EQ(RecordNumbers(img), (Numbers{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 28, 29, 30, 31, 32, 33, 34, 35, 36, 52}));
    EXPECT_EQ(SectorText(img.Records[18].Data, 6, 3), "OK\0"s);
    EXPECT_TRUE(AllZero(img.Records[19].Data));
}

// A device file's bytes go onto the card as they are, so a file that is no device file is refused,
// saying why, and nothing of it is written; the other slots still are. (The names are file names:
// "nul" names a device on Windows.)
TEST_F(CompilerTest, AFileThatIsNoDeviceFileIsRefusedWithItsReason)
{
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"random", test::NoiseBytes(3000, 7), "it holds binary data, not text"},
        {"nul-bytes", "DEVICE=5\r\nIR_POWER=\"#560\0#560\"\r\n"s, "it holds binary data, not text"},
        {"empty", "", "it is empty"},
        {"prose", "Remote control of the living room.\r\n", "it holds no KEY=value line"},
    };
    const Text good = dir.write("OK.mpi", PatternBytes(100));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TProjectFile p;
        const Text bad = dir.write(std::string(c.name) + ".mpi", c.bytes);
        AssignDevice(p, 0, 5, bad);
        AssignDevice(p, 1, 5, good);
        prompt.clear();
        EXPECT_FALSE(compile(p));
        EXPECT_EQ(prompt.errors(),
                  std::vector<Text>{"The file \"" + bad + "\" is not a device file: " + c.reason + "."});
        // Slot 0's area (sectors 16 to 31) holds nothing; slot 1's file is at sector 32.
        EXPECT_EQ(RecordNumbers(image()), (Numbers{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 32}));
    }
}

// A device file the user may not read says so, not that it is missing.
TEST_F(CompilerTest, AnUnreadableDeviceFileIsSaidToBeUnreadable)
{
    ZR48_POSIX_ONLY("Windows keeps no read permission in a file's mode");
#ifndef _WIN32
    const Text locked = dir.write("LOCKED.mpi", PatternBytes(100));
    std::filesystem::permissions(toFsPath(locked), std::filesystem::perms::none);
    AssignDevice(project, 0, 5, locked);
    const auto errors = test::runUnprivilegedParts([&] {
        const auto image = CompileProjectImage(project, prompt);
        std::vector<std::string> out{image && image->Complete() ? "complete" : "incomplete"};
        for (const std::string& error : prompt.errors())
            out.push_back(error);
        return out;
    });
    ASSERT_TRUE(errors);
    EXPECT_EQ(*errors, (std::vector<std::string>{"incomplete", "The device file \"" + locked +
                                                                   "\" cannot be read (Permission denied)."}));
#endif
}

TEST_F(CompilerTest, DirectoryAndMenuCutLongTexts)
{
    AssignDevice(project, 62, 2, "", "Twenty characters!!!", 17, "101");
    project.ProjectInfo = {std::string(80, 'L'), "", "Line 3", "Line 4", "Line 5", "Line 6", "Line 7"};
    ASSERT_TRUE(compile(project));
    const SectorImage img = image();
    const Sector& d = img.Records[8].Data;
    EXPECT_EQ(SectorText(d, 384, 2), "\x02\x11");
    EXPECT_EQ(SectorText(d, 384 + 10, 16), "Twenty characte\0"s);
    EXPECT_EQ(SectorText(d, 384 + 26, 9), std::string("\1\0\1\0\0\0\0\0\0", 9));
    const Sector& menu = img.Records[9].Data;
    EXPECT_EQ(SectorText(menu, 0, 64), std::string(63, 'L') + '\0');
    EXPECT_TRUE(AllZero(menu, 64, 128));
    EXPECT_EQ(SectorText(menu, 256, 7), "Line 5\0"s);
    EXPECT_TRUE(AllZero(menu, 320));
}

TEST(DeviceFileHeaderName, IsTheFileNameWithoutExtensionCutTo25Bytes)
{
    const struct {
        const char* configFile;
        const char* name;
    } cases[] = {
        {"/p/RC5-TV.rev.mpi", "RC5-TV.rev"},
        {"D:\\Devices\\KITCHEN_AMPLIFIER_LIVINGROOM.mpi", "KITCHEN_AMPLIFIER_LIVINGR"},
        {"/p/README", "README"},
        {"/p.d/NODOT", "NODOT"},
        {"/p/Café-ü.mpi", "Caf\xE9-\xFC"}, // one byte a character, not the UTF-8 bytes
        {"/p/€uro.mpi", "\xAC"
                        "uro"},              // the euro sign is U+20AC
        {"/p/Caf\xE9.mpi", "Caf\xE9"},       // a Latin-1 name, no UTF-8
        {"/Проект/Дом.mpi", "\x14\x3E\x3C"}, // U+0414 U+043E U+043C
        {"/p/家電.mpi", "\xB6\xFB"},         // U+5BB6 U+96FB
        {"/p/TV🏠.mpi", "TV\xE0"},            // U+1F3E0
        // 25 characters, not 25 bytes: 30 Cyrillic letters (60 bytes) give 25 bytes.
        {"/p/ДДДДДДДДДДДДДДДДДДДДДДДДДДДДДД.mpi", "\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14"
                                                  "\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14\x14"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceFileHeaderName(c.configFile), c.name) << c.configFile;
}

TEST(LayOutCard, RefusesAreasPastTheLastSector)
{
    // 7 + 3 + 7 + 7 + 1 slots of types 8, 3, 7, 1 and 4 end exactly at sector 65531.
    TProjectFile project;
    int slot = 0;
    for (auto [type, count] : {std::pair{8, 7}, {3, 3}, {7, 7}, {1, 7}, {4, 1}}) {
        for (int i = 0; i < count; ++i)
            project.Slot(slot++).DeviceType = static_cast<std::uint16_t>(type);
    }
    EXPECT_TRUE(LayOutCard(project).empty());
    EXPECT_EQ(project.Slot(24).FileStart, 65516);
    EXPECT_EQ(project.Slot(24).DataStart + project.Slot(24).DataSectors, 65532);
    EXPECT_EQ(project.Slot(62).FileStart, 65532);

    project.Slot(40).DeviceType = 2;
    EXPECT_EQ(LayOutCard(project),
              std::vector<Text>{"Slot VIDEO-5: its device file area (sectors 65532 to 65539) would run past card "
                                "sector 65535; the project needs more sectors than a memory card has."});

    TProjectFile servers;
    for (int i = 0; i < 8; ++i)
        servers.Slot(i).DeviceType = 8;
    EXPECT_EQ(LayOutCard(servers),
              std::vector<Text>{"Slot DVD: its data area (sectors 57424 to 65615) would run past card sector 65535; "
                                "the project needs more sectors than a memory card has."});
}

TEST_F(CompilerTest, ProjectsThatDoNotFitAreRefusedBeforeAnythingIsWritten)
{
    const Text earlier = dir.write("Villa.mpd", "earlier image");
    AssignDevice(project, 9, 12, "");
    AssignDevice(project, 20, 300, "");
    EXPECT_FALSE(compile(project));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"The project cannot be compiled:\n"
                                                 "Slot DVD-2: device type 12 is not one of 0 to 9.\n"
                                                 "Slot TV-6: device type 300 is not one of 0 to 9."});
    EXPECT_EQ(readFileBytes(earlier).size(), 13u); // left as it was

    TProjectFile servers;
    for (int i = 0; i < 9; ++i)
        AssignDevice(servers, i, 8, dir.text("MISSING.mpi"));
    prompt.clear();
    EXPECT_FALSE(compile(servers));
    ASSERT_EQ(prompt.errors().size(), 1u); // no "File not found" either: nothing was compiled
    EXPECT_NE(prompt.errors()[0].find("Slot DVD: its data area"), Text::npos);
    EXPECT_EQ(readFileBytes(earlier).size(), 13u);
}

TEST_F(CompilerTest, ProjectNamedLikeItsImageIsNotOverwritten)
{
    project.Save(dir.text("Villa.mpd"));
    const Bytes saved = readFileBytes(dir.text("Villa.mpd"));
    EXPECT_FALSE(CompileProject(dir.text("Villa.mpd"), prompt));
    EXPECT_EQ(prompt.errors().size(), 1u);
    EXPECT_EQ(readFileBytes(dir.text("Villa.mpd")), saved);
}

// Such a file would load as an empty project and give an image that empties the unit's card.
TEST_F(CompilerTest, AFileThatIsNoProjectIsRefusedAndNothingIsWritten)
{
    const std::string random = test::randomBytes(5000, 7);
    project.Save(projectPath());
    ASSERT_TRUE(CompileProject(projectPath(), prompt));
    const std::string compiledImage = test::fileContents(imagePath());
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"random.mpj", random, "it holds binary data, not text (the byte 0x"},
        {"empty.mpj", "", "it has neither a [PROJECT] section nor a slot section"},
        {"notes.mpj", "Shopping list\r\n[kitchen]\r\nmilk=2\r\n", "it has neither a [PROJECT] section"},
        {"card.mpj", compiledImage, "it holds binary data, not text (the byte 0x00 at offset 0)"},
        {"huge.mpj", "[PROJECT]\r\n" + std::string(kMaxProjectFileBytes, 'x'), "it is larger than 8 MiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Text path = dir.write(c.name, c.bytes);
        const Text image = changeFileExt(path, ".mpd");
        const Text earlier = dir.write(extractFileName(image), "earlier image");
        prompt.clear();
        EXPECT_EQ(Compile(path, prompt), CompileResult::NotWritten);
        ASSERT_EQ(prompt.errors().size(), 1u);
        EXPECT_EQ(prompt.errors()[0].rfind("The file \"" + path + "\" is not a project file: " + c.reason, 0), 0u)
            << prompt.errors()[0];
        EXPECT_EQ(test::fileContents(earlier), "earlier image");
    }
    prompt.clear();
    EXPECT_EQ(Compile(dir.text("none.mpj"), prompt), CompileResult::NotWritten);
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Cannot find the project file \"" + dir.text("none.mpj") + "\"."});
    EXPECT_FALSE(fileExists(dir.text("none.mpd")));

    // A slot section alone, in any letter case, is a project; so is a project section alone, with
    // the tab, form feed and end-of-file mark a text editor may leave.
    for (const char* text : {"[dvd-2]\r\nDEVICE_TYPE=5\r\n", "[Project]\r\n\tDESCRIPTION_0=x\f\r\n\x1A"}) {
        prompt.clear();
        EXPECT_EQ(Compile(dir.write("Small.mpj", text), prompt), CompileResult::Complete) << prompt.messages().front();
    }
}

TEST_F(CompilerTest, ImageThatCannotBeWrittenIsReportedWithPathAndReason)
{
    std::filesystem::create_directory(dir.path() / "Villa.mpd");
    project.Save(projectPath());
    EXPECT_EQ(Compile(projectPath(), prompt), CompileResult::NotWritten);
    ASSERT_EQ(prompt.errors().size(), 1u);
    const Text message = prompt.errors()[0];
    EXPECT_NE(message.find(imagePath()), Text::npos) << message;
    EXPECT_NE(message.find("\n"), Text::npos) << message; // followed by the system's reason
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Villa.mpd.zr48-tmp"));
}

} // namespace
} // namespace zr48
