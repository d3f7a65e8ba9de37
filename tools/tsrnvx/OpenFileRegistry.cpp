#include "OpenFileRegistry.h"

#include <algorithm>

#include "FolderTable.h"

namespace tsrn::vx {

std::uint64_t OpenFileRegistry::Add(const std::string& absolutePath) {
    std::lock_guard guard(mutex_);
    std::uint64_t id = nextId_++;
    open_.emplace(id, absolutePath);
    return id;
}

void OpenFileRegistry::Remove(std::uint64_t id) {
    std::lock_guard guard(mutex_);
    open_.erase(id);
}

std::uint32_t OpenFileRegistry::CountWithin(const std::vector<std::string>& folders) const {
    std::lock_guard guard(mutex_);
    std::uint32_t count = 0;
    for (const auto& entry : open_) {
        if (std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
                return FolderTable::IsWithin(entry.second, folder);
            })) {
            ++count;
        }
    }
    return count;
}

}  // namespace tsrn::vx
