// tsrn: keeps chosen folders enciphered in place and guarded, through the
// tsrnvx driver, from a window that locks and hides in the tray.

#include <QApplication>

#include "ProgramRunner.h"
#include "app/CommandLine.h"
#include "app/gui/ProjectIcons.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("tsrn"));
    QApplication::setWindowIcon(tsrn::app::ProgramIcon());
    return tsrn::app::RunProgram(tsrn::app::JoinArguments(argc, argv));
}
