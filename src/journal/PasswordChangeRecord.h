#pragma once
// The record of a password change over several folders. The change reciphers
// one folder after another and puts the new password in force only after the
// last; a run journal covers one folder only. This record, kept beside the run
// journals from before the first folder's run until the new password is in
// force, tells after a crash which folders are under which key, so the change
// can be finished or taken back instead of leaving folders unreadable.
//
// It holds the identities of the old and the new key (never a key or a
// password), each folder of the change, and for each the runs announced and
// ended. Records are framed and checked as in the run journals; a torn tail is
// ignored, and the file is linked in only once its header is on disk.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "crypto/Cipher.h"
#include "journal/JournalFile.h"

namespace tsrn::journal {

inline constexpr char kChangeRecordMagic[8] = {'T', 'S', 'R', 'N', 'P', 'W', 'C', '1'};
inline constexpr std::uint32_t kChangeRecordVersion = 1;
inline constexpr const char* kChangeRecordName = "password-change.record";

// Which of the change's two keys a folder's files are under.
enum class ChangeKey : std::uint8_t { Old = 0, New = 1 };

enum class ChangeRecordType : std::uint32_t {
    Header = 1,   // version, salt, old key identity, new key identity
    Folder = 2,   // folder number, path
    Moving = 3,   // folder number, target key: a run towards it is about to start
    Reached = 4,  // folder number, key: the folder is wholly under it
    Ended = 5,    // folder number: the announced run ended without reaching its target
};

struct ChangeFolder {
    std::string path;
    ChangeKey key = ChangeKey::Old;   // the last key it was known to be wholly under
    std::optional<ChangeKey> moving;  // a run towards this key was started since
    bool ended = false;               // that run ended without reaching it
};

struct ChangeRecordContents {
    std::uint32_t version = kChangeRecordVersion;
    std::uint32_t salt = 0;
    std::uint32_t oldKeyId = 0;
    std::uint32_t newKeyId = 0;
    std::vector<ChangeFolder> folders;
    std::uint64_t validBytes = 0;
};

struct ChangeRecordLoad {
    bool present = false;  // a record file is there
    bool inUse = false;    // held by a password change still going on
    std::optional<ChangeRecordContents> contents;
    std::string error;  // present but not readable
};

class PasswordChangeRecord {
  public:
    static std::filesystem::path PathIn(const std::filesystem::path& dir);
    [[nodiscard]] static ChangeRecordLoad Load(const std::filesystem::path& dir);
    [[nodiscard]] static std::optional<ChangeRecordContents> Parse(
        const std::vector<std::uint8_t>& bytes, std::string& error);
    // The folders whose latest run was announced and not yet seen to end.
    static std::vector<std::string> MovingFolders(const ChangeRecordContents& contents);

    // A new record (flushed, folder flushed); fails when one is left.
    [[nodiscard]] bool Create(const std::filesystem::path& dir, const crypto::CipherKey& oldKey,
                              const crypto::CipherKey& newKey, std::string& error);
    // Goes on writing a record left behind, after its last whole record.
    [[nodiscard]] bool Continue(const std::filesystem::path& dir, ChangeRecordContents contents,
                                std::string& error);

    // Each note is flushed before it returns.
    [[nodiscard]] bool NoteMoving(const std::string& folder, ChangeKey target, std::string& error);
    [[nodiscard]] bool NoteReached(const std::string& folder, ChangeKey key, std::string& error);
    [[nodiscard]] bool NoteEnded(const std::string& folder, std::string& error);
    [[nodiscard]] bool Remove(std::string& error);

    bool IsOpen() const { return file_.IsOpen(); }
    const ChangeRecordContents& Contents() const { return contents_; }
    const std::filesystem::path& Path() const { return file_.Path(); }
    // Number of `folder` in the record, or nothing.
    std::optional<std::uint32_t> FolderNumber(const std::string& folder) const;

  private:
    [[nodiscard]] bool Commit(std::vector<std::uint8_t> bytes, std::string& error);

    JournalFile file_;
    ChangeRecordContents contents_;
};

}  // namespace tsrn::journal
