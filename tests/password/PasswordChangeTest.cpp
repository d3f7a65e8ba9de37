// The change-password command end to end: a real tree reciphered through the
// loop runner, a real registry file for "pwd", the test driver.

#include "password/PasswordChange.h"

#include <gtest/gtest.h>

#include "FileHelpers.h"
#include "ReferenceFormat.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "bulk/LoopBulkRunner.h"
#include "crypto/KeyDerivation.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"

namespace tsrn::password {
namespace {

using test::Bytes;
namespace req = test::req;

class PasswordChangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plain_ = test::RandomBytes(10000 + 3, 17);
        std::filesystem::create_directories(dir_ / "tree/sub");
        test::WriteBytes(dir_ / "tree/sub/file",
                         test::ReferenceEncipher(plain_, crypto::DeriveKey("old")));
        list_.Append({(dir_ / "tree").string(), (dir_ / "tree").string(), "", 0x21,
                      folders::FolderKind::User});
        state_.currentPassword = "old";
        EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey("old", crypto::KeySlot::Current));
    }

    PasswordChangeResult Change(const std::string& password) {
        bulk::LoopBulkRunner runner(prompter_);
        PasswordPorts ports{prompter_, driver_, list_, state_, runner, &store_};
        return ChangePassword(password, ports);
    }

    std::optional<std::vector<std::uint8_t>> StoredPwd() {
        auto value = database_.QueryValue(registry::Hive::LocalMachine,
                                          "SOFTWARE\\Tessaryn\\settings", "pwd");
        if (!value)
            return std::nullopt;
        return value->data;
    }

    test::TempDir dir_;
    registry::RegistryDatabase database_{dir_.Path() / "registry"};
    registry::RegistryStore store_{database_};
    Bytes plain_;
    folders::FolderList list_;
    folders::AppState state_;
    test::ScriptedPrompter prompter_;
    test::TestDriver driver_;
};

TEST_F(PasswordChangeTest, InstalledPasswordReciphersAndStoresItsCheckWordAtOnce) {
    prompter_.Then(Answer::Yes).Then(Answer::Yes).Then(Answer::Ok);
    EXPECT_EQ(Change("new"), PasswordChangeResult::Installed);
    EXPECT_EQ(test::ReadBytes(dir_ / "tree/sub/file"),
              test::ReferenceEncipher(plain_, crypto::DeriveKey("new")));
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kRecipherIntro, res::str::kRecipherFolderQuestion,
                                res::str::kPasswordInstalled}));
    EXPECT_EQ(state_.currentPassword, "new");
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current), crypto::DeriveKey("new"));
    EXPECT_EQ(driver_.Requests().back(), req::SetPassword("new"));
    const std::uint16_t word = crypto::StoredCheckWord("new");
    EXPECT_EQ(StoredPwd(), (std::vector<std::uint8_t>{static_cast<std::uint8_t>(word & 0xFF),
                                                      static_cast<std::uint8_t>(word >> 8), 0, 0}));
}

TEST_F(PasswordChangeTest, NotInstalledLeavesTheOldPasswordInForce) {
    prompter_.Then(Answer::Yes).Then(Answer::Cancel).Then(Answer::Ok);
    EXPECT_EQ(Change("new"), PasswordChangeResult::NotInstalled);
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kRecipherIntro, res::str::kRecipherFolderQuestion,
                                res::str::kPasswordNotInstalled}));
    EXPECT_EQ(state_.currentPassword, "old");
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current), crypto::DeriveKey("old"));
    EXPECT_TRUE(driver_.Requests().empty());
    EXPECT_FALSE(StoredPwd());
    EXPECT_EQ(test::ReadBytes(dir_ / "tree/sub/file"),
              test::ReferenceEncipher(plain_, crypto::DeriveKey("old")));
}

TEST_F(PasswordChangeTest, SamePasswordOnlyTellsSo) {
    prompter_.Then(Answer::Ok);
    EXPECT_EQ(Change("old"), PasswordChangeResult::Unchanged);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kPasswordUnchanged});
    EXPECT_EQ(prompter_.Asked()[0].captionId, res::str::kAppTitle);
    EXPECT_EQ(prompter_.Asked()[0].icon, Icon::Information);
}

TEST_F(PasswordChangeTest, ListFileRunNeverWritesTheCheckWord) {
    state_.listFileMode = true;
    prompter_.Then(Answer::Yes).Then(Answer::No).Then(Answer::Ok);
    EXPECT_EQ(Change("new"), PasswordChangeResult::Installed);
    EXPECT_FALSE(StoredPwd());
    EXPECT_EQ(state_.currentPassword, "new");
}

TEST_F(PasswordChangeTest, PasswordTooLongForTheKeyIsNotInstalled) {
    prompter_.Then(Answer::Ok);
    EXPECT_EQ(Change(std::string(253, 'q')), PasswordChangeResult::NotInstalled);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kPasswordNotInstalled});
    EXPECT_EQ(state_.currentPassword, "old");
}

}  // namespace
}  // namespace tsrn::password
