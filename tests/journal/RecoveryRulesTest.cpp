// What recovery refuses: a wrong password, and files that hold neither
// their old nor their new bytes; and which unfinished run blocks a new one.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "JournalTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "journal/PageHash.h"
#include "journal/RunJournalWriter.h"
#include "journal/RunRecovery.h"

namespace tsrn::test {
namespace {

using bulk::CipherMode;
using journal::FileState;
using journal::RecoveryChoice;

// A run over `tree` that stops (as a crash would) after `files` files.
void RunPartly(const TestTree& tree, CipherMode mode, const bulk::KeyPair& keys, int files,
               const std::filesystem::path& state) {
    ScriptedPrompter prompter;
    bulk::CipheringRun run(tree.Root().string(), mode, prompter, keys);
    std::string error;
    auto writer = journal::RunJournalWriter::Start(state, tree.Root().string(), mode, keys, error);
    ASSERT_TRUE(writer) << error;
    run.SetJournal(writer.get());
    for (int i = 0; i < files; ++i) {
        run.Tick();
    }
    // The writer goes without RunDone: its journal stays as a crash leaves it.
}

class RecoveryRulesTest : public ::testing::Test {
  protected:
    TempDir state_{"tsrn-rules-state"};
    TempDir dir_{"tsrn-rules-tree"};
    bulk::KeyPair keys_ = TestKeys();
};

TEST_F(RecoveryRulesTest, WrongPasswordIsReportedAndNothingChanges) {
    TestTree tree(dir_.Path(), 1, 3);
    tree.PrepareFor(CipherMode::Recipher, keys_);
    RunPartly(tree, CipherMode::Recipher, keys_, 6, state_.Path());
    const bulk::KeyPair wrongNew{keys_.current, crypto::DeriveKey("other")};
    const bulk::KeyPair wrongOld{crypto::DeriveKey("other"), keys_.next};
    for (const bulk::KeyPair& wrong : {wrongNew, wrongOld}) {
        auto scan = journal::FindUnfinishedRuns(state_.Path());
        ASSERT_EQ(scan.runs.size(), 1u);
        std::vector<test::Bytes> before;
        for (const auto& file : tree.Files()) {
            before.push_back(ReadBytes(file.path));
        }
        journal::RunRecovery recovery(scan.runs.front(), wrong);
        EXPECT_FALSE(recovery.KeysMatch());
        journal::RecoveryResult result = recovery.Recover(RecoveryChoice::Undo);
        EXPECT_TRUE(result.keysMismatch);
        EXPECT_FALSE(result.ok);
        for (std::size_t i = 0; i < tree.Files().size(); ++i) {
            EXPECT_EQ(ReadBytes(tree.Files()[i].path), before[i]);
        }
    }
    EXPECT_EQ(journal::FindUnfinishedRuns(state_.Path()).runs.size(), 1u);
}

TEST_F(RecoveryRulesTest, FileChangedOutsideTheRunIsLeftAloneAndReported) {
    TestTree tree(dir_.Path(), 1, 4);
    RunPartly(tree, CipherMode::Encipher, keys_, 8, state_.Path());
    auto scan = journal::FindUnfinishedRuns(state_.Path());
    ASSERT_EQ(scan.runs.size(), 1u);
    // Someone writes into a file the run has done.
    std::filesystem::path changed;
    for (const auto& file : tree.Files()) {
        if (!file.original.empty() && ReadBytes(file.path) != file.original) {
            changed = file.path;
            break;
        }
    }
    ASSERT_FALSE(changed.empty());
    Bytes bytes = ReadBytes(changed);
    bytes[0] ^= 0xFF;
    WriteBytes(changed, bytes);

    {
        journal::RunRecovery resume(scan.runs.front(), keys_);
        journal::RecoveryResult refused = resume.Recover(RecoveryChoice::Resume);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.changedFiles, std::vector<std::string>{changed.string()});
        // While a recovery holds the journal, nobody else takes it up.
        EXPECT_TRUE(journal::FindUnfinishedRuns(state_.Path()).runs.empty());
    }
    ASSERT_EQ(journal::FindUnfinishedRuns(state_.Path()).runs.size(), 1u);

    {
        journal::RunRecovery undo(journal::FindUnfinishedRuns(state_.Path()).runs.front(), keys_);
        journal::RecoveryResult result = undo.Recover(RecoveryChoice::Undo);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.changedFiles, std::vector<std::string>{changed.string()});
    }
    EXPECT_EQ(ReadBytes(changed), bytes);
    for (const auto& file : tree.Files()) {
        if (file.path != changed) {
            EXPECT_EQ(ReadBytes(file.path), file.original) << file.path;
        }
    }
    EXPECT_EQ(journal::FindUnfinishedRuns(state_.Path()).runs.size(), 1u) << "journal kept";
}

// A journal left by the first version (XXH64 page hashes) after a crash two
// pages into a file.
void WriteFirstVersionJournal(const std::filesystem::path& state, const TreeFile& file,
                              const bulk::KeyPair& keys) {
    journal::JournalHeader header;
    header.version = journal::kFirstFormatVersion;
    header.mode = CipherMode::Encipher;
    header.salt = 77;
    header.currentKeyId = journal::KeyIdentity(keys.current, header.salt);
    header.folder = file.path.parent_path().string();
    journal::RecordEncoder encoder;
    encoder.Header(header);
    encoder.File(0, file.original.size(), file.path.string(), file.mode);
    std::vector<std::uint64_t> hashes;
    for (std::size_t at = 0; at < file.original.size(); at += journal::kPageSize) {
        hashes.push_back(journal::Hash64(file.original.data() + at,
                                         std::min(journal::kPageSize, file.original.size() - at)));
    }
    encoder.Pages(0, FileState::Old, 0, hashes.data(), hashes.size());
    Bytes bytes(std::begin(journal::kMagic), std::end(journal::kMagic));
    bytes.insert(bytes.end(), encoder.Bytes().begin(), encoder.Bytes().end());
    std::filesystem::create_directories(state);
    WriteBytes(state / "run-1-1-old.journal", bytes);
}

TEST_F(RecoveryRulesTest, JournalOfTheFirstVersionIsStillRecovered) {
    for (RecoveryChoice choice : {RecoveryChoice::Undo, RecoveryChoice::Resume}) {
        TempDir dir("tsrn-rules-v1");
        TreeFile file{dir / "f", Bytes(3 * journal::kPageSize + 5), 0644};
        for (std::size_t i = 0; i < file.original.size(); ++i) {
            file.original[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const Bytes enciphered = TestTree::Transformed(file.original, CipherMode::Encipher, keys_);
        Bytes crashed = file.original;
        std::copy_n(enciphered.begin(), 2 * journal::kPageSize, crashed.begin());
        WriteBytes(file.path, crashed);
        WriteFirstVersionJournal(state_.Path(), file, keys_);

        auto scan = journal::FindUnfinishedRuns(state_.Path());
        ASSERT_EQ(scan.runs.size(), 1u);
        journal::RunRecovery recovery(scan.runs.front(), keys_);
        const journal::RecoveryResult result = recovery.Recover(choice);
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(ReadBytes(file.path),
                  choice == RecoveryChoice::Undo ? file.original : enciphered);
        std::filesystem::remove_all(state_.Path() / "run-1-1-old.journal");
    }
}

TEST_F(RecoveryRulesTest, FileRemovedSinceTheRunDoesNotHoldUpTheOthers) {
    TestTree tree(dir_.Path(), 1, 5);
    RunPartly(tree, CipherMode::Encipher, keys_, 8, state_.Path());
    std::filesystem::path removed;
    for (const auto& file : tree.Files()) {
        if (!file.original.empty() && ReadBytes(file.path) != file.original) {
            removed = file.path;
            break;
        }
    }
    ASSERT_FALSE(removed.empty());
    std::filesystem::remove(removed);
    journal::RunRecovery recovery(journal::FindUnfinishedRuns(state_.Path()).runs.front(), keys_);
    journal::RecoveryResult result = recovery.Recover(RecoveryChoice::Undo);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.missingFiles, std::vector<std::string>{removed.string()});
    for (const auto& file : tree.Files()) {
        if (file.path != removed) {
            EXPECT_EQ(ReadBytes(file.path), file.original) << file.path;
        }
    }
    EXPECT_TRUE(journal::FindUnfinishedRuns(state_.Path()).runs.empty());
}

// The journal of a finished run, as found after its mount went away (a
// power cut, a disk unplugged): its "place" no longer matches.
void MoveCompletedJournal(const std::filesystem::path& journalPath) {
    Bytes bytes = ReadBytes(journalPath);
    std::size_t pos = sizeof journal::kMagic;
    std::size_t last = pos;
    // The records end where the zeros kept after them begin (no record type is 0).
    while (pos + 12 <= bytes.size() && bytes[pos] != 0) {
        const std::uint32_t length = static_cast<std::uint32_t>(bytes[pos + 4]) |
                                     static_cast<std::uint32_t>(bytes[pos + 5]) << 8 |
                                     static_cast<std::uint32_t>(bytes[pos + 6]) << 16 |
                                     static_cast<std::uint32_t>(bytes[pos + 7]) << 24;
        last = pos;
        pos += 12 + length;
    }
    ASSERT_EQ(bytes[last], static_cast<std::uint8_t>(journal::RecordType::Complete));
    bytes.resize(last);
    journal::RecordEncoder encoder;
    encoder.Complete(FileState::New, "another boot/1");
    bytes.insert(bytes.end(), encoder.Bytes().begin(), encoder.Bytes().end());
    WriteBytes(journalPath, bytes);
}

TEST_F(RecoveryRulesTest, FinishedRunIsFlushedOrCheckedNeverAsked) {
    TestTree tree(dir_.Path(), 1, 6);
    ScriptedPrompter prompter;
    {
        bulk::CipheringRun run(tree.Root().string(), CipherMode::Encipher, prompter, keys_);
        std::string error;
        auto writer = journal::RunJournalWriter::Start(state_.Path(), tree.Root().string(),
                                                       CipherMode::Encipher, keys_, error);
        ASSERT_TRUE(writer) << error;
        run.SetJournal(writer.get());
        bulk::DriveToEnd(run);
        EXPECT_TRUE(writer->Completed());
    }
    std::string first;
    ASSERT_EQ(tree.Differences(FileState::New, CipherMode::Encipher, keys_, first), 0u);
    std::vector<std::filesystem::path> journals;
    for (const auto& item : std::filesystem::directory_iterator(state_.Path())) {
        journals.push_back(item.path());
    }
    ASSERT_EQ(journals.size(), 1u) << "kept until its files are surely on disk";
    MoveCompletedJournal(journals.front());

    // One file lost its last write; another was changed by its user since.
    const TreeFile* lost = nullptr;
    const TreeFile* edited = nullptr;
    for (const auto& file : tree.Files()) {
        if (file.original.size() > 8 && lost == nullptr) {
            lost = &file;
        } else if (file.original.size() > 8 && edited == nullptr) {
            edited = &file;
        }
    }
    WriteBytes(lost->path, lost->original);
    Bytes edit = ReadBytes(edited->path);
    edit[0] ^= 1;
    WriteBytes(edited->path, edit);

    auto scan = journal::FindUnfinishedRuns(state_.Path());
    ASSERT_EQ(scan.runs.size(), 1u);
    journal::RunRecovery recovery(scan.runs.front(), keys_);
    journal::RecoveryResult result = recovery.Recover(RecoveryChoice::Undo);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(ReadBytes(lost->path),
              TestTree::Transformed(lost->original, CipherMode::Encipher, keys_));
    EXPECT_EQ(ReadBytes(edited->path), edit);
    EXPECT_TRUE(journal::FindUnfinishedRuns(state_.Path()).runs.empty());
}

TEST(OverlappingRunTest, SameFolderOrNestedOnly) {
    journal::RunScan scan;
    scan.runs.push_back({"/state/runs/a.journal", {}});
    scan.runs.back().contents.header.folder = "/data/photos";
    struct Case {
        const char* folder;
        bool overlaps;
    } cases[] = {
        {"/data/photos", true},
        {"/data/photos/", true},
        {"/data/photos/2024", true},
        {"/data", true},
        {"/", true},
        {"/data/photos2", false},
        {"/data/photo", false},
        {"/other", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(journal::OverlappingRun(scan, c.folder) != nullptr, c.overlaps) << c.folder;
    }
}

// A folder reached through a link is the folder itself.
TEST(OverlappingRunTest, LinksDoNotHideAnOverlap) {
    TempDir dir;
    const auto real = std::filesystem::canonical(dir.Path()) / "real";
    std::filesystem::create_directories(real / "inner");
    std::filesystem::create_directories(real.parent_path() / "other");
    std::filesystem::create_directory_symlink(real, dir / "alias");
    std::filesystem::create_directory_symlink(real / "inner", dir / "inneralias");
    journal::RunScan scan;
    scan.runs.push_back({"/state/runs/a.journal", {}});
    scan.runs.back().contents.header.folder = (real / "inner").string();
    struct Case {
        std::string folder;
        bool overlaps;
    };
    const Case cases[] = {
        {(dir / "alias").string(), true},
        {(dir / "inneralias").string(), true},
        {(dir / "alias" / "inner" / "..").string(), true},
        {(real.parent_path() / "other").string(), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(journal::OverlappingRun(scan, c.folder) != nullptr, c.overlaps) << c.folder;
    }
}

}  // namespace
}  // namespace tsrn::test
