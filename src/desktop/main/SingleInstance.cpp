#include "desktop/main/SingleInstance.h"

#include "base/qt/QtText.h"
#include "desktop/main/HandOver.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace zr48 {

QString SingleInstance::serverName()
{
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", "user"));
    return pathToQString(
        handOverServerName(pathFromQString(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)),
                           pathFromQString(QDir::tempPath()), pathFromQString(user)));
}

bool SingleInstance::handOver(const QString& name, const std::string& absolutePath, int waitMs)
{
    return send(name, std::nullopt, {absolutePath}, waitMs);
}

bool SingleInstance::handOver(const QString& name, const std::string& link,
                              const std::vector<std::string>& absolutePaths, int waitMs)
{
    return send(name, link, absolutePaths, waitMs);
}

bool SingleInstance::send(const QString& name, const std::optional<std::string>& link,
                          const std::vector<std::string>& absolutePaths, int waitMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(waitMs))
        return false;
    std::string message = link ? handOverLinkMessage(*link) : std::string();
    for (const std::string& path : absolutePaths)
        message += handOverMessage(path);
    socket.write(message.data(), static_cast<qint64>(message.size()));
    if (!socket.waitForBytesWritten(waitMs))
        return false;
    // Only the answers say the files arrived: a program that ends meanwhile takes nothing.
    const std::size_t expected = absolutePaths.size() + (link ? 1 : 0);
    for (std::size_t answered = 0; answered < expected; ++answered) {
        while (socket.bytesAvailable() == 0) {
            if (!socket.waitForReadyRead(waitMs))
                return false;
        }
        char answer = 0;
        if (!socket.getChar(&answer) || answer != kHandOverTaken)
            return false;
    }
    return true;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)), server_(new QLocalServer(this))
{
    // Only this user may hand files over.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::listen()
{
    // Qt would take the place over an existing socket, so ask first whether anybody answers there.
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kAnswerWaitMs))
        return false; // a running program listens there
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<std::string>();
        auto refused = std::make_shared<bool>(false);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer, refused] {
            const QByteArray bytes = socket->readAll();
            buffer->append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            for (const Path& record : takeHandedOverPaths(*buffer)) {
                if (*refused)
                    continue; // the files of a start on another unit stay with it
                if (const auto link = handedOverLink(record)) {
                    *refused = !sameUnit(*link, link_);
                    socket->putChar(*refused ? kHandOverRefused : kHandOverTaken);
                    socket->flush();
                    if (!*refused && onSameLink)
                        onSameLink();
                    continue;
                }
                socket->putChar(kHandOverTaken);
                socket->flush();
                if (onFile)
                    onFile(record);
            }
        });
    }
}

} // namespace zr48
