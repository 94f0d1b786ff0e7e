// Document windows without a screen: names, titles, File Open by extension, and the list that
// the dispatcher and the file commands walk.

#include "desktop/common/DocumentRules.h"
#include "desktop/main/DocumentList.h"

#include <gtest/gtest.h>

#include <memory>

namespace zr48 {
namespace {

TEST(DocumentRules, PlaceholderNamesCountFromOne)
{
    EXPECT_EQ(placeholderName(DocumentKind::TextEditor, 0), "[Unnamed1]");
    EXPECT_EQ(placeholderName(DocumentKind::TextEditor, 2), "[Unnamed3]");
    EXPECT_EQ(placeholderName(DocumentKind::ProjectWindow, 0), "[Project1]");
    EXPECT_EQ(placeholderName(DocumentKind::SectorViewer, 1), "");
}

TEST(DocumentRules, TitlesTellModifiedAndUnnamed)
{
    EXPECT_TRUE(titleShowsModified("Text Editor - /p/a.mpi *"));
    EXPECT_FALSE(titleShowsModified("Text Editor - /p/a.mpi (Read only)"));
    EXPECT_TRUE(titleShowsUnnamed("Text Editor - [Unnamed2] *"));
    EXPECT_FALSE(titleShowsUnnamed("Text Editor - /p/Unnamed.mpi"));
    EXPECT_EQ(closeQuestionText("Text Editor - [Unnamed1] *"), "Save changes to\nText Editor - [Unnamed1] * ?");
}

// The window's name, the path, and the marks of the state at the end (in either order).
TEST(DocumentRules, ATitleSplitsIntoNamePathAndState)
{
    const struct {
        const char* title;
        const char* name;
        const char* path;
        const char* state;
    } cases[] = {
        {"Text Editor - /p/a.mpi * (Read only)", "Text Editor - ", "/p/a.mpi", " * (Read only)"},
        {"Text Editor - /p/a.mpi (Read only)", "Text Editor - ", "/p/a.mpi", " (Read only)"},
        {"ZR48 Project - [PROJECT]/Villa.mpj *", "ZR48 Project - ", "[PROJECT]/Villa.mpj", " *"},
        {"Text Editor - /p/a - b.mpi", "Text Editor - ", "/p/a - b.mpi", ""},
        {"Infrared Scope", "", "Infrared Scope", ""},
    };
    for (const auto& c : cases) {
        const TitleParts parts = splitTitle(c.title);
        EXPECT_EQ(parts.name, c.name) << c.title;
        EXPECT_EQ(parts.path, c.path) << c.title;
        EXPECT_EQ(parts.state, c.state) << c.title;
    }
}

TEST(DocumentRules, FileOpenGoesByTheExtensionAsWritten)
{
    const struct {
        const char* path;
        OpenAction action;
    } cases[] = {
        {"/p/image.mpd", OpenAction::Download},
        {"/p/HOME.mpj", OpenAction::ProjectWindow},
        {"/p/tv.mpi", OpenAction::TextEditor},
        {"/p/HOME.MPJ", OpenAction::TextFile},
        {"/p/TV.Mpi", OpenAction::TextFile},
        {"/p/NOTES.TXT", OpenAction::TextFile},
        {"/p.mpj/notes", OpenAction::TextFile},
        {"/p/archive.mpj.bak", OpenAction::TextFile},
        {"C:\\P\\Home.mpj", OpenAction::ProjectWindow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileOpenAction(c.path), c.action) << c.path;
}

TEST(DocumentRules, TheCommandLineComparesTheExtensionInLowerCase)
{
    const struct {
        const char* path;
        OpenAction action;
    } cases[] = {
        {"/p/HOME.MPJ", OpenAction::ProjectWindow}, {"/p/home.mpj", OpenAction::ProjectWindow},
        {"/p/TV.MPI", OpenAction::TextEditor},      {"/p/dev.txt", OpenAction::Nothing},
        {"/p/image.mpd", OpenAction::Nothing},      {"/p/mpj", OpenAction::Nothing},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commandLineAction(c.path), c.action) << c.path;
}

TEST(DocumentRules, TheDownloadImageLiesBesideTheProject)
{
    EXPECT_EQ(downloadImagePath("/p/Villa/Villa.mpj"), "/p/Villa/Villa.mpd");
    EXPECT_EQ(downloadImagePath("/p/v.1/Villa"), "/p/v.1/Villa.mpd");
}

// A document with a settable title.
class Doc : public Document {
public:
    Doc(DocumentKind kind, int number, std::string title = {}) : kind_(kind), number_(number), title_(std::move(title))
    {}
    DocumentKind kind() const override { return kind_; }
    int windowNumber() const override { return number_; }
    std::string title() const override { return title_; }
    std::string documentFile() const override { return "file" + std::to_string(number_); }

private:
    DocumentKind kind_;
    int number_;
    std::string title_;
};

TEST(DocumentList, TheMostRecentlyActivatedComesFirst)
{
    Doc a(DocumentKind::TextEditor, 0), b(DocumentKind::TextEditor, 1), c(DocumentKind::ProjectWindow, 2);
    DocumentList list;
    list.add(a);
    list.add(b);
    list.add(c);
    EXPECT_EQ(list.windows(), (std::vector<Document*>{&c, &b, &a}));
    list.activate(a);
    EXPECT_EQ(list.windows(), (std::vector<Document*>{&a, &c, &b}));
    EXPECT_EQ(list.active(), &a);
    list.remove(c);
    EXPECT_EQ(list.windows(), (std::vector<Document*>{&a, &b}));
    EXPECT_EQ(list.nextWindowNumber(), 2);
    Doc stranger(DocumentKind::TextEditor, 9);
    list.activate(stranger);
    EXPECT_EQ(list.count(), 2);
    // One from the middle comes first; the others keep their order behind it.
    list.add(c);
    list.activate(a);
    EXPECT_EQ(list.windows(), (std::vector<Document*>{&a, &c, &b}));
}

TEST(DocumentList, ANewWindowIdIsTheLowestNoOpenWindowHas)
{
    struct Case {
        const char* what;
        std::vector<int> open;
        int id;
    };
    const Case cases[] = {
        {"none open", {}, 0},
        {"0 and 1 open", {0, 1}, 2},
        {"the first closed", {2, 1}, 0},
        {"a gap in the middle", {0, 3, 1}, 2},
        {"two editors numbered 0 by their openers", {0, 0}, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<Doc>> docs;
        DocumentList list;
        for (const int number : c.open) {
            docs.push_back(std::make_unique<Doc>(DocumentKind::SectorViewer, number));
            list.add(*docs.back());
        }
        EXPECT_EQ(list.nextWindowId(), c.id) << c.what;
        EXPECT_EQ(list.nextWindowNumber(), static_cast<int>(c.open.size())) << c.what;
    }
}

TEST(DocumentList, FramesGoToFrameTakingWindowsInListOrderWithTheirIds)
{
    Doc editor(DocumentKind::TextEditor, 0), viewer(DocumentKind::SectorViewer, 1),
        scope(DocumentKind::InfraredScope, 2), project(DocumentKind::ProjectWindow, 3);
    DocumentList list;
    for (Document* d : std::vector<Document*>{&editor, &viewer, &scope, &project})
        list.add(*d);
    std::vector<int> ids;
    list.visitFrameWindows([&](int id, const FrameDispatcher::Receiver&) { ids.push_back(id); });
    EXPECT_EQ(ids, (std::vector<int>{2, 1}));
}

TEST(DocumentList, DescribesTheActiveWindowAndModifiedTitles)
{
    Doc clean(DocumentKind::TextEditor, 0, "Text Editor - a"), dirty(DocumentKind::TextEditor, 1, "Text Editor - b *");
    DocumentList list;
    Situation s;
    list.describe(s);
    EXPECT_FALSE(s.activeKind);
    EXPECT_EQ(s.documentCount, 0);
    list.add(dirty);
    list.add(clean);
    list.describe(s);
    EXPECT_EQ(s.documentCount, 2);
    EXPECT_TRUE(s.anyDocumentModified);
    EXPECT_EQ(s.activeKind, DocumentKind::TextEditor);
    EXPECT_EQ(s.activeTitle, "Text Editor - a");
    EXPECT_EQ(s.activeDocumentFile, "file0");
}

} // namespace
} // namespace zr48
