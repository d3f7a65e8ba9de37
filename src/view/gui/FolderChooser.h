#pragma once
// The folder chooser of the add-folder command. The GUI asks with a file
// dialog; tests pre-answer.

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace tsrn::view {

class FolderChooser {
  public:
    virtual ~FolderChooser() = default;
    // A folder's path, or nothing when the user gave up.
    virtual std::optional<std::string> ChooseFolder(const QString& title, QWidget* parent) = 0;
};

class FileDialogFolderChooser : public FolderChooser {
  public:
    std::optional<std::string> ChooseFolder(const QString& title, QWidget* parent) override;
};

}  // namespace tsrn::view
