#include "view/gui/FolderChooser.h"

#include <QDir>
#include <QFileDialog>

namespace tsrn::view {

std::optional<std::string> FileDialogFolderChooser::ChooseFolder(const QString& title,
                                                                 QWidget* parent) {
    const QString path = QFileDialog::getExistingDirectory(parent, title, QDir::rootPath(),
                                                           QFileDialog::ShowDirsOnly);
    if (path.isEmpty())
        return std::nullopt;
    return QDir::cleanPath(path).toStdString();
}

}  // namespace tsrn::view
