#pragma once
// A QApplication for widget tests (offscreen unless told otherwise), made
// once for the whole test program.

#include <QApplication>
#include <QString>
#include <cstdlib>

namespace tsrn::test {

// Widgets, menus and bars carry their resource id as their object name.
inline QString IdName(int id) {
    return QString::number(id);
}

inline QApplication& EnsureApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *existing;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tsrn-test";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return *application;
}

}  // namespace tsrn::test
