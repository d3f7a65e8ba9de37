#include "AccessRules.h"

#include <fcntl.h>

#include <cerrno>

namespace tsrn::vx::access {
namespace {

int Refuse(bool refused) {
    return refused ? -EACCES : 0;
}

// A file or folder moved (or linked) to where other rules hold would shed the
// open, write and search prohibitions of the folder it came from.
bool LeavesGuard(const FolderRules& from, const FolderRules& to) {
    return from.slot != to.slot && from.Forbids(kForbidOpen | kForbidWrite | kForbidSearch);
}

// One direction of a rename: the entry leaves `from` and lands in `to`.
bool RenameRefused(const FolderRules& from, const FolderRules& to, bool fromHolds, bool toHolds,
                   bool targetExists) {
    if (from.Forbids(kForbidDelete) || to.Forbids(kForbidWrite) || LeavesGuard(from, to) ||
        fromHolds) {
        return true;
    }
    return targetExists && (to.Forbids(kForbidDelete) || toHolds);
}

}  // namespace

bool WantsWrite(int flags) {
    return (flags & O_ACCMODE) != O_RDONLY || (flags & O_TRUNC) != 0;
}

int Open(const FolderRules& rules, int flags) {
    return Refuse(rules.Forbids(kForbidOpen) || (WantsWrite(flags) && rules.Forbids(kForbidWrite)));
}

int Create(const FolderRules& rules) {
    return Refuse(rules.Forbids(kForbidOpen) || rules.Forbids(kForbidWrite));
}

int Change(const FolderRules& rules) {
    return Refuse(rules.Forbids(kForbidWrite));
}

int List(const FolderRules& rules) {
    return Refuse(rules.Forbids(kForbidSearch));
}

int Remove(const FolderRules& rules, bool holdsRegistered) {
    // A registered folder, or a folder holding one, is never moved or removed
    // from inside a mount: it would carry its files away from their rules.
    return Refuse(rules.Forbids(kForbidDelete) || holdsRegistered);
}

int Link(const FolderRules& from, const FolderRules& to) {
    return Refuse(to.Forbids(kForbidWrite) || LeavesGuard(from, to));
}

int Rename(const RenameCase& r) {
    bool refused = RenameRefused(r.from, r.to, r.fromHoldsRegistered, r.toHoldsRegistered,
                                 r.exchange || r.targetExists);
    if (r.exchange) {
        refused = refused ||
                  RenameRefused(r.to, r.from, r.toHoldsRegistered, r.fromHoldsRegistered, true);
    }
    return Refuse(refused);
}

}  // namespace tsrn::vx::access
