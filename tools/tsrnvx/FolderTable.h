#pragma once
// The driver's slots (long path, short path, state), the key and the global
// word, shared by the control thread (writer) and every file-system thread
// (readers). Paths are kept as given and in canonical form (symbolic links
// resolved): a folder is matched by its canonical paths, a whole path
// component at a time, and the innermost registered folder decides.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "FolderRules.h"
#include "crypto/Cipher.h"

namespace tsrn::vx {

class FolderTable {
  public:
    struct Slot {
        std::string longPath;
        std::string shortPath;
        std::string canonicalLong;   // empty when the long path is not set
        std::string canonicalShort;  // empty when the short path is not set
        bool isDirectory = true;
        std::uint32_t state = 0;
    };

    // Writers (control thread).
    void Put(std::uint32_t slot, const Slot& value);
    [[nodiscard]] bool Get(std::uint32_t slot, Slot& value) const;
    void Erase(std::uint32_t slot);
    [[nodiscard]] bool SetState(std::uint32_t slot, std::uint32_t state);
    void SetKey(const crypto::CipherKey& key);
    bool KeySet() const;
    void SetGlobalWord(std::uint32_t word);
    std::uint32_t GlobalWord() const;

    // A frozen copy, for mounts that go on serving open files after their
    // folder was cleared.
    std::unique_ptr<FolderTable> Snapshot() const;

    // Changes with every change of slots, states or key: cached plaintext
    // from an earlier generation may be stale.
    std::uint64_t Generation() const { return generation_.load(); }

    // Readers (file-system threads).
    FolderRules RulesFor(const std::string& absolutePath) const;
    // True when a registered folder is `path` itself or lies below it.
    bool HoldsRegisteredFolder(const std::string& path) const;
    std::vector<std::string> CanonicalPaths(std::uint32_t slot) const;
    // The paths to mount: one per outermost registered folder (the folder
    // containing it for a registered file).
    std::vector<std::string> MountTargets() const;

    // `path` is `folder` or lies below it (whole components).
    static bool IsWithin(const std::string& path, const std::string& folder);

  private:
    void IndexPaths();

    mutable std::shared_mutex mutex_;
    std::map<std::uint32_t, Slot> slots_;
    // Every canonical path and the slot it belongs to (the lowest one when
    // several name the same folder), so a path's folder is found by looking
    // up its leading components rather than comparing it with every slot.
    std::map<std::string, std::uint32_t, std::less<>> byPath_;
    crypto::CipherKey key_{};
    bool keySet_ = false;
    std::uint32_t globalWord_ = 0;
    std::atomic<std::uint64_t> generation_{1};
};

}  // namespace tsrn::vx
