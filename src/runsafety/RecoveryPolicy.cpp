#include "runsafety/RecoveryPolicy.h"

#include <algorithm>

namespace tsrn::runsafety {

using journal::ChangeKey;

RecoveryEnd RecoverRun(journal::RunRecovery& recovery, journal::RecoveryChoice choice,
                       RecoveryWork& work, Prompter& prompter, RecoveryReport& report) {
    const journal::RecoveryResult result = work.Recover(recovery, choice);
    report.FilesLeftAlone(result);
    if (!result.ok) {
        report.NotRecovered(result.error);
        return {RunFate::Failed, false};
    }
    if (result.finished)
        return {RunFate::Settled, false};
    if (result.undone)
        return {RunFate::Undone, false};
    std::unique_ptr<bulk::CipheringRun> rest = recovery.ContinuedRun(result, prompter);
    if (!rest) {
        report.NotContinued();
        return {RunFate::Failed, false};
    }
    // The continued run says itself how it ended (done, or cancelled and undone).
    switch (work.FinishRun(std::move(rest))) {
        case bulk::RunOutcome::Completed:
            return {RunFate::Resumed, true};
        case bulk::RunOutcome::Cancelled:
            return {RunFate::Undone, true};
        case bulk::RunOutcome::Running:
        case bulk::RunOutcome::Failed:
            break;
    }
    return {RunFate::Failed, true};
}

std::optional<ChangeKey> KeyAfterRun(ChangeKey target, RunFate fate,
                                     std::optional<journal::FileState> complete) {
    const ChangeKey opposite = target == ChangeKey::New ? ChangeKey::Old : ChangeKey::New;
    // Only these three end a run in one state.
    if (fate == RunFate::Resumed)
        return target;
    if (fate == RunFate::Undone)
        return opposite;
    if (fate == RunFate::Settled)
        return complete == journal::FileState::New ? target : opposite;
    return std::nullopt;
}

bool NoteInChangeRecord(const std::filesystem::path& dir, const journal::UnfinishedRun& run,
                        const bulk::KeyPair& keys, RunFate fate, std::string& error) {
    const journal::ChangeRecordLoad load = journal::PasswordChangeRecord::Load(dir);
    if (!load.contents || run.contents.header.mode != bulk::CipherMode::Recipher)
        return true;
    const journal::ChangeRecordContents& change = *load.contents;
    const std::uint32_t from = journal::KeyIdentity(keys.current, change.salt);
    const std::uint32_t to = journal::KeyIdentity(keys.next, change.salt);
    const bool forward = from == change.oldKeyId && to == change.newKeyId;
    const bool back = from == change.newKeyId && to == change.oldKeyId;
    if (!forward && !back)
        return true;
    const std::optional<ChangeKey> key =
        KeyAfterRun(forward ? ChangeKey::New : ChangeKey::Old, fate, run.contents.complete);
    const std::string& folder = run.contents.header.folder;
    const bool moving =
        std::any_of(change.folders.begin(), change.folders.end(),
                    [&](const journal::ChangeFolder& f) { return f.path == folder && f.moving; });
    if (!key || !moving)
        return true;
    journal::PasswordChangeRecord record;
    return record.Continue(dir, change, error) && record.NoteReached(folder, *key, error);
}

}  // namespace tsrn::runsafety
