// tsrnctl recover and a password change left unfinished: the record is
// listed with each folder's state, and --discard forgets it, touching no file.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tsrn::test
