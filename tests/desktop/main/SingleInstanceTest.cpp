// A second start hands its file to the running program: the local socket, a socket left behind by
// a program that died, and the main window that opens what it is handed.

#include "desktop/main/SingleInstance.h"
#include "desktop/main/HandOver.h"

#include "desktop/FakeDocuments.h"
#include "desktop/ShellHarness.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zr48 {
namespace {

TEST(HandOver, PathsArriveWholeWhateverTheyHoldAndHoweverTheyAreCut)
{
    const std::vector<Path> paths = {"/home/ann/Villa/Villa.mpj", "/home/ann/two\nlines.mpi", "/p/Ü ß.mpj"};
    std::string stream;
    for (const Path& path : paths)
        stream += handOverMessage(path);
    // Every way of cutting the stream into two reads gives the same paths.
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        std::string buffer = stream.substr(0, cut);
        std::vector<Path> taken = takeHandedOverPaths(buffer);
        buffer += stream.substr(cut);
        const std::vector<Path> rest = takeHandedOverPaths(buffer);
        taken.insert(taken.end(), rest.begin(), rest.end());
        EXPECT_EQ(taken, paths) << "cut at " << cut;
        EXPECT_TRUE(buffer.empty());
    }
}

TEST(HandOver, OnePlacePerUser)
{
    EXPECT_EQ(handOverServerName("/run/user/1000", "/tmp", "ann"), "/run/user/1000/zr48pm.socket");
    EXPECT_EQ(handOverServerName("", "/tmp", "ann"), "/tmp/zr48pm-ann.socket");
    EXPECT_NE(handOverServerName("", "/tmp", "ann"), handOverServerName("", "/tmp", "bob"));
}

class SingleInstanceTest : public test::ShellTest {
protected:
    // The second start runs beside the event loop of the first, as another process would.
    bool handOverFromAnotherStart(const std::string& path)
    {
        auto answer = std::async(std::launch::async, [&] { return SingleInstance::handOver(name, path, 5000); });
        QElapsedTimer waited;
        waited.start();
        while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready && waited.elapsed() < 10000)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return answer.get();
    }

    // A socket file with nobody listening, as a program that was killed leaves it.
    void leaveStaleSocket()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = name.toStdString();
        ASSERT_LT(path.size(), sizeof(address.sun_path));
        std::copy(path.begin(), path.end(), address.sun_path);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
        ASSERT_TRUE(std::filesystem::exists(path));
    }

    QString name = QString::fromStdString(dir.text("zr48pm.socket"));
};

TEST_F(SingleInstanceTest, AHandedOverProjectOpensInTheRunningWindowOnce)
{
    const Path mpj = dir.write("Villa.mpj", "[PROJECT]\r\n");
    auto form = makeForm();
    int loaded = 0;
    form->setDocumentFactory(DocumentKind::ProjectWindow, [&](Shell&, int number) {
        ++loaded;
        return new test::FakeProjectWindow(number);
    });
    // No program runs yet: the start goes on by itself.
    EXPECT_FALSE(handOverFromAnotherStart(mpj));

    SingleInstance instance(name);
    instance.onFile = [&form](const std::string& path) { form->openHandedOverFile(path); };
    ASSERT_TRUE(instance.listen());
    ASSERT_TRUE(handOverFromAnotherStart(mpj));
    ASSERT_EQ(form->documentWindows().size(), 1u);
    EXPECT_EQ(form->documentWindows()[0]->documentFile(), mpj);
    // Again: its window comes to the front, no second one.
    ASSERT_TRUE(handOverFromAnotherStart(mpj));
    EXPECT_EQ(form->documentWindows().size(), 1u);
    EXPECT_EQ(loaded, 1);
    // A file that is gone by now opens nothing and says nothing, as on the command line.
    ASSERT_TRUE(handOverFromAnotherStart(dir.text("gone.mpj")));
    EXPECT_EQ(form->documentWindows().size(), 1u);
    EXPECT_TRUE(prompt.shown().empty());
}

TEST_F(SingleInstanceTest, ASocketLeftByAProgramThatDiedDoesNotStopTheStart)
{
    leaveStaleSocket();
    EXPECT_FALSE(handOverFromAnotherStart("/p/a.mpj"));
    SingleInstance instance(name);
    std::vector<std::string> handed;
    instance.onFile = [&handed](const std::string& path) { handed.push_back(path); };
    ASSERT_TRUE(instance.listen());
    ASSERT_TRUE(handOverFromAnotherStart("/p/a.mpj"));
    EXPECT_EQ(handed, std::vector<std::string>{"/p/a.mpj"});
}

TEST_F(SingleInstanceTest, ARunningProgramKeepsItsPlace)
{
    SingleInstance running(name);
    std::vector<std::string> handed;
    running.onFile = [&handed](const std::string& path) { handed.push_back(path); };
    ASSERT_TRUE(running.listen());
    // A start without a file does not take over the place of the running program.
    SingleInstance second(name);
    second.onFile = [](const std::string&) { ADD_FAILURE() << "the second program took the file"; };
    EXPECT_FALSE(second.listen());
    ASSERT_TRUE(handOverFromAnotherStart("/p/b.mpi"));
    EXPECT_EQ(handed, std::vector<std::string>{"/p/b.mpi"});
}

} // namespace
} // namespace zr48
