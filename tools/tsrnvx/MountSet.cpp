#include "MountSet.h"

#include <algorithm>
#include <set>
#include <thread>

#include "Log.h"

namespace tsrn::vx {

MountSet::~MountSet() {
    DetachAll();
    Reap(std::chrono::seconds{5});
    // Whatever still serves is released by the mount's destructor.
}

void MountSet::Reconcile(const FolderTable& before) {
    std::vector<std::string> targetList = table_.MountTargets();
    std::set<std::string> targets(targetList.begin(), targetList.end());
    for (auto it = live_.begin(); it != live_.end();) {
        if (targets.count(it->first) == 0) {
            it->second->Detach(before.Snapshot());
            Log("stopped serving %s", it->first.c_str());
            draining_.push_back(std::move(it->second));
            it = live_.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& target : targets) {
        if (live_.count(target) != 0) {
            continue;
        }
        std::string error;
        auto mount = FolderMount::Start(target, table_, openFiles_, locks_, pool_, error);
        if (!mount) {
            Log("cannot serve %s: %s", target.c_str(), error.c_str());
            continue;
        }
        Log("serving %s", target.c_str());
        live_.emplace(target, std::move(mount));
    }
    Reap();
}

bool MountSet::Covers(const std::string& path) const {
    return std::any_of(live_.begin(), live_.end(),
                       [&](const auto& entry) { return FolderTable::IsWithin(path, entry.first); });
}

void MountSet::DetachAll() {
    for (auto& entry : live_) {
        entry.second->Detach();
        draining_.push_back(std::move(entry.second));
    }
    live_.clear();
}

bool MountSet::Reap(std::chrono::milliseconds wait) {
    auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        for (auto it = draining_.begin(); it != draining_.end();) {
            if ((*it)->Finished() && (*it)->Release()) {
                it = draining_.erase(it);
            } else {
                ++it;
            }
        }
        if (draining_.empty() || std::chrono::steady_clock::now() >= deadline) {
            return draining_.empty();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
    }
}

}  // namespace tsrn::vx
