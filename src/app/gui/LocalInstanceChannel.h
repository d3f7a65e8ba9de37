#pragma once
// One running copy per user: a lock file and a local socket in the user's
// runtime folder ($XDG_RUNTIME_DIR, else per-user names in the temporary
// folder). The copy that holds the lock runs; a later start connects, asks it
// to show its window, and exits.

#include <QLocalServer>
#include <QObject>

#include "app/StartupPorts.h"

namespace tsrn::app {

class LocalInstanceChannel : public QObject, public InstanceChannel {
    Q_OBJECT
  public:
    explicit LocalInstanceChannel(QObject* parent = nullptr);
    ~LocalInstanceChannel() override;
    LocalInstanceChannel(const LocalInstanceChannel&) = delete;
    LocalInstanceChannel& operator=(const LocalInstanceChannel&) = delete;

    // The socket's and the lock file's full names for this user.
    static QString SocketName();
    static QString LockFileName();

    bool SignalRunningInstance() override;
    // Holds the lock for the rest of the process and listens at once. Without
    // a lock file the socket alone decides, as a plain check.
    bool Claim() override;
    // Starts answering later copies; false when the socket cannot be made.
    bool Listen();

  signals:
    void showRequested();

  private:
    void OnNewConnection();
    void SignalHolder();

    QLocalServer server_;
    int lockFd_ = -1;
};

}  // namespace tsrn::app
