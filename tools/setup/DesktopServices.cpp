#include "DesktopServices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QProcess>
#include <QUrl>

namespace tsrn::setup {

std::optional<QString> DesktopServices::ChooseFolder(QWidget* parent, const QString& title,
                                                     const QString& start) {
    QString folder = QFileDialog::getExistingDirectory(parent, title, start);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

bool DesktopServices::StartProgram(const QString& program, const QString& workingDirectory) {
    return QProcess::startDetached(program, {}, workingDirectory);
}

bool DesktopServices::OpenDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace tsrn::setup
