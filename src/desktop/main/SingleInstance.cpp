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
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(waitMs))
        return false;
    const std::string message = handOverMessage(absolutePath);
    socket.write(message.data(), static_cast<qint64>(message.size()));
    if (!socket.waitForBytesWritten(waitMs))
        return false;
    // Only the answer says the file arrived: a program that ends meanwhile takes nothing.
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(waitMs))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kHandOverTaken;
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
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            const QByteArray bytes = socket->readAll();
            buffer->append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            for (const Path& path : takeHandedOverPaths(*buffer)) {
                socket->putChar(kHandOverTaken);
                socket->flush();
                if (onFile)
                    onFile(path);
            }
        });
    }
}

} // namespace zr48
