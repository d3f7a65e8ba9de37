#pragma once
// One running copy per user: a local socket in the user's runtime folder
// ($XDG_RUNTIME_DIR, else a per-user name in the temporary folder). A second
// start connects, asks the first to show its window, and exits.

#include <QLocalServer>
#include <QObject>

#include "app/StartupPorts.h"

namespace tsrn::app {

class LocalInstanceChannel : public QObject, public InstanceChannel {
    Q_OBJECT
  public:
    explicit LocalInstanceChannel(QObject* parent = nullptr);

    // The socket's full name for this user.
    static QString SocketName();

    bool SignalRunningInstance() override;
    // Starts answering later copies; false when the socket cannot be made.
    bool Listen();

  signals:
    void showRequested();

  private:
    void OnNewConnection();

    QLocalServer server_;
};

}  // namespace tsrn::app
