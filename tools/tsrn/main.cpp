// tsrn: keeps chosen folders enciphered in place and guarded, through the
// tsrnvx driver, from a window that locks and hides in the tray.

#include <QApplication>
#include <cstdio>

#include "ProgramRunner.h"
#include "app/CommandLine.h"
#include "app/gui/ProjectIcons.h"

#ifndef TSRN_VERSION
#define TSRN_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    // Before the application object: it needs a display, these do not.
    switch (tsrn::app::RequestedInfo(argc, argv)) {
        case tsrn::app::InfoRequest::Help:
            std::fputs(tsrn::app::UsageText().c_str(), stdout);
            return 0;
        case tsrn::app::InfoRequest::Version:
            std::fputs("tsrn " TSRN_VERSION "\n", stdout);
            return 0;
        case tsrn::app::InfoRequest::None:
            break;
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("tsrn"));
    QApplication::setWindowIcon(tsrn::app::ProgramIcon());
    return tsrn::app::RunProgram(tsrn::app::JoinArguments(argc, argv));
}
