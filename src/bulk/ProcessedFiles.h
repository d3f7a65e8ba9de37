#pragma once
// The files a run has handed on, in order, with an index beside the list so
// asking "already there?" costs one hash look-up instead of a pass over the
// whole list.

#include <cstddef>
#include <string>
#include <unordered_set>
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
    std::vector<std::string> ordered_;
    std::unordered_set<std::string> index_;
};

}  // namespace tsrn::bulk
