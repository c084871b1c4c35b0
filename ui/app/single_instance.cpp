#include "ui/app/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace
{

constexpr int kConnectTimeoutMs = 1000;
constexpr char kBringForward[] = "bring-forward\n";

} // namespace

QString InstanceSocketName(uint32_t pid)
{
    QString ns = qEnvironmentVariable("KVZ_SHM_NAMESPACE");
    ns.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("kvzdidw-%1-%2-%3").arg(ns).arg(static_cast<qulonglong>(::getuid())).arg(pid);
}

bool IsLiveConfigurator(uint32_t pid)
{
    if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX))
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketName(pid));
    const bool live = socket.waitForConnected(kConnectTimeoutMs);
    socket.abort();
    return live;
}

bool HandOverTo(uint32_t pid)
{
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketName(pid));
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kBringForward);
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return sent;
}

InstanceServer::InstanceServer(QObject *parent) : QObject(parent), server_(new QLocalServer(this))
{
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::onNewConnection);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen()
{
    const QString name = InstanceSocketName(static_cast<uint32_t>(::getpid()));
    QLocalServer::removeServer(name); // a socket file left by a crashed copy with a reused id
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    return server_->listen(name);
}

void InstanceServer::onNewConnection()
{
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only a complete request counts; a liveness probe connects and leaves without a word.
            while (socket->canReadLine()) {
                if (socket->readLine() == kBringForward)
                    emit bringForwardRequested();
            }
        });
    }
}
