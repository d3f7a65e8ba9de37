#include "bulk/ProcessedFiles.h"

#include <algorithm>
#include <functional>

namespace tsrn::bulk {

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
constexpr std::size_t kFirstTableSize = 64;

std::uint32_t HashPart(std::uint64_t slot) {
    return static_cast<std::uint32_t>(slot >> 32);
}

std::size_t PositionPart(std::uint64_t slot) {
    return static_cast<std::size_t>(slot & 0xffffffffu) - 1;
}

}  // namespace

std::uint64_t ProcessedFiles::MakeSlot(std::uint32_t hash, std::size_t position) {
    return (static_cast<std::uint64_t>(hash) << 32) | static_cast<std::uint64_t>(position + 1);
}

std::uint32_t ProcessedFiles::HashOf(std::string_view path) {
    const std::size_t full = std::hash<std::string_view>{}(path);
    return static_cast<std::uint32_t>(full ^ (full >> 32));
}

// The slot index holding `path`, or kNotFound.
std::size_t ProcessedFiles::Find(std::string_view path, std::uint32_t hash) const {
    if (slots_.empty()) {
        return kNotFound;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) {
            return kNotFound;
        }
        if (HashPart(slot) == hash && ordered_[PositionPart(slot)] == path) {
            return i;
        }
    }
}

void ProcessedFiles::Place(std::uint64_t slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = HashPart(slot) & mask;
    while (slots_[i] != 0) {
        i = (i + 1) & mask;
    }
    slots_[i] = slot;
}

void ProcessedFiles::Grow() {
    std::vector<std::uint64_t> old(slots_.empty() ? kFirstTableSize : slots_.size() * 2, 0);
    old.swap(slots_);
    for (std::uint64_t slot : old) {
        if (slot != 0) {
            Place(slot);
        }
    }
}

bool ProcessedFiles::Add(const std::string& path) {
    const std::uint32_t hash = HashOf(path);
    if (Find(path, hash) != kNotFound) {
        return false;
    }
    // At most half full, so probe runs stay short.
    if ((ordered_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    ordered_.push_back(path);
    Place(MakeSlot(hash, ordered_.size() - 1));
    return true;
}

bool ProcessedFiles::Contains(const std::string& path) const {
    return Find(path, HashOf(path)) != kNotFound;
}

// Frees a slot and moves later members of its probe run back, so no run has a gap.
void ProcessedFiles::Erase(std::size_t slotIndex) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t gap = slotIndex;
    for (std::size_t i = (gap + 1) & mask; slots_[i] != 0; i = (i + 1) & mask) {
        const std::size_t home = HashPart(slots_[i]) & mask;
        // Move the entry into the gap unless its home lies cyclically in (gap, i].
        const bool homeAfterGap = gap <= i ? (home > gap && home <= i) : (home > gap || home <= i);
        if (!homeAfterGap) {
            slots_[gap] = slots_[i];
            gap = i;
        }
    }
    slots_[gap] = 0;
}

bool ProcessedFiles::Remove(const std::string& path) {
    const std::size_t slotIndex = Find(path, HashOf(path));
    if (slotIndex == kNotFound) {
        return false;
    }
    const std::size_t position = PositionPart(slots_[slotIndex]);
    Erase(slotIndex);
    ordered_.erase(ordered_.begin() + static_cast<std::ptrdiff_t>(position));
    // The entry removed is nearly always the last one (the file just tried);
    // otherwise the positions after it move down by one.
    if (position != ordered_.size()) {
        for (std::uint64_t& slot : slots_) {
            if (slot != 0 && PositionPart(slot) > position) {
                --slot;
            }
        }
    }
    return true;
}

void ProcessedFiles::Clear() {
    ordered_.clear();
    std::fill(slots_.begin(), slots_.end(), 0);
}

}  // namespace tsrn::bulk
