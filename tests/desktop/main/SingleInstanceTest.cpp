// A second start hands its file to the running program: the local socket, a socket left behind by
// a program that died, and the main window that opens what it is handed.

#include "desktop/main/SingleInstance.h"
#include "desktop/main/HandOver.h"

#include "desktop/FakeDocuments.h"
#include "desktop/ShellHarness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

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

TEST(HandOver, TwoLinksReachTheSameUnitWhenTheyNameTheSameConverterOrCardFile)
{
    test::TempDir dir;
    const Path card = dir.write("card.zr48", "");
    std::filesystem::create_symlink(toFsPath(card), dir.path() / "alias.zr48");
    struct Case {
        std::string a, b;
        bool same;
    };
    const Case cases[] = {
        {"sim:" + card, "sim:" + card, true},
        {"sim:" + card, "sim:" + dir.text("./sub/../card.zr48"), true},
        {"sim:" + card, "sim:" + dir.text("alias.zr48"), true},
        {"sim:" + card, "sim,firmware=R48+1.10:" + card, true},
        {"sim:" + card, "sim:" + dir.text("other.zr48"), false},
        {"sim", "sim", false}, // each program's own empty card
        {"serial:FT1", "serial:FT1", true},
        {"serial:FT1", "serial:FT2", false},
        {"ftdi:FT1", "serial:FT1", false},
        {"tty:/dev/pts/7", "tty:/dev/pts/7", true},
        {"tty:/dev/pts/7", "sim:/dev/pts/7", false},
        {"auto", "auto", true},
        {"nonsense", "nonsense", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sameUnit(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(sameUnit(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
    // A relative card file names the file in the folder the start was made in.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string relative = absoluteLinkTarget("sim:card.zr48");
    const std::string withFirmware = absoluteLinkTarget("sim,firmware=R48+1.10:card.zr48");
    std::filesystem::current_path(here);
    EXPECT_TRUE(sameUnit(relative, "sim:" + card)) << relative;
    EXPECT_EQ(withFirmware, "sim,firmware=R48+1.10:" + absolutePath(card));
    EXPECT_EQ(absoluteLinkTarget("serial:FT1"), "serial:FT1");
    EXPECT_EQ(absoluteLinkTarget("sim"), "sim");
    // The link record is told from the paths after it.
    std::string buffer = handOverLinkMessage("sim:" + card) + handOverMessage("/p/a.mpj");
    const auto records = takeHandedOverPaths(buffer);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(handedOverLink(records[0]), "sim:" + card);
    EXPECT_EQ(handedOverLink(records[1]), std::nullopt);
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

// A second zr48pm started on the unit of the running program hands its file over and ends; one on
// another unit is refused and keeps its file.
TEST_F(SingleInstanceTest, ASecondProgramOnTheSameLinkHandsItsFileToTheRunningOne)
{
    const Path card = dir.write("card.zr48", "");
    const Path mpj = dir.write("Villa.mpj", "[PROJECT]\r\n");
    // The user's runtime folder, which Qt takes only when no one else may enter it.
    const std::filesystem::path runtime = dir.path() / "run";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    const QString runtimeName = QString::fromStdString(handOverServerName(fromFsPath(runtime), "", ""));
    SingleInstance running(runtimeName);
    running.setLink("sim:" + card);
    std::vector<std::string> handed;
    int cameToFront = 0;
    running.onFile = [&handed](const std::string& path) { handed.push_back(path); };
    running.onSameLink = [&cameToFront] { ++cameToFront; };
    ASSERT_TRUE(running.listen());

    // The program itself, started in the card's folder with a relative card file, as a user types it.
    QProcess second;
    second.setWorkingDirectory(QString::fromStdString(dir.text()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(fromFsPath(runtime)));
    environment.insert("HOME", QString::fromStdString(dir.text()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.text(".config")));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("ZR48_LINK");
    second.setProcessEnvironment(environment);
    second.start(ZR48PM_PROGRAM, {"--link", "sim:card.zr48", "Villa.mpj"});
    ASSERT_TRUE(second.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    while (second.state() != QProcess::NotRunning && waited.elapsed() < 30000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    if (second.state() != QProcess::NotRunning) {
        second.kill(); // it started a window of its own
        second.waitForFinished(5000);
        FAIL() << "the second program did not hand over and end: " << second.readAllStandardError().toStdString();
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(handed, std::vector<std::string>{mpj});
    EXPECT_EQ(cameToFront, 1);

    // A start on another card, and one without files on the same card.
    auto other = std::async(std::launch::async, [&] {
        return SingleInstance::handOver(runtimeName, "sim:" + dir.text("other.zr48"), {dir.text("B.mpj")}, 5000);
    });
    const auto same = [&] { return SingleInstance::handOver(runtimeName, "sim:" + card, {}, 5000); };
    while (other.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_FALSE(other.get());
    auto sameAnswer = std::async(std::launch::async, same);
    while (sameAnswer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_TRUE(sameAnswer.get());
    EXPECT_EQ(handed, std::vector<std::string>{mpj});
    EXPECT_EQ(cameToFront, 2);
}

} // namespace
} // namespace zr48
