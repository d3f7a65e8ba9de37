#include "FolderTable.h"

#include <algorithm>
#include <mutex>
#include <string_view>

namespace tsrn::vx {

bool FolderTable::IsWithin(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.size() < folder.size() ||
        path.compare(0, folder.size(), folder) != 0) {
        return false;
    }
    return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

void FolderTable::Put(std::uint32_t slot, const Slot& value) {
    std::unique_lock lock(mutex_);
    ++generation_;
    slots_[slot] = value;
    IndexPaths();
}

bool FolderTable::Get(std::uint32_t slot, Slot& value) const {
    std::shared_lock lock(mutex_);
    auto it = slots_.find(slot);
    if (it == slots_.end()) {
        return false;
    }
    value = it->second;
    return true;
}

void FolderTable::Erase(std::uint32_t slot) {
    std::unique_lock lock(mutex_);
    ++generation_;
    slots_.erase(slot);
    IndexPaths();
}

void FolderTable::IndexPaths() {
    byPath_.clear();
    for (const auto& [number, slot] : slots_) {
        for (const std::string* path : {&slot.canonicalLong, &slot.canonicalShort}) {
            if (!path->empty()) {
                byPath_.emplace(*path, number);  // keeps the lowest slot
            }
        }
    }
}

bool FolderTable::SetState(std::uint32_t slot, std::uint32_t state) {
    std::unique_lock lock(mutex_);
    auto it = slots_.find(slot);
    if (it == slots_.end()) {
        return false;
    }
    it->second.state = state;
    ++generation_;
    return true;
}

void FolderTable::SetKey(const crypto::CipherKey& key) {
    std::unique_lock lock(mutex_);
    ++generation_;
    key_ = key;
    keySet_ = true;
}

bool FolderTable::KeySet() const {
    std::shared_lock lock(mutex_);
    return keySet_;
}

void FolderTable::SetGlobalWord(std::uint32_t word) {
    std::unique_lock lock(mutex_);
    globalWord_ = word;
}

std::uint32_t FolderTable::GlobalWord() const {
    std::shared_lock lock(mutex_);
    return globalWord_;
}

std::unique_ptr<FolderTable> FolderTable::Snapshot() const {
    std::shared_lock lock(mutex_);
    auto copy = std::make_unique<FolderTable>();
    copy->slots_ = slots_;
    copy->byPath_ = byPath_;
    copy->key_ = key_;
    copy->keySet_ = keySet_;
    copy->globalWord_ = globalWord_;
    return copy;
}

FolderRules FolderTable::RulesFor(const std::string& absolutePath) const {
    std::shared_lock lock(mutex_);
    FolderRules rules;
    rules.keySet = keySet_;
    rules.key = key_;
    // The innermost folder: the longest leading run of whole components.
    std::string_view prefix = absolutePath;
    for (;;) {
        auto found = byPath_.find(prefix);
        if (found != byPath_.end()) {
            rules.slot = found->second;
            rules.state = slots_.at(found->second).state;
            return rules;
        }
        std::size_t cut = prefix.find_last_of('/');
        if (cut == std::string_view::npos || prefix == "/") {
            return rules;
        }
        prefix = cut == 0 ? std::string_view("/") : prefix.substr(0, cut);
    }
}

bool FolderTable::HoldsRegisteredFolder(const std::string& path) const {
    std::shared_lock lock(mutex_);
    if (path == "/") {
        return !byPath_.empty();
    }
    if (byPath_.count(path) != 0) {
        return true;
    }
    // Every path below `path` starts with `path/`, and those sort together.
    std::string below = path + "/";
    auto it = byPath_.lower_bound(below);
    return it != byPath_.end() && it->first.compare(0, below.size(), below) == 0;
}

std::vector<std::string> FolderTable::CanonicalPaths(std::uint32_t slot) const {
    std::shared_lock lock(mutex_);
    std::vector<std::string> paths;
    auto it = slots_.find(slot);
    if (it != slots_.end()) {
        for (const std::string& path : {it->second.canonicalLong, it->second.canonicalShort}) {
            if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end()) {
                paths.push_back(path);
            }
        }
    }
    return paths;
}

std::vector<std::string> FolderTable::MountTargets() const {
    std::vector<std::string> candidates;
    {
        std::shared_lock lock(mutex_);
        for (const auto& entry : slots_) {
            const Slot& slot = entry.second;
            for (const std::string& path : {slot.canonicalLong, slot.canonicalShort}) {
                if (path.empty()) {
                    continue;
                }
                std::string target = path;
                if (!slot.isDirectory) {
                    std::size_t cut = target.find_last_of('/');
                    target = cut == 0 ? "/" : target.substr(0, cut);
                }
                candidates.push_back(target);
            }
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    // A candidate is nested when one of its leading components is another.
    std::vector<std::string> outermost;
    for (const std::string& candidate : candidates) {
        bool nested = candidate != "/" &&
                      std::binary_search(candidates.begin(), candidates.end(), std::string("/"));
        for (std::size_t cut = candidate.find('/', 1); !nested && cut != std::string::npos;
             cut = candidate.find('/', cut + 1)) {
            nested =
                std::binary_search(candidates.begin(), candidates.end(), candidate.substr(0, cut));
        }
        if (!nested) {
            outermost.push_back(candidate);
        }
    }
    return outermost;
}

}  // namespace tsrn::vx
