#pragma once
// The ordered folder records, held as five parallel columns (long path, short
// path, description, state, kind) that always have the same length, and beside
// them whether the driver serves each record. The record at position p is slot
// p+1 in the driver. A position beyond the list reads as an empty record and
// is never written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "folders/FolderRecord.h"

namespace tsrn::folders {

// Whether the driver serves a record. A record the driver refused because its
// path did not exist keeps its own state word (it is saved as it is) and is
// registered when the path appears; one refused again after appearing waits
// until its path has gone and come back.
// A record added or kept while the driver was not running waits for the
// driver's restart the same way.
enum class Availability : std::uint8_t { Served, Absent, Refused, NoDriver };

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

    Availability Served(std::size_t position) const;
    bool IsServed(std::size_t position) const { return Served(position) == Availability::Served; }

    void Append(FolderRecord record, Availability served = Availability::Served);
    void SetServed(std::size_t position, Availability served);
    void SetState(std::size_t position, std::uint32_t state);
    void SetDescription(std::size_t position, std::string description);
    void SetShortPath(std::size_t position, std::string shortPath);
    // Copies long path, short path, state, kind and availability (not the
    // description).
    void CopyPathsStateAndKind(std::size_t destination, std::size_t source);
    void DropLast();

  private:
    std::vector<std::string> longPaths_;
    std::vector<std::string> shortPaths_;
    std::vector<std::string> descriptions_;
    std::vector<std::uint32_t> states_;
    std::vector<FolderKind> kinds_;
    std::vector<Availability> served_;
};

}  // namespace tsrn::folders
