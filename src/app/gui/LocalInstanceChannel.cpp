#include "app/gui/LocalInstanceChannel.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>

namespace tsrn::app {
namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

}  // namespace

LocalInstanceChannel::LocalInstanceChannel(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &LocalInstanceChannel::OnNewConnection);
}

QString LocalInstanceChannel::SocketName() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return QDir(runtime).filePath(QStringLiteral("tessaryn.sock"));
    }
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("tessaryn-%1.sock").arg(static_cast<qulonglong>(getuid())));
}

bool LocalInstanceChannel::SignalRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool LocalInstanceChannel::Listen() {
    if (server_.isListening())
        return true;
    if (server_.listen(SocketName()))
        return true;
    // A socket left behind by a copy that died: nobody answers on it.
    if (server_.serverError() == QAbstractSocket::AddressInUseError && !SignalRunningInstance()) {
        QLocalServer::removeServer(SocketName());
        return server_.listen(SocketName());
    }
    return false;
}

void LocalInstanceChannel::OnNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (socket->readAll().contains('\n'))
                emit showRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0)
            read();
    }
}

}  // namespace tsrn::app
