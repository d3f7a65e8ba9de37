#pragma once
// What the wizard's pages share: the install state and the things a person or
// the desktop supplies, each behind an interface tests can pre-answer.

#include <QString>
#include <optional>

#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"
#include "setup/InstallPaths.h"
#include "setup/InstallState.h"

class QWidget;

namespace tsrn::setup {

class FolderChooser {
  public:
    virtual ~FolderChooser() = default;
    // The folder picked, or nothing when the user cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                                const QString& start) = 0;
};

class ProgramLauncher {
  public:
    virtual ~ProgramLauncher() = default;
    virtual bool StartProgram(const QString& program, const QString& workingDirectory) = 0;
    // Opens a document with the desktop's viewer for its type.
    virtual bool OpenDocument(const QString& path) = 0;
};

struct SetupContext {
    InstallState& state;
    InstallPaths paths;
    registry::RegistryDatabase& registry;
    Prompter& prompter;
    FolderChooser& folderChooser;
    ProgramLauncher& launcher;
};

}  // namespace tsrn::setup
