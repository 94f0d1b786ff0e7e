#include "desktop/project/DatabaseTree.h"

#include "base/Paths.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace zr48 {
namespace {

namespace fs = std::filesystem;
using Kind = DatabaseNode::Kind;

// "TEXT" for a device, "TEXT/" for a folder, each level in brackets: "KELDO/[Tuner] x".
std::string Outline(const std::vector<DatabaseNode>& nodes)
{
    std::string out;
    for (const DatabaseNode& node : nodes) {
        if (!out.empty())
            out += ' ';
        out += node.text;
        if (node.kind == Kind::Folder)
            out += "/[" + Outline(node.children) + "]";
    }
    return out;
}

const DatabaseNode* Find(const std::vector<DatabaseNode>& nodes, std::string_view text)
{
    for (const DatabaseNode& node : nodes) {
        if (node.text == text)
            return &node;
        if (const DatabaseNode* found = Find(node.children, text))
            return found;
    }
    return nullptr;
}

TEST(DatabaseSearch, FindsWordsAndWordBeginningsAtTheirFirstOccurrence)
{
    struct Case {
        const char* text;
        const char* search;
        bool passes;
    };
    const Case cases[] = {
        {"Sonic DVD", "son", true},
        {"Hi-Fi Son", "son", true},
        {"Jackson", "son", false},
        {"AB B", "b", false}, // only the first occurrence counts
        {"Acme DVD-R", "dvd", true},
        {"DVD Player", "dvd", true},
        {"Multi-DVD", "dvd", true},
        {"AcmeDVD", "dvd", false},
        {"tv_living", "LIVING", true},
        {"Tuner", "", true},
        {"", "x", false},
        {"Élan Décor", "déc", true},
        {"Телевизор Кухня", "кух", true},
        {"Телевизор", "виз", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(passesSearch(c.text, c.search), c.passes) << c.text << " / " << c.search;
}

TEST(DatabaseSearch, UpperCaseCoversTheCodePageAndBeyond)
{
    EXPECT_EQ(upperCaseUtf8("keldo"), "KELDO");
    EXPECT_EQ(upperCaseUtf8("àéÿœš"), "ÀÉŸŒŠ");
    EXPECT_EQ(upperCaseUtf8("дом"), "ДОМ");
}

TEST(DatabaseOrder, KeldoFirstThenPlainCharacterOrder)
{
    const auto node = [](const char* text) {
        DatabaseNode n;
        n.kind = Kind::Device;
        n.text = text;
        return n;
    };
    std::vector<DatabaseNode> nodes = {node("beta"), node("Zeta"), node("ACME"), node("keldo"), node("Ähnlich")};
    std::stable_sort(nodes.begin(), nodes.end(), databaseOrder);
    EXPECT_EQ(Outline(nodes), "keldo ACME Zeta beta Ähnlich");
}

class DatabaseTreeTest : public testing::Test {
protected:
    std::string device(const std::string& relative, const std::string& body)
    {
        return dir.write("db/" + relative, body);
    }
    std::string root() const { return dir.text("db"); }

    test::TempDir dir;
};

TEST_F(DatabaseTreeTest, FoldersWithoutDeviceFilesAreLeftOut)
{
    device("a/x.mpi", "DESCRIPTION=Tuner\r\n");
    device("b/y.txt", "not a device");
    device("c/d/e/notes.txt", "");
    EXPECT_EQ(Outline(buildDatabaseTree(root(), "")), "A/[Tuner]");
}

TEST_F(DatabaseTreeTest, EveryLevelIsSortedWithKeldoFirst)
{
    device("ACME/beta.mpi", "");
    device("ACME/Zeta.mpi", "");
    device("ACME/X.MPI", "DESCRIPTION=Alpha\r\n");
    device("keldo/Tuner.mpi", "");
    device("top.mpi", "DESCRIPTION=Bottom\r\n");
    device(".hidden/h.mpi", "");
    device("ACME/.h.mpi", "");
    EXPECT_EQ(Outline(buildDatabaseTree(root(), "")), "KELDO/[Tuner.mpi] ACME/[Alpha Zeta.mpi beta.mpi] Bottom");
}

TEST_F(DatabaseTreeTest, ADeviceNodeCarriesItsEntryAndDescription)
{
    const std::string tuner = device("KELDO/Tuner.mpi", "DEVICE=0x1\r\nNAME=FM Tuner\r\nSELECT=$A\r\n"
                                                        "DESCRIPTION=K73 FM-Tuner\r\n");
    const std::string text = device("KELDO/Tuner.txt", "A tuner\r\n");
    device("KELDO/Plain.mpi", "DEVICE=five\r\n");
    device("KELDO/Upper.mpi", "DESCRIPTION=\xC4rger\r\n"); // Windows-1252 text
    device("KELDO/Upper.TXT", "");

    const auto nodes = buildDatabaseTree(root(), "");
    const DatabaseNode* node = Find(nodes, "K73 FM-Tuner");
    ASSERT_NE(node, nullptr) << Outline(nodes);
    EXPECT_EQ(node->kind, Kind::Device);
    EXPECT_EQ(node->entry.DeviceType, 1);
    EXPECT_EQ(node->entry.DeviceName, "FM Tuner");
    EXPECT_EQ(node->entry.SourceSelect, 10);
    EXPECT_EQ(node->entry.ConfigFile, tuner);
    EXPECT_EQ(node->entry.DescriptionFile, text);
    EXPECT_EQ(node->entry.SlotName, "");
    EXPECT_EQ(node->entry.OptionList, "");
    EXPECT_EQ(databaseIcon(*node, false), 30);

    const DatabaseNode* plain = Find(nodes, "Plain.mpi");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->entry.DeviceType, 0);
    EXPECT_EQ(plain->entry.DescriptionFile, "");
    EXPECT_EQ(databaseIcon(*plain, false), 29);

    const DatabaseNode* upper = Find(nodes, "Ärger");
    ASSERT_NE(upper, nullptr) << Outline(nodes);
    EXPECT_EQ(upper->entry.DescriptionFile, dir.text("db/KELDO/Upper.TXT"));

    const DatabaseNode* folder = Find(nodes, "KELDO");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->entry, DEVICE_CONFIG{});
    EXPECT_EQ(databaseIcon(*folder, false), 27);
    EXPECT_EQ(databaseIcon(*folder, true), 28);
}

TEST_F(DatabaseTreeTest, TheSearchKeepsMatchingDevicesAndTheirFoldersAndCountsEveryFile)
{
    device("Video/a.mpi", "DESCRIPTION=Acme DVD-R\r\n");
    device("Video/b.mpi", "DESCRIPTION=AcmeDVD\r\n");
    device("Audio/c.mpi", "DESCRIPTION=Amplifier\r\n");
    device("Audio/Sub/d.mpi", "DESCRIPTION=Multi-DVD\r\n");
    int counted = -1;
    std::vector<int> steps;
    DatabaseProgress progress;
    progress.counted = [&](int count) { counted = count; };
    progress.advanced = [&](int position) { steps.push_back(position); };
    EXPECT_EQ(Outline(buildDatabaseTree(root(), "dvd", progress)), "AUDIO/[SUB/[Multi-DVD]] VIDEO/[Acme DVD-R]");
    EXPECT_EQ(counted, 4);
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4}));

    const auto none = buildDatabaseTree(root(), "tuner");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].kind, Kind::NoItems);
    EXPECT_EQ(none[0].text, "No items found");
    EXPECT_EQ(none[0].entry, DEVICE_CONFIG{});
    EXPECT_EQ(databaseIcon(none[0], false), -1);
    EXPECT_EQ(none[0].hint, "No device matches \"tuner\".");
}

TEST_F(DatabaseTreeTest, AMissingDatabaseFolderGivesNoItemsFoundWithTheReason)
{
    const auto missing = buildDatabaseTree(dir.text("nowhere"), "");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].text, "No items found");
    EXPECT_EQ(missing[0].hint, "The database folder \"" + dir.text("nowhere") + "\" does not exist.");
    EXPECT_EQ(buildDatabaseTree("", "")[0].hint, "No database folder is set.");
    device("a/readme.txt", "");
    EXPECT_NE(buildDatabaseTree(root(), "")[0].hint.find("holds no device files"), std::string::npos);
}

TEST_F(DatabaseTreeTest, ADeviceFileThatCannotBeReadGivesANodeWithoutDeviceFile)
{
    device("a/ok.mpi", "DESCRIPTION=Fine\r\n");
    // A link whose target has gone.
    fs::create_symlink(toFsPath(dir.text("gone.mpi")), toFsPath(dir.text("db/a/dangling.mpi")));
    const auto nodes = buildDatabaseTree(root(), "");
    EXPECT_EQ(Outline(nodes), "A/[Fine dangling.mpi]");
    const DatabaseNode* dangling = Find(nodes, "dangling.mpi");
    ASSERT_NE(dangling, nullptr);
    EXPECT_EQ(dangling->entry, DEVICE_CONFIG{});
}

// The bytes this process has read from files so far.
std::optional<long long> BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return std::nullopt;
}

TEST_F(DatabaseTreeTest, EachDeviceFileIsReadOnce)
{
    const std::string body = "DEVICE=5\r\nDESCRIPTION=Device\r\n" + std::string(8000, ';') + "\r\n";
    for (int i = 0; i < 40; ++i)
        device("f" + std::to_string(i % 4) + "/d" + std::to_string(i) + ".mpi", body);
    const auto before = BytesRead();
    if (!before)
        GTEST_SKIP() << "no /proc/self/io";
    const auto nodes = buildDatabaseTree(root(), "");
    const long long read = *BytesRead() - *before;
    EXPECT_EQ(nodes.size(), 4u);
    const long long once = 40 * static_cast<long long>(body.size());
    EXPECT_GE(read, once);
    EXPECT_LT(read, once + once / 2) << "device files were read more than once";
}

TEST_F(DatabaseTreeTest, ALinkLoopAndAnUnreadableFolderNeitherHangNorStopTheWalk)
{
    device("a/s.mpi", "DESCRIPTION=Shallow\r\n");
    device("b/d.mpi", "DESCRIPTION=Deep\r\n");
    device("locked/x.mpi", "DESCRIPTION=Locked\r\n");
    // a/loop leads back to the root, which holds a: a walk that follows it never ends.
    fs::create_directory_symlink(toFsPath(root()), toFsPath(dir.text("db/a/loop")));
    // A link to a folder elsewhere is followed.
    fs::create_directory_symlink(toFsPath(dir.text("db/b")), toFsPath(dir.text("db/a/tob")));
    fs::permissions(toFsPath(dir.text("db/locked")), fs::perms::none);
    const auto outline = test::runUnprivileged([&] { return Outline(buildDatabaseTree(root(), "")); });
    fs::permissions(toFsPath(dir.text("db/locked")), fs::perms(0755));
    EXPECT_EQ(outline, "A/[Shallow TOB/[Deep]] B/[Deep]");
    // Readable again, the folder shows.
    EXPECT_NE(Find(buildDatabaseTree(root(), ""), "Locked"), nullptr);
}

TEST(DatabaseText, TheHintIsEveryLineOfTheDescriptionFileWithALineBreak)
{
    test::TempDir dir;
    EXPECT_EQ(descriptionHint(dir.write("a.txt", "a\r\nb\r\n")), "a\nb\n");
    EXPECT_EQ(descriptionHint(dir.write("b.txt", "a\r\nb")), "a\nb\n");
    EXPECT_EQ(descriptionHint(dir.text("missing.txt")), "");
    EXPECT_EQ(descriptionHint(""), "");
}

TEST(DatabaseText, TheVersionIsTheFirstLineOfVersionTxt)
{
    struct Case {
        std::optional<std::string> file;
        std::string version;
    };
    const Case cases[] = {
        {"2.13\r\nsecond line\r\n", "2.13\n"},
        {"2.14", "2.14"},
        {std::string(200, '7') + "\r\n", std::string(127, '7')},
        {std::string(126, '8') + "\r\n", std::string(126, '8') + "\n"},
        {"", "Unknown"},
        {std::nullopt, "Unknown"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        if (c.file)
            dir.write("version.txt", *c.file);
        EXPECT_EQ(databaseVersion(dir.text()), c.version) << c.file.value_or("(none)");
        EXPECT_EQ(databaseVersion(dir.text().substr(0, dir.text().size() - 1)), c.version);
    }
    EXPECT_EQ(databaseVersion(""), "Unknown");
}

} // namespace
} // namespace zr48
