#pragma once
// The ordered folder records, held as five parallel columns (long path, short
// path, description, state, kind) that always have the same length. The record
// at position p is slot p+1 in the driver. A position beyond the list reads as
// an empty record and is never written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "folders/FolderRecord.h"

namespace tsrn::folders {

class FolderList {
  public:
    std::size_t Size() const { return longPaths_.size(); }
    bool Empty() const { return longPaths_.empty(); }

    FolderRecord Record(std::size_t position) const;
    const std::string& LongPath(std::size_t position) const;
    const std::string& ShortPath(std::size_t position) const;
    const std::string& Description(std::size_t position) const;
    std::uint32_t State(std::size_t position) const;
    FolderKind Kind(std::size_t position) const;

    void Append(FolderRecord record);
    void SetState(std::size_t position, std::uint32_t state);
    void SetDescription(std::size_t position, std::string description);
    // Copies long path, short path, state and kind (not the description).
    void CopyPathsStateAndKind(std::size_t destination, std::size_t source);
    void DropLast();

  private:
    std::vector<std::string> longPaths_;
    std::vector<std::string> shortPaths_;
    std::vector<std::string> descriptions_;
    std::vector<std::uint32_t> states_;
    std::vector<FolderKind> kinds_;
};

}  // namespace tsrn::folders
