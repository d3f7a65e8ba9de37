#pragma once
// The run journal's file: an 8-byte magic, then records, each
//   u32 type | u32 payload length | payload | u32 check
// (little-endian; the check is the low 32 bits of Hash64 over type, length
// and payload). A record that is cut short or fails its check ends the
// journal: it was never flushed, so nothing it announces was written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bulk/CipherMode.h"
#include "crypto/Cipher.h"

namespace tsrn::journal {

inline constexpr std::size_t kPageSize = 4096;
inline constexpr char kMagic[8] = {'T', 'S', 'R', 'N', 'R', 'U', 'N', '1'};
// Version 2 hashes pages with XXH3-64; version 1 (still read and recovered)
// with XXH64.
inline constexpr std::uint32_t kFormatVersion = 2;
inline constexpr std::uint32_t kFirstFormatVersion = 1;

// The two states a file of a run can be in, whatever the direction of the
// transform in progress: as it was before the run, or as the run makes it.
enum class FileState : std::uint8_t { Old = 0, New = 1 };

enum class RecordType : std::uint32_t {
    Header = 1,    // version, mode, key identities, folder
    File = 2,      // a file number for a path and its length
    Pages = 3,     // hashes of pages of a file in a given state
    Done = 4,      // a file is wholly in a state
    Undoing = 5,   // from here on the run brings its files back
    Failed = 6,    // the run ended without finishing; the journal is kept
    Complete = 7,  // every file reached one state; kept until that is surely on disk
};

struct JournalHeader {
    std::uint32_t version = kFormatVersion;
    bulk::CipherMode mode = bulk::CipherMode::Encipher;
    std::uint32_t salt = 0;
    std::uint32_t currentKeyId = 0;
    std::uint32_t nextKeyId = 0;  // reciphering only
    std::string folder;
};

// Appends encoded records to a buffer.
class RecordEncoder {
  public:
    void Header(const JournalHeader& header);
    void File(std::uint32_t fileNo, std::uint64_t length, std::string_view path,
              std::uint32_t permissions);
    void Pages(std::uint32_t fileNo, FileState state, std::uint64_t firstPage,
               const std::uint64_t* hashes, std::size_t count);
    void Done(std::uint32_t fileNo, FileState state);
    void Marker(RecordType type);
    void Complete(FileState state, std::string_view place);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    bool Empty() const { return bytes_.empty(); }
    void Clear() { bytes_.clear(); }

  private:
    std::size_t Begin(RecordType type);
    void Finish(std::size_t start);
    void Put32(std::uint32_t value);
    void Put64(std::uint64_t value);
    void Put64s(const std::uint64_t* values, std::size_t count);
    void PutString(std::string_view text);

    std::vector<std::uint8_t> bytes_;
};

// What is known of one page: the hash of its content in `state`.
struct PageNote {
    bool known = false;
    FileState state = FileState::Old;
    std::uint64_t hash = 0;
};

struct JournalFileEntry {
    std::string path;
    std::uint64_t length = 0;
    std::uint32_t permissions = 0;  // before the run; 0 when not known
    std::vector<PageNote> pages;    // one per page of `length`
    std::optional<FileState> done;  // as last recorded; the pages decide
};

struct JournalContents {
    JournalHeader header;
    std::vector<JournalFileEntry> files;  // by file number, in the order they were introduced
    bool undoing = false;
    bool failed = false;
    std::optional<FileState> complete;  // the state every file of the run reached
    std::string completePlace;          // where its data sat then (see DataPlace)
    std::uint64_t validBytes = 0;       // the journal up to the end of its last whole record
};

// The key identity kept in a journal: 32 bits of a salted hash of the key,
// so the journal can tell a wrong password without holding the key.
std::uint32_t KeyIdentity(const crypto::CipherKey& key, std::uint32_t salt);

// The record framing shared by every journal file of the program: appends
// one framed record holding `payload`.
void AppendRecord(std::vector<std::uint8_t>& bytes, std::uint32_t type,
                  const std::vector<std::uint8_t>& payload);
// Hands each whole record from `offset` on to `take` (type, payload, length),
// stopping at the first one that is cut short, fails its check or is refused.
// Returns where the last record taken ends (`offset` when none was).
std::size_t ReadRecords(
    const std::vector<std::uint8_t>& bytes, std::size_t offset,
    const std::function<bool(std::uint32_t, const std::uint8_t*, std::size_t)>& take);

class ByteReader;

// The frame of every journal file: `magic`, then records the first of which
// is the file's header. `take` gets each record's type, payload and whether it
// is the first. Nothing, with `error` naming the file by `kind` ("run
// journal"), when the magic or a readable header is missing; else where the
// last record taken ends.
[[nodiscard]] std::optional<std::size_t> ReadHeadedRecords(
    const std::vector<std::uint8_t>& bytes, std::string_view magic, std::string_view kind,
    std::string& error, const std::function<bool(std::uint32_t, ByteReader&, bool)>& take);

// Parses a journal's bytes; nothing when it is not a run journal at all.
[[nodiscard]] std::optional<JournalContents> ParseJournal(const std::vector<std::uint8_t>& bytes,
                                                          std::string& error);

inline std::uint64_t PageCount(std::uint64_t length) {
    return (length + kPageSize - 1) / kPageSize;
}

}  // namespace tsrn::journal
