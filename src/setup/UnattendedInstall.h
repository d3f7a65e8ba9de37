#pragma once
// Installing without windows, for scripts and packaging: the same steps as the
// wizard, a failed copy rolled back at once, progress and errors as lines of
// text.

#include <iosfwd>
#include <string>

#include "platform/RegistryDatabase.h"
#include "setup/InstallPaths.h"

namespace tsrn::setup {

struct UnattendedRequest {
    std::string installFolder;
    std::string sourceFolder;
    std::string password;
};

// 0 when everything was installed and the password stored; otherwise the
// installation is rolled back (when anything was written) and the result is 1.
int RunUnattendedInstall(const UnattendedRequest& request, const InstallPaths& paths,
                         RegistryDatabase& registry, std::ostream& out, std::ostream& err);

}  // namespace tsrn::setup
