#include "core/app/restore_channel.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace orvela {
namespace {

const QByteArray RestoreWord = QByteArrayLiteral("restore");
const QByteArray Acknowledgement = QByteArrayLiteral("ok");

} // namespace

QString RestoreChannelName(const QString& configPath)
{
    const QFileInfo info(configPath);
    QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = info.absoluteFilePath();
#ifdef Q_OS_WIN
    canonical = canonical.toLower();
#endif
    const QByteArray digest =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return QStringLiteral("orvela-") + QString::fromLatin1(digest);
}

bool RequestRestore(const QString& configPath, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(RestoreChannelName(configPath));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(RestoreWord + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.trimmed() == Acknowledgement;
}

RestoreChannel::RestoreChannel(const QString& configPath, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = RestoreChannelName(configPath);
    if (!m_server->listen(name)) {
        // A socket left behind by a program that ended abnormally blocks the name; one that a
        // running program still answers is not ours to take.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (!probe.waitForConnected(500)) {
            QLocalServer::removeServer(name);
            m_server->listen(name);
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, &RestoreChannel::acceptConnections);
}

RestoreChannel::~RestoreChannel() = default;

bool RestoreChannel::isListening() const
{
    return m_server->isListening();
}

void RestoreChannel::acceptConnections()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine()) {
                // A client that sends more than a word without a line end is not ours.
                if (client->bytesAvailable() > 64)
                    client->abort();
                return;
            }
            const QByteArray word = client->readLine(64).trimmed();
            if (word == RestoreWord) {
                emit restoreRequested();
                client->write(Acknowledgement + '\n');
                client->flush();
            }
            client->disconnectFromServer();
        });
    }
}

} // namespace orvela
