#pragma once
// The real folder dialog and program starter.

#include "SetupContext.h"

namespace tsrn::setup {

class DesktopServices : public FolderChooser, public ProgramLauncher {
  public:
    std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                        const QString& start) override;
    bool StartProgram(const QString& program, const QString& workingDirectory) override;
    bool OpenDocument(const QString& path) override;
};

}  // namespace tsrn::setup
