#include "setup/InstallState.h"

namespace tsrn::setup {

std::string WithTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

}  // namespace tsrn::setup
