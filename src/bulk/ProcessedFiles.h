#pragma once
// The files a run has handed on, in order, with an index beside the list so
// asking "already there?" costs one hash look-up instead of a pass over the
// whole list. The index is a flat table of positions into the list, so each
// path is stored once and adding one costs no allocation of its own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsrn::bulk {

class ProcessedFiles {
  public:
    // False (and nothing changes) when the path is already recorded.
    bool Add(const std::string& path);
    bool Contains(const std::string& path) const;
    // Removes the latest entry equal to `path`; false when there is none.
    bool Remove(const std::string& path);
    void Clear();

    std::size_t Size() const { return ordered_.size(); }
    bool Empty() const { return ordered_.empty(); }
    const std::string& At(std::size_t index) const { return ordered_[index]; }
    const std::vector<std::string>& Ordered() const { return ordered_; }

  private:
    // A slot holds the upper half of the path's hash and its list position
    // plus one; 0 is a free slot.
    static std::uint64_t MakeSlot(std::uint32_t hash, std::size_t position);
    static std::uint32_t HashOf(std::string_view path);
    std::size_t Find(std::string_view path, std::uint32_t hash) const;
    void Grow();
    void Place(std::uint64_t slot);
    void Erase(std::size_t slotIndex);

    std::vector<std::string> ordered_;
    std::vector<std::uint64_t> slots_;
};

}  // namespace tsrn::bulk
