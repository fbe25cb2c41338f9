#pragma once

// A local socket named after the configuration path. A client that sends the word "restore"
// asks the program that owns that configuration to come to the front; the program answers
// "ok". orvela-admin's "restore" command is that client.

#include <QObject>
#include <QString>

class QLocalServer;

namespace orvela {

// The socket name for a configuration path: the same for every spelling of one file.
QString RestoreChannelName(const QString& configPath);

// Sends "restore" to the program that owns `configPath`. True when a program took it.
bool RequestRestore(const QString& configPath, int timeoutMs = 3000);

class RestoreChannel : public QObject
{
    Q_OBJECT
public:
    explicit RestoreChannel(const QString& configPath, QObject* parent = nullptr);
    ~RestoreChannel() override;

    bool isListening() const;

signals:
    void restoreRequested();

private:
    void acceptConnections();

    QLocalServer* m_server = nullptr;
};

} // namespace orvela
