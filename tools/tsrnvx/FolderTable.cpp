#include "FolderTable.h"

#include <algorithm>
#include <mutex>

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
    copy->key_ = key_;
    copy->keySet_ = keySet_;
    copy->globalWord_ = globalWord_;
    return copy;
}

FolderRules FolderTable::RulesFor(const std::string& absolutePath) const {
    std::shared_lock lock(mutex_);
    FolderRules rules;
    std::size_t best = 0;
    for (const auto& [number, slot] : slots_) {
        for (const std::string* path : {&slot.canonicalLong, &slot.canonicalShort}) {
            if (path->size() > best && IsWithin(absolutePath, *path)) {
                best = path->size();
                rules.slot = number;
                rules.state = slot.state;
            }
        }
    }
    rules.keySet = keySet_;
    rules.key = key_;
    return rules;
}

bool FolderTable::HoldsRegisteredFolder(const std::string& path) const {
    std::shared_lock lock(mutex_);
    for (const auto& entry : slots_) {
        const Slot& slot = entry.second;
        if (IsWithin(slot.canonicalLong, path) || IsWithin(slot.canonicalShort, path)) {
            return true;
        }
    }
    return false;
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
