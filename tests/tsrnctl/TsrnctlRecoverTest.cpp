// tsrnctl recover and a password change left unfinished: the record is
// listed with each folder's state, and --discard forgets it, touching no file;
// a folder's reciphering run it recovers tells the record where the folder is.

#include <gtest/gtest.h>

#include "CrashedRun.h"
#include "TempDir.h"
#include "ToolProcess.h"
#include "crypto/KeyDerivation.h"
#include "journal/PasswordChangeRecord.h"

namespace tsrn::test {
namespace {

using journal::ChangeKey;
using journal::PasswordChangeRecord;

TEST(TsrnctlRecoverTest, AChangeLeftUnfinishedIsListedAndDiscardForgetsIt) {
    TempDir state("tsrnctl-change-state");
    const std::filesystem::path dir = state.Path() / "runs";
    {
        PasswordChangeRecord record;
        std::string error;
        ASSERT_TRUE(record.Create(dir, crypto::DeriveKey("old"), crypto::DeriveKey("new"), error))
            << error;
        ASSERT_TRUE(record.NoteMoving("/srv/done", ChangeKey::New, error));
        ASSERT_TRUE(record.NoteReached("/srv/done", ChangeKey::New, error));
        ASSERT_TRUE(record.NoteMoving("/srv/cut", ChangeKey::New, error));
    }
    const std::vector<std::string> env = {"TSRN_STATE_DIR=" + state.Path().string()};
    const std::string path = PasswordChangeRecord::PathIn(dir).string();

    const ToolResult listed = RunTool({"recover"}, "", env);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.err.find(path), std::string::npos) << listed.err;
    EXPECT_NE(listed.err.find("/srv/done: under the new password"), std::string::npos)
        << listed.err;
    EXPECT_NE(listed.err.find("/srv/cut: a run was in progress"), std::string::npos) << listed.err;
    EXPECT_TRUE(PasswordChangeRecord::Load(dir).present);

    const ToolResult elsewhere = RunTool({"recover", "--discard", "/no/such.journal"}, "", env);
    EXPECT_NE(elsewhere.exitCode, 0);
    EXPECT_TRUE(PasswordChangeRecord::Load(dir).present);

    const ToolResult discarded = RunTool({"recover", "--discard", path}, "", env);
    EXPECT_EQ(discarded.exitCode, 0) << discarded.err;
    EXPECT_FALSE(PasswordChangeRecord::Load(dir).present);
}

TEST(TsrnctlRecoverTest, AChangesFolderRecoveredHereIsNotedInTheChangeRecord) {
    struct Case {
        const char* action;
        ChangeKey noted;
    };
    for (const Case& c : {Case{"--resume", ChangeKey::New}, Case{"--undo", ChangeKey::Old}}) {
        SCOPED_TRACE(c.action);
        TempDir state("tsrnctl-change-run-state");
        TempDir trees("tsrnctl-change-run-tree");
        const std::filesystem::path dir = state.Path() / "runs";
        const bulk::KeyPair keys = TestKeys();
        TestTree tree(trees.Path(), 1, 17);
        tree.PrepareFor(bulk::CipherMode::Recipher, keys);
        setenv("TSRN_STATE_DIR", state.Path().c_str(), 1);
        ASSERT_TRUE(CrashRun(trees.Path(), bulk::CipherMode::Recipher, keys, 3));
        unsetenv("TSRN_STATE_DIR");
        {
            PasswordChangeRecord record;
            std::string error;
            ASSERT_TRUE(record.Create(dir, keys.current, keys.next, error)) << error;
            ASSERT_TRUE(record.NoteMoving(trees.Path().string(), ChangeKey::New, error));
        }

        const ToolResult recovered =
            RunTool({"recover", c.action, "--password-stdin"}, "old secret\nnew secret\n",
                    {"TSRN_STATE_DIR=" + state.Path().string()});
        EXPECT_EQ(recovered.exitCode, 0) << recovered.err;

        const journal::ChangeRecordLoad load = PasswordChangeRecord::Load(dir);
        ASSERT_TRUE(load.contents) << load.error;
        ASSERT_EQ(load.contents->folders.size(), 1u);
        EXPECT_EQ(load.contents->folders[0].key, c.noted);
        EXPECT_FALSE(load.contents->folders[0].moving);
    }
}

}  // namespace
}  // namespace tsrn::test
