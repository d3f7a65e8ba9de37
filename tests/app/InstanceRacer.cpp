// One start of the program as far as the single-instance claim: waits for a
// line on standard input (so that several racers claim at the same moment),
// claims, prints "claimed" or "refused", and a claimer, after the time the
// program's start-up takes between its claim and its window, prints "show"
// for every later start that asks it to, until its standard input closes.

#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <cstdio>

#include "app/gui/LocalInstanceChannel.h"

namespace {
void Say(const char* word) {
    std::puts(word);
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    char go[16];
    if (read(STDIN_FILENO, go, sizeof go) <= 0)
        return 2;
    tsrn::app::LocalInstanceChannel channel;
    if (!channel.Claim()) {
        Say("refused");
        return 0;
    }
    Say("claimed");
    // The driver is opened and started, the window built; then the program
    // listens (a no-op for the copy that already does).
    QThread::msleep(300);
    channel.Listen();
    QObject::connect(&channel, &tsrn::app::LocalInstanceChannel::showRequested,
                     [] { Say("show"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
