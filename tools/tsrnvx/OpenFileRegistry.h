#pragma once
// The files open through the driver right now, by the path they were opened
// under, across every mount; counted per registered folder.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tsrn::vx {

class OpenFileRegistry {
  public:
    std::uint64_t Add(const std::string& absolutePath);
    void Remove(std::uint64_t id);
    // Files open at or below any of `folders`.
    std::uint32_t CountWithin(const std::vector<std::string>& folders) const;

  private:
    mutable std::mutex mutex_;
    std::uint64_t nextId_ = 1;
    std::map<std::uint64_t, std::string> open_;
};

}  // namespace tsrn::vx
