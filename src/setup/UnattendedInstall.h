#pragma once
// Installing without windows, for scripts and packaging: the same steps as the
// wizard, a failed copy rolled back at once, progress and errors as lines of
// text.

#include <iosfwd>
#include <string>

#include "registry/RegistryDatabase.h"
#include "setup/InstallPaths.h"

namespace tsrn::setup {

struct UnattendedRequest {
    std::string installFolder;
    std::string sourceFolder;
    std::string password;
    // Without it a password already in force ("pwd") is kept.
    bool replacePassword = false;
};

// 0 when everything was installed and the password stored (or the one in
// force kept); otherwise the installation is undone (a reinstall restores the
// earlier one) and the result is 1.
[[nodiscard]] int RunUnattendedInstall(const UnattendedRequest& request, const InstallPaths& paths,
                                       registry::RegistryDatabase& registry, std::ostream& out,
                                       std::ostream& err);

}  // namespace tsrn::setup
