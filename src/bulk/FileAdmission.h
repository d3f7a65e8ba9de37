#pragma once
// Decides, once a file the walk listed is open, whether the run may
// transform it: nothing when it may, else why it is left alone.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

#include "bulk/SkippedFile.h"

namespace tsrn::bulk {

class FileAdmission {
  public:
    virtual ~FileAdmission() = default;
    // `st` is of the open file; `mount` its mount id (0 when unknown).
    [[nodiscard]] virtual std::optional<SkipReason> Admit(const std::string& path,
                                                          const struct stat& st,
                                                          std::uint64_t mount) = 0;
};

}  // namespace tsrn::bulk
