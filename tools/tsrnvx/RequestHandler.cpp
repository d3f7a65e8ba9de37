#include "RequestHandler.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Log.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::vx {

namespace wire = driver::wire;
using driver::RequestCode;

namespace {

wire::Reply Word(std::uint32_t answer) {
    return wire::Reply{true, answer};
}
wire::Reply Yes() {
    return wire::Reply{true, 0};
}
wire::Reply No() {
    return wire::Reply{false, 0};
}

// The folder a text names, with links resolved; empty when it does not exist
// or is neither a folder nor a plain file.
std::string Canonical(const std::string& text, bool& isDirectory) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(text.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        return {};
    }
    struct stat st {};
    if (::stat(resolved.get(), &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) {
        return {};
    }
    isDirectory = S_ISDIR(st.st_mode);
    std::string path = resolved.get();
    return path == "/" ? std::string() : path;  // the root itself is never covered
}

}  // namespace

bool RequestHandler::StateAcceptable(std::uint32_t state) const {
    return !WorkingState(state) || table_.KeySet();
}

std::uint32_t RequestHandler::SetPath(std::uint32_t slot, const std::optional<std::string>& text,
                                      std::uint32_t state, bool isShort) {
    if (slot == 0 || !text || !StateAcceptable(state)) {
        return kRefused;
    }
    bool isDirectory = true;
    std::string canonical = Canonical(*text, isDirectory);
    if (canonical.empty()) {
        Log("refused slot %u: %s cannot be served", slot, text->c_str());
        return kRefused;
    }
    FolderTable::Slot previous;
    bool existed = table_.Get(slot, previous);
    FolderTable::Slot next = existed ? previous : FolderTable::Slot{};
    if (isShort) {
        next.shortPath = *text;
        next.canonicalShort = canonical;
    } else {
        next.longPath = *text;
        next.canonicalLong = canonical;
    }
    if (!isShort || next.canonicalLong.empty()) {
        next.isDirectory = isDirectory;
    }
    next.state = state;
    auto before = table_.Snapshot();
    table_.Put(slot, next);
    mounts_.Reconcile(*before);
    if (mounts_.Covers(canonical)) {
        return 0;
    }
    auto attempted = table_.Snapshot();
    if (existed) {
        table_.Put(slot, previous);
    } else {
        table_.Erase(slot);
    }
    mounts_.Reconcile(*attempted);
    return kRefused;
}

std::uint32_t RequestHandler::ClearPath(std::uint32_t slot, bool isShort) {
    FolderTable::Slot current;
    if (!table_.Get(slot, current)) {
        return 0;
    }
    auto before = table_.Snapshot();
    if (isShort && !current.canonicalLong.empty()) {
        current.shortPath.clear();
        current.canonicalShort.clear();
        table_.Put(slot, current);
    } else {
        table_.Erase(slot);
    }
    mounts_.Reconcile(*before);
    return 0;
}

std::uint32_t RequestHandler::SetState(std::uint32_t slot, std::uint32_t state) {
    if (!StateAcceptable(state) || !table_.SetState(slot, state)) {
        return kRefused;
    }
    return 0;
}

bool RequestHandler::SetPassword(std::optional<std::string>& text) {
    if (!text || !crypto::PasswordLengthAllowed(*text)) {
        return false;
    }
    table_.SetKey(crypto::DeriveKey(*text));
    ::explicit_bzero(text->data(), text->size());
    return true;
}

wire::Reply RequestHandler::Handle(const wire::RequestHeader& header,
                                   std::optional<std::string>& text) {
    switch (header.code) {
        case RequestCode::QueryOpenFiles:
            return Word(openFiles_.CountWithin(table_.CanonicalPaths(header.inSize)));
        case RequestCode::InitializeDriver:
            return Yes();
        case RequestCode::SetFolderPath:
            return Word(SetPath(header.inSize, text, header.outSize, false));
        case RequestCode::SetFolderShortPath:
            return Word(SetPath(header.inSize, text, header.outSize, true));
        case RequestCode::ClearFolderPath:
            return Word(ClearPath(header.inSize, false));
        case RequestCode::ClearFolderShortPath:
            return Word(ClearPath(header.inSize, true));
        case RequestCode::SetFolderState:
            return Word(SetState(header.inSize, header.outSize));
        case RequestCode::SetGlobalProtection:
            table_.SetGlobalWord(header.inSize);
            Log("global prohibition word 0x%02x stored (FUSE cannot enforce it outside the "
                "registered folders)",
                header.inSize);
            return Yes();
        case RequestCode::SetPassword:
            return SetPassword(text) ? Yes() : No();
    }
    return No();
}

}  // namespace tsrn::vx
