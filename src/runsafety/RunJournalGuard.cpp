#include "runsafety/RunJournalGuard.h"

#include <algorithm>

#include "journal/PasswordChangeRecord.h"
#include "journal/RunRecovery.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "runsafety/RecoveryTexts.h"

namespace tsrn::runsafety {

namespace str = res::str;

RunJournalGuard::RunJournalGuard(Prompter& prompter, std::filesystem::path directory)
    : prompter_(prompter),
      directory_(directory.empty() ? journal::JournalDirectory() : std::move(directory)) {}

bool RunJournalGuard::Open(const std::string& folder, bulk::CipherMode mode,
                           const bulk::KeyPair& keys) {
    writer_.reset();
    const journal::RunScan scan = journal::FindUnfinishedRuns(directory_);
    if (const journal::UnfinishedRun* run = journal::OverlappingRun(scan, folder)) {
        Warn(prompter_, str::kRunOverlapRefused,
             text::FormatText<str::kRunOverlapRefused>(run->contents.header.folder));
        return false;
    }
    if (HeldByLeftChange(folder))
        return false;
    std::string error;
    writer_ = journal::RunJournalWriter::Start(directory_, folder, mode, keys, error);
    if (writer_)
        return true;
    return AskYesNo(prompter_, str::kJournalStartFailed,
                    text::FormatText<str::kJournalStartFailed>(error), Answer::No) == Answer::Yes;
}

// A folder a password change left unfinished has reciphered (or was working
// on) is under a password that is not in force: a run over it now would mix
// two keys in one tree. The change's own take-back and finish hold the record
// open, so they are never refused here.
bool RunJournalGuard::HeldByLeftChange(const std::string& folder) {
    const journal::ChangeRecordLoad change = journal::PasswordChangeRecord::Load(directory_);
    if (!change.contents)
        return false;
    const auto overlaps = [&](const journal::ChangeFolder& entry) {
        return (entry.key == journal::ChangeKey::New || entry.moving) &&
               journal::FoldersOverlap(entry.path, folder);
    };
    if (std::none_of(change.contents->folders.begin(), change.contents->folders.end(), overlaps))
        return false;
    Warn(prompter_, str::kChangeLeftRefused,
         text::FormatText<str::kChangeLeftRefused>(
             journal::PasswordChangeRecord::PathIn(directory_).string()));
    return true;
}

void RunJournalGuard::Attach(bulk::CipheringRun& run) const {
    if (writer_)
        run.SetJournal(writer_.get());
}

void RunJournalGuard::Close() {
    // Released first: a journal left behind is then free for a recovery.
    const std::unique_ptr<journal::RunJournalWriter> writer = std::move(writer_);
    if (!writer || writer->Removed() || writer->Completed())
        return;
    if (writer->Broken())
        Warn(prompter_, str::kJournalBroken,
             text::FormatText<str::kJournalBroken>(writer->Error()));
    Warn(prompter_, str::kJournalKept,
         text::FormatText<str::kJournalKept>(writer->Path().string()));
}

}  // namespace tsrn::runsafety
