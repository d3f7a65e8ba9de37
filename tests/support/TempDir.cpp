#include "TempDir.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <system_error>
#include <vector>

namespace tsrn::test {

TempDir::TempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) {
        path_ = buffer.data();
    }
}

TempDir::~TempDir() {
    if (path_.empty()) {
        return;
    }
    // Read-only files and folders inside must not stop the clean-up.
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec) && it->is_directory(ec)) {
            chmod(it->path().c_str(), 0700);
        }
    }
    chmod(path_.c_str(), 0700);
    std::filesystem::remove_all(path_, ec);
}

}  // namespace tsrn::test
