#include "runsafety/StartupRecovery.h"

#include "crypto/KeyDerivation.h"
#include "crypto/SecretWipe.h"
#include "journal/JournalFormat.h"
#include "journal/PasswordChangeRecord.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "runsafety/RecoveryPolicy.h"
#include "runsafety/RecoveryTexts.h"

namespace tsrn::runsafety {

namespace str = res::str;
using journal::RecoveryChoice;
using journal::UnfinishedRun;

namespace {

long long Count(std::size_t count) {
    return static_cast<long long>(count);
}

// What the recovery of one run tells on its way, in message boxes.
class MessageBoxReport final : public RecoveryReport {
  public:
    MessageBoxReport(Prompter& prompter, const std::string& folder, const std::string& journal)
        : prompter_(prompter), folder_(folder), journal_(journal) {}

    void FilesLeftAlone(const journal::RecoveryResult& result) override {
        if (!result.missingFiles.empty())
            Warn(prompter_, str::kRecoveryMissingFiles,
                 text::FormatText<str::kRecoveryMissingFiles>(Count(result.missingFiles.size()),
                                                              PathLines(result.missingFiles)));
        if (!result.changedFiles.empty())
            Warn(prompter_, str::kRecoveryChangedFiles,
                 text::FormatText<str::kRecoveryChangedFiles>(Count(result.changedFiles.size()),
                                                              PathLines(result.changedFiles)));
    }
    void NotRecovered(const std::string& error) override {
        Warn(prompter_, str::kRecoveryFailed,
             text::FormatText<str::kRecoveryFailed>(folder_, error, journal_));
    }
    void NotContinued() override {
        Warn(prompter_, str::kRecoveryNotContinued,
             text::FormatText<str::kRecoveryNotContinued>(folder_, journal_));
    }

  private:
    Prompter& prompter_;
    const std::string& folder_;
    const std::string& journal_;
};

}  // namespace

// A folder a password change left unfinished was being taken back to the
// password in force: the run's other key is that change's new password.
bool StartupRecovery::TakingBack(const std::string& folder) const {
    const journal::ChangeRecordLoad change = journal::PasswordChangeRecord::Load(directory_);
    if (!change.contents)
        return false;
    for (const journal::ChangeFolder& entry : change.contents->folders) {
        if (entry.path == folder && entry.moving == journal::ChangeKey::Old)
            return true;
    }
    return false;
}

StartupRecovery::StartupRecovery(Prompter& prompter, RecoveryPorts& ports,
                                 std::filesystem::path directory)
    : prompter_(prompter),
      ports_(ports),
      directory_(directory.empty() ? journal::JournalDirectory() : std::move(directory)) {}

std::vector<RunFate> StartupRecovery::Run(const crypto::CipherKey& keyInForce) {
    const journal::RunScan scan = journal::FindUnfinishedRuns(directory_);
    for (const std::string& problem : scan.problems)
        Warn(prompter_, str::kRecoveryUnreadableJournal,
             text::FormatText<str::kRecoveryUnreadableJournal>(problem));
    std::vector<RunFate> fates;
    offered_.clear();
    for (const UnfinishedRun& run : scan.runs) {
        fates.push_back(Offer(run, keyInForce));
        offered_.push_back(OfferedRun{run.contents.header, run.contents.complete, fates.back()});
    }
    return fates;
}

RunFate StartupRecovery::Offer(const UnfinishedRun& run, const crypto::CipherKey& keyInForce) {
    const journal::JournalHeader& header = run.contents.header;
    const std::uint32_t identity = journal::KeyIdentity(keyInForce, header.salt);
    const bool recipher = header.mode == bulk::CipherMode::Recipher;
    // The password in force after a crash in a reciphering is the old one
    // (the new one is installed only once every folder is done), but a
    // journal kept from before may also meet the new one.
    KnownKey known = KnownKey::None;
    if (identity == header.currentKeyId)
        known = KnownKey::Old;
    else if (recipher && identity == header.nextKeyId)
        known = KnownKey::New;
    if (known == KnownKey::None) {
        Warn(prompter_, str::kRecoveryOtherPassword,
             text::FormatText<str::kRecoveryOtherPassword>(ModeText(header.mode), header.folder,
                                                           run.journal.string()));
        return RunFate::OtherPassword;
    }

    // A run that had ended in one state only needs its files made sure of.
    RecoveryChoice choice = RecoveryChoice::Resume;
    if (!run.contents.complete) {
        const RecoveryAnswer answer = ports_.AskChoice(Question(run, known));
        if (answer == RecoveryAnswer::Later) {
            ReportKept(run);
            return RunFate::Later;
        }
        choice = answer == RecoveryAnswer::Undo ? RecoveryChoice::Undo : RecoveryChoice::Resume;
    }

    bulk::KeyPair keys{keyInForce, {}};
    if (recipher) {
        RunFate fate = RunFate::Later;
        const std::optional<crypto::CipherKey> other = AskOtherKey(run, known, fate);
        if (!other)
            return fate;
        keys = known == KnownKey::Old ? bulk::KeyPair{keyInForce, *other}
                                      : bulk::KeyPair{*other, keyInForce};
    }
    journal::RunRecovery recovery(run, keys);
    RunFate fate = RunFate::Failed;
    if (!ports_.WithFolderStopped(header.folder, [&] { fate = Recover(recovery, choice); })) {
        ReportKept(run);
        return RunFate::Failed;
    }
    return fate;
}

std::string StartupRecovery::Question(const UnfinishedRun& run, KnownKey known) const {
    const journal::JournalHeader& header = run.contents.header;
    const long long files = Count(run.contents.files.size());
    std::string question =
        run.contents.undoing
            ? text::FormatText<str::kRecoveryUndoingQuestion>(ModeText(header.mode), header.folder,
                                                              files, run.journal.string())
            : text::FormatText<str::kRecoveryQuestion>(ModeText(header.mode), header.folder, files,
                                                       run.journal.string());
    if (header.mode == bulk::CipherMode::Recipher && known == KnownKey::Old &&
        !run.contents.undoing)
        question = std::string(text::Text(str::kRecoveryResumeOldInForce)) + question;
    return question;
}

std::optional<crypto::CipherKey> StartupRecovery::AskOtherKey(const UnfinishedRun& run,
                                                              KnownKey known, RunFate& fate) {
    const journal::JournalHeader& header = run.contents.header;
    if (known == KnownKey::Old)
        Inform(prompter_, str::kRecoveryAskNewPassword,
               text::FormatText<str::kRecoveryAskNewPassword>(header.folder));
    else if (TakingBack(header.folder))
        Inform(prompter_, str::kChangeAskNewPassword,
               std::string(text::Text(str::kChangeAskNewPassword)));
    else
        Inform(prompter_, str::kRecoveryAskOldPassword,
               text::FormatText<str::kRecoveryAskOldPassword>(header.folder));
    std::optional<std::string> typed = ports_.AskPassword();
    if (!typed) {
        ReportKept(run);
        fate = RunFate::Later;
        return std::nullopt;
    }
    const bool allowed = crypto::PasswordLengthAllowed(*typed);
    const crypto::CipherKey key = crypto::DeriveKey(*typed);
    crypto::WipeSecret(*typed);
    const std::uint32_t wanted = known == KnownKey::Old ? header.nextKeyId : header.currentKeyId;
    if (!allowed || journal::KeyIdentity(key, header.salt) != wanted) {
        Warn(prompter_, str::kRecoveryWrongPassword,
             text::FormatText<str::kRecoveryWrongPassword>(header.folder, run.journal.string()));
        fate = RunFate::WrongPassword;
        return std::nullopt;
    }
    return key;
}

RunFate StartupRecovery::Recover(journal::RunRecovery& recovery, RecoveryChoice choice) {
    const UnfinishedRun& run = recovery.Run();
    const std::string& folder = run.contents.header.folder;
    const std::string journalPath = run.journal.string();
    MessageBoxReport report(prompter_, folder, journalPath);
    const RecoveryEnd end = RecoverRun(recovery, choice, ports_, prompter_, report);
    if (end.continued) {
        if (end.fate == RunFate::Failed)
            Warn(prompter_, str::kJournalKept, text::FormatText<str::kJournalKept>(journalPath));
    } else if (end.fate == RunFate::Settled) {
        Inform(prompter_, str::kRecoverySettled, text::FormatText<str::kRecoverySettled>(folder));
    } else if (end.fate == RunFate::Undone) {
        Inform(prompter_, str::kRecoveryUndone, text::FormatText<str::kRecoveryUndone>(folder));
    }
    return end.fate;
}

void StartupRecovery::ReportKept(const UnfinishedRun& run) {
    Inform(prompter_, str::kRecoveryKept,
           text::FormatText<str::kRecoveryKept>(run.journal.string(), run.contents.header.folder));
}

}  // namespace tsrn::runsafety
