#pragma once
// Opens links through the desktop (xdg-open and friends, via Qt) and runs
// fallback command lines without a shell.

#include "about/LinkOpening.h"

namespace tsrn::about {

class DesktopLinkLauncher : public LinkLauncher {
  public:
    int OpenWithDesktop(std::string_view target) override;
    int RunCommand(std::string_view commandLine) override;
};

}  // namespace tsrn::about
