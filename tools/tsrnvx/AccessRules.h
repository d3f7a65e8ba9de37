#pragma once
// What a folder's prohibitions let through, decided from the rules of the
// paths involved alone: nothing here knows how a request reached the driver.
// Each answer is 0 or -EACCES.

#include "FolderRules.h"

namespace tsrn::vx::access {

// Open flags that write (O_TRUNC writes even with O_RDONLY).
bool WantsWrite(int flags);

[[nodiscard]] int Open(const FolderRules& rules, int flags);
[[nodiscard]] int Create(const FolderRules& rules);
// Making an entry (folder, node, link target) or changing a size, mode,
// owner, times or extended attribute.
[[nodiscard]] int Change(const FolderRules& rules);
[[nodiscard]] int List(const FolderRules& rules);
// `holdsRegistered`: the entry is a registered folder or holds one.
[[nodiscard]] int Remove(const FolderRules& rules, bool holdsRegistered);
[[nodiscard]] int Link(const FolderRules& from, const FolderRules& to);

struct RenameCase {
    FolderRules from;
    FolderRules to;
    bool fromHoldsRegistered = false;
    bool toHoldsRegistered = false;
    bool targetExists = false;
    bool exchange = false;
};
[[nodiscard]] int Rename(const RenameCase& rename);

}  // namespace tsrn::vx::access
