#include "runsafety/RunJournalGuard.h"

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
    std::string error;
    writer_ = journal::RunJournalWriter::Start(directory_, folder, mode, keys, error);
    if (writer_)
        return true;
    return AskYesNo(prompter_, str::kJournalStartFailed,
                    text::FormatText<str::kJournalStartFailed>(error), Answer::No) == Answer::Yes;
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
