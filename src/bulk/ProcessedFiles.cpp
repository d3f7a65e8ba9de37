#include "bulk/ProcessedFiles.h"

#include <algorithm>

namespace tsrn::bulk {

bool ProcessedFiles::Add(const std::string& path) {
    if (!index_.insert(path).second) {
        return false;
    }
    ordered_.push_back(path);
    return true;
}

bool ProcessedFiles::Contains(const std::string& path) const {
    return index_.count(path) != 0;
}

bool ProcessedFiles::Remove(const std::string& path) {
    if (index_.erase(path) == 0) {
        return false;
    }
    // The entry removed is nearly always the last one (the file just tried).
    auto found = std::find(ordered_.rbegin(), ordered_.rend(), path);
    ordered_.erase(std::next(found).base());
    return true;
}

void ProcessedFiles::Clear() {
    ordered_.clear();
    index_.clear();
}

}  // namespace tsrn::bulk
