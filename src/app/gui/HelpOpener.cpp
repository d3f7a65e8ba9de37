#include "app/gui/HelpOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tsrn::app {

QString HelpAnchor(int context) {
    return QStringLiteral("0x") + QString::number(context, 16).toUpper();
}

QString ManualIndexPath() {
    const QString index = QStringLiteral("index.html");
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TSRN_MANUAL_DIR");
    if (!fromEnvironment.isEmpty())
        candidates << QDir(fromEnvironment).filePath(index);
    const QDir programDir(QCoreApplication::applicationDirPath());
    candidates << programDir.filePath(QStringLiteral("../share/doc/tessaryn/manual/") + index)
               << programDir.filePath(QStringLiteral("manual/") + index)
               << QDir(QStringLiteral(TSRN_SOURCE_MANUAL_DIR)).filePath(index);
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    return {};
}

void DesktopHelpOpener::ShowHelp(int context) {
    const QString index = ManualIndexPath();
    if (index.isEmpty())
        return;
    QUrl url = QUrl::fromLocalFile(index);
    url.setFragment(HelpAnchor(context));
    QDesktopServices::openUrl(url);
}

}  // namespace tsrn::app
