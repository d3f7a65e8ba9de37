// The record of a password change on disk: what a reader makes of it after
// a cut at any byte (a torn tail is ignored, never misread), a damaged
// record, one change at a time, a kill at any instant, and the run journals
// it still needs kept.

#include "journal/PasswordChangeRecord.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include <algorithm>

#include "JournalTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "journal/JournalFile.h"
#include "journal/RunJournalWriter.h"
#include "journal/RunRecovery.h"

namespace tsrn::journal {
namespace {

using test::Bytes;

// `a` says what `b` says; a folder named in `a` alone (its first note torn
// off after its name) must read as untouched.
bool SameFolders(const std::vector<ChangeFolder>& a, const std::vector<ChangeFolder>& b) {
    if (a.size() < b.size())
        return false;
    for (std::size_t i = b.size(); i < a.size(); ++i) {
        if (a[i].key != ChangeKey::Old || a[i].moving || a[i].ended)
            return false;
    }
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (a[i].path != b[i].path || a[i].key != b[i].key || a[i].moving != b[i].moving ||
            a[i].ended != b[i].ended)
            return false;
    }
    return true;
}

class PasswordChangeRecordTest : public ::testing::Test {
  protected:
    std::filesystem::path Dir() const { return dir_.Path() / "runs"; }

    test::TempDir dir_{"tsrn-change-record"};
    bulk::KeyPair keys_ = test::TestKeys();
};

TEST_F(PasswordChangeRecordTest, ACutAtAnyByteReadsAsTheNotesWhollyBeforeIt) {
    struct Snapshot {
        std::uint64_t size;
        std::vector<ChangeFolder> folders;
    };
    std::vector<Snapshot> snapshots;
    std::string error;
    {
        PasswordChangeRecord record;
        ASSERT_TRUE(record.Create(Dir(), keys_.current, keys_.next, error)) << error;
        const auto note = [&](bool ok) {
            ASSERT_TRUE(ok) << error;
            snapshots.push_back({record.Contents().validBytes, record.Contents().folders});
        };
        note(true);
        note(record.NoteMoving("/a", ChangeKey::New, error));
        note(record.NoteReached("/a", ChangeKey::New, error));
        note(record.NoteMoving("/b", ChangeKey::New, error));
        note(record.NoteEnded("/b", error));
        note(record.NoteMoving("/b", ChangeKey::New, error));
        note(record.NoteMoving("/a", ChangeKey::Old, error));
    }
    // The file keeps zeros after its records, room for the next ones.
    Bytes whole = test::ReadBytes(PasswordChangeRecord::PathIn(Dir()));
    ASSERT_GE(whole.size(), snapshots.back().size);
    EXPECT_TRUE(std::all_of(whole.begin() + static_cast<std::ptrdiff_t>(snapshots.back().size),
                            whole.end(), [](std::uint8_t b) { return b == 0; }));
    whole.resize(snapshots.back().size);
    for (std::size_t cut = snapshots.front().size; cut <= whole.size(); ++cut) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        const auto contents = PasswordChangeRecord::Parse(part, error);
        ASSERT_TRUE(contents) << "cut at " << cut << ": " << error;
        const Snapshot* expected = &snapshots.front();
        for (const Snapshot& snapshot : snapshots) {
            if (snapshot.size <= cut)
                expected = &snapshot;
        }
        EXPECT_LE(contents->validBytes, cut);
        EXPECT_GE(contents->validBytes, expected->size) << "cut at " << cut;
        EXPECT_TRUE(SameFolders(contents->folders, expected->folders)) << "cut at " << cut;
        EXPECT_EQ(contents->oldKeyId, KeyIdentity(keys_.current, contents->salt));
        EXPECT_EQ(contents->newKeyId, KeyIdentity(keys_.next, contents->salt));
    }
    // Before the header is whole there is no record to read.
    const Bytes headless(whole.begin(), whole.begin() + 20);
    EXPECT_FALSE(PasswordChangeRecord::Parse(headless, error));

    // A damaged byte in a note ends the record before that note.
    Bytes damaged = whole;
    damaged[snapshots[2].size + 9] ^= 0x40;
    const auto contents = PasswordChangeRecord::Parse(damaged, error);
    ASSERT_TRUE(contents);
    EXPECT_TRUE(SameFolders(contents->folders, snapshots[2].folders));
}

TEST_F(PasswordChangeRecordTest, OneChangeAtATimeAndAGoingChangeIsNotTakenForALeftOne) {
    std::string error;
    auto record = std::make_unique<PasswordChangeRecord>();
    ASSERT_TRUE(record->Create(Dir(), keys_.current, keys_.next, error)) << error;
    struct stat st {};
    ASSERT_EQ(stat(record->Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    PasswordChangeRecord second;
    EXPECT_FALSE(second.Create(Dir(), keys_.current, keys_.next, error));
    const ChangeRecordLoad going = PasswordChangeRecord::Load(Dir());
    EXPECT_TRUE(going.present);
    EXPECT_TRUE(going.inUse);
    EXPECT_FALSE(going.contents);

    ASSERT_TRUE(record->NoteMoving("/a", ChangeKey::New, error));
    record.reset();
    const ChangeRecordLoad left = PasswordChangeRecord::Load(Dir());
    ASSERT_TRUE(left.contents) << left.error;
    PasswordChangeRecord continued;
    ASSERT_TRUE(continued.Continue(Dir(), *left.contents, error)) << error;
    ASSERT_TRUE(continued.NoteReached("/a", ChangeKey::New, error)) << error;
    EXPECT_FALSE(continued.NoteReached("/elsewhere", ChangeKey::New, error));
    ASSERT_TRUE(continued.Remove(error)) << error;
    EXPECT_FALSE(PasswordChangeRecord::Load(Dir()).present);

    test::WriteBytes(PasswordChangeRecord::PathIn(Dir()), Bytes{'n', 'o', 'p', 'e'});
    const ChangeRecordLoad garbage = PasswordChangeRecord::Load(Dir());
    EXPECT_TRUE(garbage.present);
    EXPECT_FALSE(garbage.contents);
    EXPECT_FALSE(garbage.error.empty());
}

TEST_F(PasswordChangeRecordTest, AnEndedRunsJournalStaysUntilTheChangeHasLearntHowItEnded) {
    const std::filesystem::path root = dir_.Path() / "tree";
    test::TestTree tree(root, 1, 3);
    tree.PrepareFor(bulk::CipherMode::Recipher, keys_);
    std::string error;
    auto record = std::make_unique<PasswordChangeRecord>();
    ASSERT_TRUE(record->Create(Dir(), keys_.current, keys_.next, error)) << error;
    ASSERT_TRUE(record->NoteMoving(root.string(), ChangeKey::New, error)) << error;
    record.reset();  // as after a crash: the record is no longer held
    {
        test::ScriptedPrompter prompter;
        auto writer =
            RunJournalWriter::Start(Dir(), root.string(), bulk::CipherMode::Recipher, keys_, error);
        ASSERT_TRUE(writer) << error;
        bulk::CipheringRun run(root.string(), bulk::CipherMode::Recipher, prompter, keys_);
        run.SetJournal(writer.get());
        bulk::DriveToEnd(run);
        ASSERT_TRUE(writer->Completed());
    }
    const RunScan kept = FindUnfinishedRuns(Dir());
    ASSERT_EQ(kept.runs.size(), 1u);
    EXPECT_EQ(kept.runs[0].contents.complete, FileState::New);

    const ChangeRecordLoad left = PasswordChangeRecord::Load(Dir());
    ASSERT_TRUE(left.contents);
    PasswordChangeRecord learnt;
    ASSERT_TRUE(learnt.Continue(Dir(), *left.contents, error)) << error;
    ASSERT_TRUE(learnt.NoteReached(root.string(), ChangeKey::New, error)) << error;
    EXPECT_TRUE(learnt.Remove(error)) << error;
    EXPECT_TRUE(FindUnfinishedRuns(Dir()).runs.empty());
}

TEST_F(PasswordChangeRecordTest, AKillAtAnyInstantLeavesNoRecordOrAReadableOne) {
    std::mt19937 random(42);
    for (int round = 0; round < 300; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) {
                PasswordChangeRecord record;
                std::string error;
                if (!record.Create(Dir(), keys_.current, keys_.next, error) ||
                    !record.NoteMoving("/a", ChangeKey::New, error) ||
                    !record.NoteReached("/a", ChangeKey::New, error) || !record.Remove(error))
                    _exit(1);
            }
        }
        usleep(static_cast<useconds_t>(200 + random() % 3000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": the child gave up";
        const ChangeRecordLoad left = PasswordChangeRecord::Load(Dir());
        if (left.present) {
            EXPECT_TRUE(left.contents) << "round " << round << ": " << left.error;
            std::filesystem::remove(PasswordChangeRecord::PathIn(Dir()));
        }
    }
}

}  // namespace
}  // namespace tsrn::journal
