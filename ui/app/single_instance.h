#pragma once
// One configurator per machine (and shared-memory namespace). The driver's control block holds the
// running configurator's process id; that copy listens on a local socket named after the namespace,
// the user and its id. A new copy that reaches it there hands over and ends; an id whose process is
// gone or does not answer is a stale registration and is ignored.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class QLocalServer;

// The socket a configurator with process id `pid` listens on.
QString InstanceSocketName(uint32_t pid);

// True when `pid` is a running process that answers on its configurator socket.
bool IsLiveConfigurator(uint32_t pid);

// Asks the configurator `pid` to bring its window forward; true when the request was delivered.
bool HandOverTo(uint32_t pid);

// The running configurator's end: listens on its socket and reports each hand-over request.
class InstanceServer : public QObject
{
    Q_OBJECT
public:
    explicit InstanceServer(QObject *parent = nullptr);
    ~InstanceServer() override;
    // Starts listening on this process's socket; false when that failed.
    bool Listen();

signals:
    void bringForwardRequested();

private:
    void onNewConnection();

    QLocalServer *server_;
};
