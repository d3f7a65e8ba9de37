#include "app/gui/LocalInstanceChannel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

namespace tsrn::app {
namespace {

constexpr int kConnectTimeoutMs = 1000;
// How long a start that lost the race tries to reach the copy that won it,
// which listens right after taking the lock.
constexpr int kHolderAttempts = 30;
constexpr int kHolderRetryMs = 100;

QString RuntimeFile(const QString& name, const QString& perUserName) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(name);
    return QDir(QDir::tempPath()).filePath(perUserName.arg(static_cast<qulonglong>(getuid())));
}
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

}  // namespace

LocalInstanceChannel::LocalInstanceChannel(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &LocalInstanceChannel::OnNewConnection);
}

LocalInstanceChannel::~LocalInstanceChannel() {
    server_.close();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

QString LocalInstanceChannel::SocketName() {
    return RuntimeFile(QStringLiteral("tessaryn.sock"), QStringLiteral("tessaryn-%1.sock"));
}

QString LocalInstanceChannel::LockFileName() {
    return RuntimeFile(QStringLiteral("tessaryn.lock"), QStringLiteral("tessaryn-%1.lock"));
}

bool LocalInstanceChannel::Claim() {
    if (lockFd_ >= 0)
        return true;
    const QByteArray path = QFile::encodeName(LockFileName());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return !SignalRunningInstance();
    // In a shared temporary folder someone else's file could hold us off.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
        ::close(fd);
        return !SignalRunningInstance();
    }
    // The kernel drops the lock with the process, however it ends: the file
    // stays (removing it would open the race again).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        SignalHolder();
        return false;
    }
    lockFd_ = fd;
    Listen();
    return true;
}

void LocalInstanceChannel::SignalHolder() {
    for (int attempt = 0; attempt < kHolderAttempts; ++attempt) {
        if (SignalRunningInstance())
            return;
        QThread::msleep(kHolderRetryMs);
    }
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
