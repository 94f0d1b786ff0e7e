#pragma once
// One zr48pm per user takes the files opened by their file type: a second start hands its file to
// the running program over a local socket (HandOver.h) and ends, instead of opening a second
// window with a link of its own.

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLocalServer;

namespace zr48 {

class SingleInstance : public QObject {
public:
    // How long a second start waits for the running program before it starts on its own.
    static constexpr int kAnswerWaitMs = 3000;

    // The place of this user's running program.
    static QString serverName();

    // Hands `absolutePath` to the program listening at `name`; true once it said it took it. False
    // at once when none listens (no socket, or one left behind by a program that died).
    static bool handOver(const QString& name, const std::string& absolutePath, int waitMs = kAnswerWaitMs);
    // A start that named its link: true when the running program runs on the same unit and took
    // every one of `absolutePaths` (none: it just comes to the front); false when it runs on another
    // link, or none listens.
    static bool handOver(const QString& name, const std::string& link, const std::vector<std::string>& absolutePaths,
                         int waitMs = kAnswerWaitMs);

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Listens for hand-overs. A socket left behind by a program that died is removed first; one
    // that answers belongs to a running program, which keeps it (false then, and this program
    // takes no hand-overs).
    bool listen();

    // Called with each path handed over.
    std::function<void(const std::string& path)> onFile;
    // The link this program runs on; a start on the same unit hands over to it.
    void setLink(std::string target) { link_ = std::move(target); }
    // Called when a start on the same link hands over, before its files.
    std::function<void()> onSameLink;

private:
    void accept();

    static bool send(const QString& name, const std::optional<std::string>& link,
                     const std::vector<std::string>& absolutePaths, int waitMs);

    QString name_;
    std::string link_;
    QLocalServer* server_;
};

} // namespace zr48
