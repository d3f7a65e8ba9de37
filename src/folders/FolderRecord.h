#pragma once
// One protected folder of the list; the bits of its state word are in
// driver/FolderState.h.

#include <cstdint>
#include <string>

namespace tsrn::folders {

enum class FolderKind : std::uint32_t { User = 1, RegistryFile = 2 };

struct FolderRecord {
    std::string longPath;
    std::string shortPath;
    std::string description;
    std::uint32_t state = 0;
    FolderKind kind = FolderKind::User;

    friend bool operator==(const FolderRecord&, const FolderRecord&) = default;
};

}  // namespace tsrn::folders
