#pragma once
// What a folder's prohibitions let through, decided from the rules of the
// paths involved alone: nothing here knows how a request reached the driver.
// Each answer is 0 or -EACCES.

#include "FolderRules.h"

namespace tsrn::vx::access {

// Open flags that write (O_TRUNC writes even with O_RDONLY).
bool WantsWrite(int flags);

int Open(const FolderRules& rules, int flags);
int Create(const FolderRules& rules);
// Making an entry (folder, node, link target) or changing a size, mode,
// owner, times or extended attribute.
int Change(const FolderRules& rules);
int List(const FolderRules& rules);
// `holdsRegistered`: the entry is a registered folder or holds one.
int Remove(const FolderRules& rules, bool holdsRegistered);
int Link(const FolderRules& from, const FolderRules& to);

struct RenameCase {
    FolderRules from;
    FolderRules to;
    bool fromHoldsRegistered = false;
    bool toHoldsRegistered = false;
    bool targetExists = false;
    bool exchange = false;
};
int Rename(const RenameCase& rename);

}  // namespace tsrn::vx::access
