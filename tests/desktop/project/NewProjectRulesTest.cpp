#include "desktop/project/NewProjectRules.h"

#include "base/FileIo.h"
#include "base/Paths.h"
#include "project/ProjectFile.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zr48 {
namespace {

using test::fileContents;

namespace fs = std::filesystem;

TEST(NewProjectLocation, IsAFolderOfItsOwnBelowTheProjectDirectory)
{
    EXPECT_EQ(proposedProjectLocation("/home/ann/Projects/", "Villa"), "/home/ann/Projects/Villa/Villa.mpj");
    EXPECT_EQ(proposedProjectLocation("/home/ann/Projects/", "Дом"), "/home/ann/Projects/Дом/Дом.mpj");
    // A setting without a final separator runs into the name.
    EXPECT_EQ(proposedProjectLocation("/home/ann/Projects", "Villa"), "/home/ann/ProjectsVilla/Villa.mpj");
}

TEST(NewProjectControls, NeedANameAndForACopyAnExistingProject)
{
    test::TempDir dir;
    const std::string existing = dir.write("Old.mpj", "[PROJECT]\r\n");
    using enum NewProjectChoice;
    struct Case {
        const char* name;
        NewProjectChoice choice;
        std::string copyPath;
        NewProjectControls controls; // location, copy controls, OK
    };
    const Case cases[] = {
        {"", Empty, "", {false, false, false}},           {"", Copy, existing, {false, true, false}},
        {"", Upload, "", {false, false, false}},          {"Villa", Empty, "", {true, false, true}},
        {"Villa", Upload, "", {true, false, true}},       {"Villa", Copy, dir.text("Missing.mpj"), {true, true, false}},
        {"Villa", Copy, dir.text(), {true, true, false}}, // a folder is no project
        {"Villa", Copy, existing, {true, true, true}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(newProjectControls(c.name, c.choice, c.copyPath), c.controls)
            << '"' << c.name << "\" " << static_cast<int>(c.choice) << ' ' << c.copyPath;
}

class CreateProjectTest : public testing::Test {
protected:
    test::TempDir dir;
    test::ScriptedPrompt prompt;
};

TEST_F(CreateProjectTest, CreatesTheFolderAndAnEmptyProject)
{
    const std::string path = dir.text("Villa/Villa.mpj");
    EXPECT_TRUE(createProjectFile(path, NewProjectChoice::Empty, "", prompt));
    EXPECT_EQ(fileContents(path), TProjectFile().SaveText(path));
    EXPECT_TRUE(prompt.shown().empty());

    // A folder that is there already, without a project file: no question.
    fs::create_directory(toFsPath(dir.text("Chalet")));
    EXPECT_TRUE(createProjectFile(dir.text("Chalet/Chalet.mpj"), NewProjectChoice::Upload, "", prompt));
    EXPECT_TRUE(fileExists(dir.text("Chalet/Chalet.mpj")));
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(CreateProjectTest, AnExistingProjectIsOverwrittenOnlyAfterYes)
{
    const std::string path = dir.write("Villa/Villa.mpj", "[PROJECT]\r\nDESCRIPTION_0=keep\r\n");
    prompt.answer(Answer::No, "Overwrite Project " + path + " ?");
    EXPECT_FALSE(createProjectFile(path, NewProjectChoice::Empty, "", prompt));
    EXPECT_EQ(fileContents(path), "[PROJECT]\r\nDESCRIPTION_0=keep\r\n");
    EXPECT_EQ(prompt.shown().at(0).icon, Icon::Confirmation);

    prompt.answer(Answer::Yes, "Overwrite Project " + path + " ?");
    EXPECT_TRUE(createProjectFile(path, NewProjectChoice::Empty, "", prompt));
    EXPECT_EQ(fileContents(path), TProjectFile().SaveText(path));
}

TEST_F(CreateProjectTest, OnlyOneFolderLevelIsCreated)
{
    const std::string path = dir.text("Missing/Villa/Villa.mpj");
    EXPECT_FALSE(createProjectFile(path, NewProjectChoice::Empty, "", prompt));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to create Project " + path + "."});
    EXPECT_FALSE(fs::exists(toFsPath(dir.text("Missing"))));
    // A location without a folder part.
    prompt.clear();
    EXPECT_FALSE(createProjectFile("Villa.mpj", NewProjectChoice::Empty, "", prompt));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to create Project Villa.mpj."});
}

TEST_F(CreateProjectTest, TheProgramsOwnProjectsFolderIsMadeOnFirstUse)
{
    // On a new system the default projects folder is not there yet.
    const std::string own = dir.text("ZR48 Projects/");
    const std::string path = own + "Дом/Дом.mpj";
    EXPECT_TRUE(createProjectFile(path, NewProjectChoice::Empty, "", prompt, own));
    EXPECT_TRUE(fileExists(path));
    EXPECT_TRUE(prompt.shown().empty());

    // Only that folder: a missing folder the user chose is still refused.
    const std::string chosen = dir.text("Chosen/Villa/Villa.mpj");
    EXPECT_FALSE(createProjectFile(chosen, NewProjectChoice::Empty, "", prompt, own));
    EXPECT_EQ(prompt.errors(), std::vector<Text>{"Unable to create Project " + chosen + "."});
    EXPECT_FALSE(fs::exists(toFsPath(dir.text("Chosen"))));
}

TEST_F(CreateProjectTest, AProjectIsNotCopiedOntoItself)
{
    const std::string path = dir.write("Villa/Villa.mpj", "[PROJECT]\r\nDESCRIPTION_0=keep\r\n");
    EXPECT_FALSE(createProjectFile(path, NewProjectChoice::Copy, dir.text("Villa/../Villa/Villa.mpj"), prompt));
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("is the project to be copied"), Text::npos);
    EXPECT_EQ(fileContents(path), "[PROJECT]\r\nDESCRIPTION_0=keep\r\n");
}

} // namespace
} // namespace zr48
