#pragma once
// Brings an interrupted bulk run to a clean end from its journal: every file
// the run touched is read page by page and each page found to hold its old
// or its new bytes (by the hashes noted before it was written). Undo takes
// every file back to its old bytes; resume takes the touched files forward
// and leaves the rest of the tree to a new run that skips the files done.
// A page that matches neither state (the file was changed by something else)
// is never written: its file is reported and the journal kept.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bulk/ChunkCipher.h"
#include "bulk/CipheringRun.h"
#include "journal/JournalFormat.h"
#include "journal/RunJournalWriter.h"
#include "platform/Prompter.h"

namespace tsrn::journal {

struct UnfinishedRun {
    std::filesystem::path journal;
    JournalContents contents;
};

struct RunScan {
    std::vector<UnfinishedRun> runs;
    std::vector<std::string> problems;  // journals that could not be read
};

// Where run journals live.
std::filesystem::path JournalDirectory();
// Every run journal left in `dir` (by default JournalDirectory()). Journals
// of runs that ended in one state are flushed and removed on the way, when
// their data has not left the page cache since (same boot, same mount); the
// others are listed, to be checked with the run's password(s).
[[nodiscard]] RunScan FindUnfinishedRuns(const std::filesystem::path& dir = JournalDirectory());
// The unfinished run whose folder is, contains or lies inside `folder`, if any.
const UnfinishedRun* OverlappingRun(const RunScan& scan, const std::string& folder);
// One folder is, contains or lies inside the other.
bool FoldersOverlap(const std::string& a, const std::string& b);

// True when `keys` are the keys the run was started with (both for reciphering).
bool KeysMatch(const JournalHeader& header, const bulk::KeyPair& keys);

enum class RecoveryChoice { Resume, Undo };

enum class PageState : std::uint8_t { Old, New, Unknown };

struct FileSurvey {
    bool readable = false;  // exists as a regular file of the recorded length
    bool missing = false;   // no longer there at all: nothing to bring into any state
    std::uint64_t oldPages = 0;
    std::uint64_t newPages = 0;
    std::uint64_t unknownPages = 0;
    std::vector<PageState> pages;
    bool Unknown() const { return !missing && (!readable || unknownPages > 0); }
};

struct RecoveryResult {
    bool ok = false;  // every touched file wholly in one state
    std::string error;
    bool keysMismatch = false;
    bool undone = false;            // the run was undone (also when it was undoing)
    bool finished = false;          // the run had ended in one state: only its flush was checked
    std::vector<std::string> done;  // resume: the files now wholly new, in run order
    std::vector<std::string> changedFiles;  // matched neither state: left alone
    std::vector<std::string> missingFiles;  // removed since: nothing to do for them
    std::size_t repairedFiles = 0;          // files whose pages had to be written
};

class RunRecovery {
  public:
    RunRecovery(UnfinishedRun run, const bulk::KeyPair& keys);

    bool KeysMatch() const;
    // Reads a file against its notes, writing nothing.
    FileSurvey Survey(const JournalFileEntry& entry) const;

    // Undo: every touched file back to its old bytes, then the journal goes.
    // Resume: every touched file wholly new; then the caller runs the rest
    // of the tree with Writer() as its journal, skipping `done`. A run that
    // was being undone is always undone.
    [[nodiscard]] RecoveryResult Recover(
        RecoveryChoice choice, const std::function<void(const std::string&)>& onFile = {});

    // After a successful resume: the rest of the run, with the files done
    // marked and this journal attached. The recovery object must outlive it.
    std::unique_ptr<bulk::CipheringRun> ContinuedRun(
        const RecoveryResult& result, Prompter& prompter,
        std::size_t chunkSize = bulk::FileTransformer::kDefaultChunkSize);
    const UnfinishedRun& Run() const { return run_; }

  private:
    [[nodiscard]] bool Convert(const JournalFileEntry& entry, const FileSurvey& survey,
                               FileState target, std::string& error) const;
    std::vector<std::size_t> LatestEntries() const;

    UnfinishedRun run_;
    bulk::KeyPair keys_;
    std::unique_ptr<RunJournalWriter> writer_;
};

}  // namespace tsrn::journal
