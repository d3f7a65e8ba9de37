// What a run recovered with both its keys (as tsrnctl recovers it) tells the
// record of the password change it belonged to: the key its folder is under
// now, only for a reciphering between the change's own keys, only for a
// folder the change left moving, and only once the run came to one state.

#include <gtest/gtest.h>

#include "TempDir.h"
#include "crypto/KeyDerivation.h"
#include "journal/PasswordChangeRecord.h"
#include "runsafety/RecoveryPolicy.h"

namespace tsrn::test {
namespace {

using journal::ChangeKey;
using journal::FileState;
using runsafety::RunFate;

struct NoteCase {
    const char* name;
    bulk::CipherMode mode;
    const char* from;  // the run's passwords
    const char* to;
    const char* folder;
    RunFate fate;
    std::optional<FileState> complete;
    std::optional<ChangeKey> noted;  // nothing: the record unchanged
};

TEST(RecoveryPolicyTest, ARecoveredRecipheringTellsTheChangeRecordItsFoldersKey) {
    const NoteCase cases[] = {
        {"resumed",
         bulk::CipherMode::Recipher,
         "old",
         "new",
         "/srv/cut",
         RunFate::Resumed,
         {},
         ChangeKey::New},
        {"undone",
         bulk::CipherMode::Recipher,
         "old",
         "new",
         "/srv/cut",
         RunFate::Undone,
         {},
         ChangeKey::Old},
        {"settled new", bulk::CipherMode::Recipher, "old", "new", "/srv/cut", RunFate::Settled,
         FileState::New, ChangeKey::New},
        {"settled old", bulk::CipherMode::Recipher, "old", "new", "/srv/cut", RunFate::Settled,
         FileState::Old, ChangeKey::Old},
        {"taken back",
         bulk::CipherMode::Recipher,
         "new",
         "old",
         "/srv/cut",
         RunFate::Resumed,
         {},
         ChangeKey::Old},
        {"take-back undone",
         bulk::CipherMode::Recipher,
         "new",
         "old",
         "/srv/cut",
         RunFate::Undone,
         {},
         ChangeKey::New},
        {"failed", bulk::CipherMode::Recipher, "old", "new", "/srv/cut", RunFate::Failed, {}, {}},
        {"other passwords",
         bulk::CipherMode::Recipher,
         "old",
         "other",
         "/srv/cut",
         RunFate::Resumed,
         {},
         {}},
        {"not reciphering",
         bulk::CipherMode::Decipher,
         "old",
         "new",
         "/srv/cut",
         RunFate::Resumed,
         {},
         {}},
        {"folder not moving",
         bulk::CipherMode::Recipher,
         "old",
         "new",
         "/srv/done",
         RunFate::Resumed,
         {},
         {}},
        {"folder not in the change",
         bulk::CipherMode::Recipher,
         "old",
         "new",
         "/srv/else",
         RunFate::Resumed,
         {},
         {}},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir state("tsrn-recovery-policy");
        const std::filesystem::path dir = state.Path() / "runs";
        {
            journal::PasswordChangeRecord record;
            std::string error;
            ASSERT_TRUE(
                record.Create(dir, crypto::DeriveKey("old"), crypto::DeriveKey("new"), error))
                << error;
            ASSERT_TRUE(record.NoteMoving("/srv/done", ChangeKey::New, error));
            ASSERT_TRUE(record.NoteReached("/srv/done", ChangeKey::New, error));
            ASSERT_TRUE(record.NoteMoving("/srv/cut", ChangeKey::New, error));
        }
        journal::UnfinishedRun run;
        run.journal = dir / "run.journal";
        run.contents.header.mode = c.mode;
        run.contents.header.folder = c.folder;
        run.contents.complete = c.complete;
        const bulk::KeyPair keys{crypto::DeriveKey(c.from), crypto::DeriveKey(c.to)};

        std::string error;
        EXPECT_TRUE(runsafety::NoteInChangeRecord(dir, run, keys, c.fate, error)) << error;

        const journal::ChangeRecordLoad load = journal::PasswordChangeRecord::Load(dir);
        ASSERT_TRUE(load.contents) << load.error;
        for (const journal::ChangeFolder& folder : load.contents->folders) {
            if (folder.path == "/srv/done") {
                EXPECT_EQ(folder.key, ChangeKey::New);
                EXPECT_FALSE(folder.moving);
            } else if (folder.path == "/srv/cut" && c.noted) {
                EXPECT_EQ(folder.key, *c.noted);
                EXPECT_FALSE(folder.moving);
            } else if (folder.path == "/srv/cut") {
                EXPECT_EQ(folder.key, ChangeKey::Old);
                EXPECT_EQ(folder.moving, ChangeKey::New);
            }
        }
    }
}

TEST(RecoveryPolicyTest, WithoutAChangeRecordThereIsNothingToNote) {
    TempDir state("tsrn-recovery-policy");
    journal::UnfinishedRun run;
    run.contents.header.mode = bulk::CipherMode::Recipher;
    run.contents.header.folder = "/srv/cut";
    std::string error;
    EXPECT_TRUE(runsafety::NoteInChangeRecord(state.Path(), run,
                                              {crypto::DeriveKey("old"), crypto::DeriveKey("new")},
                                              RunFate::Resumed, error));
    EXPECT_FALSE(journal::PasswordChangeRecord::Load(state.Path()).present);
}

}  // namespace
}  // namespace tsrn::test
