#include "project/ImageReader.h"
#include "CardTestSupport.h"
#include "base/ByteOrder.h"
#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/CardFormat.h"
#include "project/Compiler.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <set>

namespace zr48 {
namespace {

using test::AssignDevice;
using test::PatternBytes;
namespace fs = std::filesystem;

struct Mutation {
    std::size_t offset;
    std::uint8_t value;
};

TEST(CheckDirectorySector, GivesTheCodeOfTheFirstFailedTest)
{
    TProjectFile project;
    for (int i = 7; i < 14; ++i)
        AssignDevice(project, i, 5, "", "Name " + std::to_string(i), 2, "101000001");
    ASSERT_TRUE(LayOutCard(project).empty());
    const Sector wellFormed = EncodeDirectorySector(project, 1);

    const struct {
        const char* what;
        std::vector<Mutation> mutations;
        int code;
    } cases[] = {
        {"as written", {}, 0},
        {"option byte 2", {{26, 2}}, 1},
        {"last option of the last slot 0xFF", {{384 + 34, 0xFF}}, 1},
        {"tab in a name", {{64 + 13, 0x09}}, 2},
        {"\xFC in a name", {{64 + 13, 0xFC}}, 0},
        {"control byte after the name's zero", {{128 + 25, 0x1F}}, 2},
        {"no zero in the name field", {{128 + 25, 'x'}, {128 + 24, 'y'}, {128 + 17, 'z'}}, 0},
        {"file area 65000 + 600", {{2, 0xE8}, {3, 0xFD}, {4, 0x58}, {5, 0x02}}, 3},
        {"file area 64935 + 600", {{2, 0xA7}, {3, 0xFD}, {4, 0x58}, {5, 0x02}}, 0},
        {"file area 65535 + 65535 does not wrap", {{2, 0xFF}, {3, 0xFF}, {4, 0xFF}, {5, 0xFF}}, 3},
        {"data area 65535 + 1", {{384 + 6, 0xFF}, {384 + 7, 0xFF}, {384 + 8, 1}, {384 + 9, 0}}, 4},
        {"bad name before bad option of a later slot", {{64 + 10, 0x0A}, {192 + 30, 7}}, 2},
        {"bad option before bad name of the same slot", {{64 + 10, 0x0A}, {64 + 30, 7}}, 1},
        {"file area before data area", {{6, 0xFF}, {7, 0xFF}, {8, 9}, {4, 0xFF}, {5, 0xFF}}, 3},
        {"the last 64 bytes are not looked at", {{448, 0xFF}, {500, 0x01}, {511, 0x09}}, 0},
    };
    for (const auto& c : cases) {
        Sector sector = wellFormed;
        for (const Mutation& m : c.mutations)
            sector[m.offset] = m.value;
        EXPECT_EQ(CheckDirectorySector(sector), c.code) << c.what;
    }
}

class ImageReaderTest : public testing::Test {
protected:
    // The image lies in a folder of its own, so that anything written beside it is easy to see.
    Text imagePath() const { return dir.text("Copy/Villa.mpd"); }
    Text copied(std::string_view name) const { return dir.text("Copy/" + std::string(name)); }

    // Compiles `project` in the folder above and copies its image into Copy/.
    SectorImage compileToCopy(TProjectFile& project)
    {
        project.Save(dir.text("Villa.mpj"));
        EXPECT_TRUE(CompileProject(dir.text("Villa.mpj"), prompt));
        const SectorImage image = ReadSectorImage(dir.text("Villa.mpd"));
        writeImage(image.Records);
        return image;
    }
    void writeImage(std::span<const SectorRecord> records) const { writeBytes(EncodeSectorImage(records)); }
    void writeBytes(const Bytes& bytes) const
    {
        fs::create_directories(dir.path() / "Copy");
        writeFileAtomically(imagePath(), bytes);
    }
    TProjectFile unpacked() const
    {
        TProjectFile project;
        project.Load(copied("Villa.mpj"));
        return project;
    }
    std::string fileText(std::string_view path) const
    {
        const Bytes bytes = readFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    // Villa.mpd, Villa.mpj, or Villa_N.mpi with N from 1 to 63.
    static bool IsOwnFile(const std::string& name)
    {
        if (name == "Villa.mpd" || name == "Villa.mpj")
            return true;
        if (!name.starts_with("Villa_") || !name.ends_with(".mpi"))
            return false;
        const std::string number = name.substr(6, name.size() - 10);
        if (number.empty() || number.size() > 2 || number[0] == '0' ||
            !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        return std::stoi(number) <= 63;
    }
    // Every file the reader wrote lies in Copy/ and is the project file or a device file of one of
    // the 63 slots; the folder above holds only what the test put there.
    void expectOnlyOwnFilesWritten() const
    {
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const fs::path relative = fs::relative(entry.path(), dir.path());
            const std::string name = relative.filename().string();
            if (relative.parent_path().empty()) {
                EXPECT_FALSE(name.starts_with("Villa_") || name.find("tmp") != std::string::npos) << relative;
                continue;
            }
            EXPECT_EQ(relative.parent_path(), "Copy") << relative;
            EXPECT_TRUE(IsOwnFile(name)) << relative;
        }
    }

    test::TempDir dir;
    test::ScriptedPrompt prompt;
};

TEST_F(ImageReaderTest, CompileThenUnpackGivesTheProjectBack)
{
    TProjectFile project;
    const std::string fm = PatternBytes(2000, 1), bdp = PatternBytes(1000, 2), ir = PatternBytes(15807, 3),
                      light = PatternBytes(448, 4);
    AssignDevice(project, 0, 1, dir.write("FM.mpi", fm), "Radio", 1);
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", bdp), "Blu-ray", 2, "101");
    AssignDevice(project, 30, 6, dir.write("IR.mpi", ir),
                 "Fernseher K\xFC"
                 "che",
                 9, "111111111");
    AssignDevice(project, 40, 2, "", "No file", 4, "01");
    AssignDevice(project, 62, 4, dir.write("LIGHT.mpi", light), "Kitchen light", 0);
    project.ProjectInfo = {"VILLA", "Ground floor", "", "Line 4", "Line 5"};
    compileToCopy(project);

    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    EXPECT_TRUE(prompt.messages().empty());
    const TProjectFile back = unpacked();
    EXPECT_EQ(back.Description, std::vector<Text>{"*** Project uploaded from ZR48 ***"});
    EXPECT_EQ(back.ProjectInfo, project.ProjectInfo);
    for (int i = 0; i < TProjectFile::kSlotCount; ++i) {
        const DEVICE_CONFIG& was = project.Slot(i);
        const DEVICE_CONFIG& is = back.Slot(i);
        EXPECT_EQ(is.DeviceType, was.DeviceType) << i;
        if (was.DeviceType == 0)
            continue;
        EXPECT_EQ(is.DeviceName, was.DeviceName);
        EXPECT_EQ(is.SourceSelect, was.SourceSelect);
        EXPECT_EQ(is.OptionList, (was.OptionList + "000000000").substr(0, 9));
    }
    EXPECT_EQ(back.Slot(0).ConfigFile, copied("Villa_1.mpi"));
    EXPECT_EQ(fileText(copied("Villa_1.mpi")), fm);
    EXPECT_EQ(fileText(copied("Villa_10.mpi")), bdp);
    EXPECT_EQ(fileText(copied("Villa_31.mpi")), ir);
    EXPECT_EQ(fileText(copied("Villa_63.mpi")), light);
    EXPECT_EQ(back.Slot(40).ConfigFile, ""); // a zero header: no device file
    EXPECT_FALSE(fileExists(copied("Villa_41.mpi")));
    expectOnlyOwnFilesWritten();

    // A second unpack replaces every file with an identical one.
    const std::string projectText = fileText(copied("Villa.mpj"));
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    EXPECT_EQ(fileText(copied("Villa.mpj")), projectText);
    EXPECT_EQ(fileText(copied("Villa_31.mpi")), ir);
    expectOnlyOwnFilesWritten();
}

// An uploaded image is written together with what is unpacked from it: when a device file cannot
// be written, the earlier image and project stay as they were; the targets are checked first.
TEST_F(ImageReaderTest, AnUploadedImageThatCannotBeUnpackedLeavesTheEarlierProjectWhole)
{
    TProjectFile project;
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", PatternBytes(1000)), "Blu-ray");
    const SectorImage image = compileToCopy(project);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    const std::string oldImage = test::fileContents(imagePath());
    const std::string oldProject = test::fileContents(copied("Villa.mpj"));
    EXPECT_EQ(UnpackTargetProblem(imagePath()), std::nullopt);

    // The new card names slot 10 too, whose file name is taken by a folder.
    AssignDevice(project, 10, 5, dir.write("TV.mpi", PatternBytes(500, 2)), "TV");
    project.Save(dir.text("Villa.mpj"));
    ASSERT_TRUE(CompileProject(dir.text("Villa.mpj"), prompt));
    const Bytes newImage = readFileBytes(dir.text("Villa.mpd"));
    fs::create_directory(dir.path() / "Copy" / "Villa_11.mpi");
    EXPECT_EQ(UnpackTargetProblem(imagePath()),
              "\"" + copied("Villa_11.mpi") + "\" is a folder, where the upload writes a file");
    EXPECT_FALSE(UnpackUploadedImage(imagePath(), newImage, prompt));
    EXPECT_EQ(test::fileContents(imagePath()), oldImage);
    EXPECT_EQ(test::fileContents(copied("Villa.mpj")), oldProject);

    fs::remove(dir.path() / "Copy" / "Villa_11.mpi");
    EXPECT_TRUE(UnpackUploadedImage(imagePath(), newImage, prompt));
    EXPECT_EQ(readFileBytes(imagePath()), newImage);
    EXPECT_EQ(unpacked().Slot(10).DeviceName, "TV");

    // Names the system cannot take, or a project file cannot hold, are found before a card is read.
    const Path longName = dir.text(std::string(250, 'n') + ".mpd");
    EXPECT_NE(UnpackTargetProblem(longName).value_or("").find("is longer than 255 bytes"), std::string::npos);
    EXPECT_NE(UnpackTargetProblem(dir.text("Line\nbreak/Up.mpd")).value_or("").find("holds a line break"),
              std::string::npos);
}

TEST_F(ImageReaderTest, EmptyCardGivesDescriptionAndFiveMenuLinesOnly)
{
    TProjectFile project;
    compileToCopy(project);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    EXPECT_EQ(fileText(copied("Villa.mpj")), "[PROJECT]\r\nPATH=" + dir.text("Copy/") +
                                                 "\r\nDESCRIPTION_0=*** Project uploaded from ZR48 ***\r\n"
                                                 "PROJECTINFO_0=\r\nPROJECTINFO_1=\r\nPROJECTINFO_2=\r\n"
                                                 "PROJECTINFO_3=\r\nPROJECTINFO_4=\r\n\r\n");
    expectOnlyOwnFilesWritten();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "Copy"), fs::directory_iterator()), 2);
}

// The worked example's image with its device file header's length field changed.
TEST_F(ImageReaderTest, LengthFieldDecidesHowMuchIsCopied)
{
    TProjectFile project;
    const std::string content = PatternBytes(1000);
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", content));
    const SectorImage compiled = compileToCopy(project);
    const std::string allAfterHeader = content + std::string(472, '\0');

    const struct {
        std::uint32_t length;
        std::optional<std::string> file;
    } cases[] = {
        {1064, content},
        {64, std::string()},
        {63, std::nullopt},
        {0, std::nullopt},
        {100000, allAfterHeader}, // ends where the image ends
        {0xFFFFFFFF, allAfterHeader},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<SectorRecord> records = compiled.Records;
        writeLe32(&records[10].Data[2], c.length);
        writeImage(records);
        fs::remove(toFsPath(copied("Villa_10.mpi")));
        ASSERT_TRUE(UnpackImage(imagePath(), prompt));
        const TProjectFile back = unpacked();
        const DEVICE_CONFIG& slot = back.Slot(9);
        EXPECT_EQ(slot.DeviceType, 5);
        if (c.file) {
            EXPECT_EQ(slot.ConfigFile, copied("Villa_10.mpi"));
            EXPECT_EQ(fileText(copied("Villa_10.mpi")), *c.file);
        } else {
            EXPECT_EQ(slot.ConfigFile, "");
            EXPECT_FALSE(fileExists(copied("Villa_10.mpi")));
        }
    }
}

TEST_F(ImageReaderTest, HostileImagesStayWithinSlotsRecordsAndFolder)
{
    TProjectFile project;
    const std::string content = PatternBytes(1000);
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", content), "Blu-ray");
    project.ProjectInfo = {"Menu"};
    const SectorImage compiled = compileToCopy(project);
    const Bytes whole = EncodeSectorImage(compiled.Records);

    // Cut inside the last record: that record is dropped, the device file ends before it.
    writeBytes(Bytes(whole.begin(), whole.end() - 300));
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    EXPECT_EQ(fileText(copied("Villa_10.mpi")), content.substr(0, 960));

    // Cut inside the directory: the slots of the whole records only, no menu.
    fs::remove(toFsPath(copied("Villa_10.mpi")));
    writeBytes(Bytes(whole.begin(), whole.begin() + 2 * kSectorRecordSize + 100));
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    EXPECT_EQ(unpacked().Slot(9).DeviceType, 5);
    EXPECT_EQ(unpacked().Slot(9).ConfigFile, ""); // its area is not in the image
    EXPECT_TRUE(unpacked().ProjectInfo.empty());

    // A device file area inside the directory sectors is no device file.
    std::vector<SectorRecord> records = compiled.Records;
    writeLe16(&records[1].Data[128 + 2], 3);
    writeImage(records);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    EXPECT_EQ(unpacked().Slot(9).DeviceType, 5);
    EXPECT_EQ(unpacked().Slot(9).ConfigFile, "");

    // Twelve directory records, every descriptor assigned: only 63 slots are filled.
    SectorRecord full{0, {}};
    for (int i = 0; i < 7; ++i) {
        full.Data[64 * i] = 2;
        writeLe16(&full.Data[64 * i + 2], 16);
        writeLe16(&full.Data[64 * i + 4], 8);
    }
    records.clear();
    for (int k = 0; k < 12; ++k) {
        full.Number = static_cast<std::uint16_t>(k % 9);
        records.push_back(full);
    }
    records.push_back(compiled.Records[10]); // sector 16
    writeImage(records);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    for (int i = 0; i < TProjectFile::kSlotCount; ++i)
        EXPECT_EQ(fileText(copied("Villa_" + std::to_string(i + 1) + ".mpi")), content.substr(0, 448)) << i;
    expectOnlyOwnFilesWritten();
    EXPECT_TRUE(prompt.messages().empty());
}

// 63 slots point at one area whose header claims 4 GiB, with many more records after it: each
// slot gets what its own area holds, never the rest of the image.
TEST_F(ImageReaderTest, ADeviceFileIsNeverLargerThanItsSlotsArea)
{
    SectorRecord directory{0, {}};
    for (int i = 0; i < kDescriptorsPerSector; ++i) {
        directory.Data[64 * i] = 2;
        writeLe16(&directory.Data[64 * i + 2], 16);
        writeLe16(&directory.Data[64 * i + 4], 8);
    }
    std::vector<SectorRecord> records;
    for (int k = 0; k < kDirectorySectorCount; ++k) {
        directory.Number = static_cast<std::uint16_t>(k);
        if (k == 8) { // the last two slots: areas of one sector and of none
            writeLe16(&directory.Data[5 * 64 + 4], 1);
            writeLe16(&directory.Data[6 * 64 + 4], 0);
        }
        records.push_back(directory);
    }
    records.push_back({kMenuSector, {}});
    const std::string pattern = PatternBytes(200 * kSectorSize);
    for (std::size_t n = 0; n < 200; ++n) {
        SectorRecord r{static_cast<std::uint16_t>(16 + n), {}};
        std::copy_n(pattern.begin() + static_cast<std::ptrdiff_t>(n * kSectorSize), kSectorSize, r.Data.begin());
        records.push_back(r);
    }
    writeLe32(&records[10].Data[2], 0xFFFFFFFF);
    writeImage(records);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));

    const std::string eightSectors = pattern.substr(kHeaderSize, 8 * kSectorSize - kHeaderSize);
    for (int i = 0; i < 61; ++i)
        EXPECT_EQ(fileText(copied("Villa_" + std::to_string(i + 1) + ".mpi")), eightSectors) << i;
    EXPECT_EQ(fileText(copied("Villa_62.mpi")), eightSectors.substr(0, kSectorSize - kHeaderSize));
    EXPECT_FALSE(fileExists(copied("Villa_63.mpi")));
    const TProjectFile back = unpacked();
    EXPECT_EQ(back.Slot(62).DeviceType, 2);
    EXPECT_EQ(back.Slot(62).ConfigFile, "");
    expectOnlyOwnFilesWritten();
}

// Names and menu lines of a card that the project file's reading rules would change (blanks at an
// end, enclosing quotes) come back from the unpacked project as they stand on the card.
TEST_F(ImageReaderTest, NamesFromTheCardSurviveTheProjectFile)
{
    TProjectFile project;
    AssignDevice(project, 0, 1, "", " Radio ");
    AssignDevice(project, 1, 1, "", "'TV'");
    AssignDevice(project, 2, 1, "", "\"\"");
    AssignDevice(project, 3, 1, "", "\"Sat\"");
    project.ProjectInfo = {"  ", "'Villa'", "\"\"\"\"", "Line 4 ", " Line 5"};
    compileToCopy(project);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));
    const TProjectFile back = unpacked();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(back.Slot(i).DeviceName, project.Slot(i).DeviceName) << i;
    EXPECT_EQ(back.ProjectInfo, project.ProjectInfo);
}

TEST_F(ImageReaderTest, LineBreaksFromTheCardCannotAddLinesToTheProjectFile)
{
    TProjectFile project;
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", PatternBytes(100)), "Blu-ray");
    const SectorImage compiled = compileToCopy(project);
    std::vector<SectorRecord> records = compiled.Records;
    const std::string name = "\nCONFIG_FILE=/x";
    std::copy(name.begin(), name.end(), records[1].Data.begin() + 128 + 10);
    const std::string line = "A\r\n[TUNER]\r\nDEVICE_TYPE=1\tB";
    std::copy(line.begin(), line.end(), records[9].Data.begin());
    // A name field without a zero byte gives all its 16 bytes.
    records[1].Data[192] = 2;
    const std::string sixteen = "ABCDEFGHIJKLMNOP";
    std::copy(sixteen.begin(), sixteen.end(), records[1].Data.begin() + 192 + 10);
    writeImage(records);
    ASSERT_TRUE(UnpackImage(imagePath(), prompt));

    const TProjectFile back = unpacked();
    EXPECT_EQ(back.Slot(10).DeviceName, sixteen);
    EXPECT_EQ(back.Slot(9).DeviceName, "?CONFIG_FILE=/x");
    EXPECT_EQ(back.Slot(9).ConfigFile, copied("Villa_10.mpi"));
    EXPECT_EQ(back.ProjectInfo.at(0), "A??[TUNER]??DEVICE_TYPE=1?B");
    EXPECT_EQ(back.Slot(0).DeviceType, 0);
}

TEST_F(ImageReaderTest, GarbageNeverCrashesNorWritesElsewhere)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const std::string noise = test::NoiseBytes(seed * 997 % 30000, seed);
        Bytes bytes(noise.begin(), noise.end());
        // Number most records as directory, menu or early area sectors, so that they are read.
        for (std::size_t at = 0; at + 1 < bytes.size(); at += kSectorRecordSize) {
            bytes[at] = static_cast<std::uint8_t>(bytes[at] % 24);
            bytes[at + 1] = 0;
        }
        writeBytes(bytes);
        EXPECT_TRUE(UnpackImage(imagePath(), prompt));
        EXPECT_NO_THROW(unpacked());
    }
    expectOnlyOwnFilesWritten();
    EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(ImageReaderTest, FailuresAreReportedAndGiveFalse)
{
    EXPECT_FALSE(UnpackImage(imagePath(), prompt)); // no image
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find(imagePath()), Text::npos);

    TProjectFile project;
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", PatternBytes(1000)));
    compileToCopy(project);

    const struct {
        const char* blocker; // a folder where a file has to be written
    } cases[] = {{"Villa.mpj"}, {"Villa_10.mpi"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocker);
        prompt.clear();
        fs::remove(toFsPath(copied(c.blocker)));
        fs::create_directory(toFsPath(copied(c.blocker)));
        EXPECT_FALSE(UnpackImage(imagePath(), prompt));
        ASSERT_EQ(prompt.errors().size(), 1u);
        EXPECT_NE(prompt.errors()[0].find(copied(c.blocker)), Text::npos) << prompt.errors()[0];
        fs::remove(toFsPath(copied(c.blocker)));
    }

    // An image that carries the project file's extension would be overwritten by it.
    prompt.clear();
    fs::copy_file(toFsPath(imagePath()), toFsPath(copied("Other.mpj")));
    EXPECT_FALSE(UnpackImage(copied("Other.mpj"), prompt));
    EXPECT_EQ(prompt.errors().size(), 1u);
    EXPECT_EQ(fs::file_size(toFsPath(copied("Other.mpj"))), 13 * kSectorRecordSize);

    // Larger than a whole card: not read at all.
    prompt.clear();
    fs::resize_file(toFsPath(imagePath()), kMaxImageBytes + 1);
    EXPECT_FALSE(UnpackImage(imagePath(), prompt));
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("not a card image"), Text::npos);
}

// Whatever the unpacking cannot finish leaves no file of it behind: not a device file written
// before the failure, nor a temporary file.
TEST_F(ImageReaderTest, AnUnpackingThatFailsWritesNothing)
{
    TProjectFile project;
    AssignDevice(project, 0, 1, dir.write("FM.mpi", PatternBytes(500)));
    AssignDevice(project, 9, 5, dir.write("BDP.mpi", PatternBytes(1000)));
    AssignDevice(project, 30, 6, dir.write("IR.mpi", PatternBytes(3000)));
    compileToCopy(project);
    const auto filesIn = [](const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    };

    // A folder whose path is longer than a value of the project file can be, on any system (each
    // name in it is short enough for every file system): the project file cannot record it.
    fs::path broken = dir.path();
    while (fromFsPath(broken).size() <= 2047)
        broken /= std::string(200, 'd');
    fs::create_directories(broken);
    fs::copy_file(toFsPath(imagePath()), broken / "Villa.mpd");
    EXPECT_FALSE(UnpackImage(fromFsPath(broken / "Villa.mpd"), prompt));
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("is longer than 2,047 characters"), Text::npos) << prompt.errors()[0];
    // Nothing beside the image: without it, the folder is empty. (Listing a folder whose path is this
    // long gives another folder's files on Windows.)
    ASSERT_TRUE(fs::remove(broken / "Villa.mpd"));
    std::error_code notEmpty;
    fs::remove(broken, notEmpty);
    EXPECT_FALSE(notEmpty) << "the unpacking left files beside the image";

    // The last device file's name is taken by a folder: the two before it are not written either.
    prompt.clear();
    fs::create_directory(toFsPath(copied("Villa_31.mpi")));
    EXPECT_FALSE(UnpackImage(imagePath(), prompt));
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_EQ(filesIn(dir.path() / "Copy"), (std::set<std::string>{"Villa.mpd", "Villa_31.mpi"}));
}

} // namespace
} // namespace zr48
