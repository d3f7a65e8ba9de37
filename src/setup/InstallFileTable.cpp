#include "setup/InstallFileTable.h"

namespace tsrn::setup {

std::span<const InstallFile> FileGroup(int group) {
    switch (group) {
        case 0:
            return kProgramFiles;
        case 1:
            return kDriverFiles;
        case 2:
            return kLibraryFiles;
        default:
            return {};
    }
}

}  // namespace tsrn::setup
