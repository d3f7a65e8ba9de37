#include "about/DesktopLinkLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace tsrn::about {

int DesktopLinkLauncher::OpenWithDesktop(std::string_view target) {
    const QString text = QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size()));
    const QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid())
        return kErrorFileNotFound;
    return QDesktopServices::openUrl(url) ? kOpenSucceeded : kErrorNoAssociation;
}

int DesktopLinkLauncher::RunCommand(std::string_view commandLine) {
    QStringList parts = QProcess::splitCommand(
        QString::fromUtf8(commandLine.data(), static_cast<qsizetype>(commandLine.size())));
    if (parts.isEmpty())
        return kErrorFileNotFound;
    const QString program = parts.takeFirst();
    return QProcess::startDetached(program, parts) ? kOpenSucceeded : kErrorFileNotFound;
}

}  // namespace tsrn::about
