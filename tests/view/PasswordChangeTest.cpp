// Changing the password: the questions folder by folder, the driver
// requests around each reciphering pass, and when the new password is put
// in force.

#include <gmock/gmock.h>

#include "TempDir.h"
#include "ViewFixture.h"
#include "crypto/KeyDerivation.h"
#include "resources/ResourceIds.h"
#include "view/PasswordChange.h"

namespace tsrn::test {
namespace {

using folders::FolderKind;
using testing::ElementsAre;
namespace str = res::str;

class PasswordChangeFlow : public ViewFixture {
  protected:
    PasswordChangeFlow() {
        // The change keeps its record beside the run journals.
        setenv("TSRN_STATE_DIR", stateDir.Path().c_str(), 1);
        state.currentPassword = "old secret";
        EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey(state.currentPassword,
                                                           crypto::KeySlot::Current));
    }
    ~PasswordChangeFlow() override {
        crypto::KeySlots::Instance().Clear();
        unsetenv("TSRN_STATE_DIR");
    }

    TempDir stateDir{"tsrn-view-change-state"};

    void Run() {
        view::PasswordChange change(state, store, driver, prompter, dialogs,
                                    logic.Folders().EditableList());
        change.Run();
    }
    std::optional<std::uint16_t> StoredWord() {
        std::uint8_t bytes[4] = {};
        if (!store.GetBinary(registry::kSettingsKey, "pwd", bytes, 4))
            return std::nullopt;
        return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    }
};

TEST_F(PasswordChangeFlow, CancelAndTheSamePasswordChangeNothing) {
    dialogs.newPassword.reset();
    Run();
    EXPECT_TRUE(prompter.Asked().empty());
    dialogs.newPassword = "old secret";
    Run();
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kPasswordUnchanged));
    EXPECT_EQ(state.currentPassword, "old secret");
}

TEST_F(PasswordChangeFlow, AnEmptyListInstallsTheNewPasswordAndStoresItsCheckWordAtOnce) {
    dialogs.newPassword = "new secret";
    prompter.Then(Answer::Yes);
    Run();
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kRecipherIntro, str::kPasswordInstalled));
    EXPECT_EQ(state.currentPassword, "new secret");
    EXPECT_THAT(driver.Requests(), ElementsAre(req::SetPassword("new secret")));
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current),
              crypto::DeriveKey("new secret"));
    EXPECT_EQ(StoredWord(), crypto::StoredCheckWord("new secret"));
}

TEST_F(PasswordChangeFlow, AListFileRunStoresNoCheckWord) {
    state.listFileMode = true;
    dialogs.newPassword = "new secret";
    prompter.Then(Answer::Yes);
    Run();
    EXPECT_EQ(state.currentPassword, "new secret");
    EXPECT_EQ(StoredWord(), std::nullopt);
}

TEST_F(PasswordChangeFlow, DecliningTheIntroOrCancellingTheFirstFolderKeepsTheOldPassword) {
    Add(Folder("a"), 0x01);
    dialogs.newPassword = "new secret";
    prompter.Then(Answer::No);
    Run();
    prompter.Then(Answer::Yes).Then(Answer::Cancel);
    Run();
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kRecipherIntro, str::kPasswordNotInstalled, str::kRecipherIntro,
                            str::kRecipherFolderQuestion, str::kPasswordNotInstalled));
    EXPECT_EQ(state.currentPassword, "old secret");
    EXPECT_TRUE(dialogs.passes.empty());
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::New),
              crypto::DeriveKey("new secret"));
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current),
              crypto::DeriveKey("old secret"));
}

TEST_F(PasswordChangeFlow, OverlappingFoldersAreStoppedDuringARunAndRestartedAfter) {
    Add(Folder("a"), 0x91);                                   // slot 1
    Add(Folder("a/b"), 0x22);                                 // slot 2
    Add(Folder("a/b/hive"), 0x83, FolderKind::RegistryFile);  // slot 3: never asked
    dialogs.newPassword = "new secret";
    prompter.Then(Answer::Yes).Then(Answer::Yes).Then(Answer::No);
    const std::size_t start = driver.Requests().size();
    Run();
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kRecipherIntro, str::kRecipherFolderQuestion,
                            str::kRecipherFolderQuestion, str::kPasswordInstalled));
    ASSERT_EQ(dialogs.passes.size(), 1u);
    EXPECT_EQ(dialogs.passes[0].mode, bulk::CipherMode::Recipher);
    EXPECT_EQ(dialogs.passes[0].folder, Folder("a"));
    EXPECT_THAT(RequestsBetween(start, dialogs.passes[0].requestsBefore),
                ElementsAre(req::SetFolderState(2, 2), req::SetFolderState(1, 2)));
    EXPECT_THAT(RequestsFrom(dialogs.passes[0].requestsBefore),
                ElementsAre(req::SetFolderState(2, 0x22), req::SetFolderState(1, 0x91),
                            req::SetPassword("new secret")));
}

TEST_F(PasswordChangeFlow, CancelAfterOneFolderAsksWhetherToBreakOff) {
    Add(Folder("a"), 0x01);
    Add(Folder("b"), 0x01);
    Add(Folder("c"), 0x01);
    dialogs.newPassword = "new secret";
    // a: Yes; b: Cancel, then No to breaking off (b is reciphered); c: Cancel, Yes.
    prompter.Then(Answer::Yes)
        .Then(Answer::Yes)
        .Then(Answer::Cancel)
        .Then(Answer::No)
        .Then(Answer::Cancel)
        .Then(Answer::Yes);
    Run();
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kRecipherIntro, str::kRecipherFolderQuestion,
                            str::kRecipherFolderQuestion, str::kRecipherBreakQuestion,
                            str::kRecipherFolderQuestion, str::kRecipherBreakQuestion,
                            str::kPasswordNotInstalled, str::kChangeLeftBehind));
    EXPECT_EQ(dialogs.passes.size(), 2u);
    EXPECT_EQ(state.currentPassword, "old secret");
}

TEST_F(PasswordChangeFlow, AFailedFirstRunEndsTheQuestionsAndARefusedRestartClearsTheState) {
    Add(Folder("a"), 0x41);
    Add(Folder("b"), 0x01);
    dialogs.newPassword = "new secret";
    dialogs.passResults = {false};
    prompter.Then(Answer::Yes).Then(Answer::Yes);
    driver.Next(TestDriver::Accept()).Next(TestDriver::Refuse());  // stop a, restart a
    Run();
    EXPECT_EQ(dialogs.passes.size(), 1u);
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kRecipherIntro, str::kRecipherFolderQuestion,
                            str::kStartCipheringError, str::kPasswordNotInstalled));
    EXPECT_EQ(logic.List().State(0), 0x40u);
}

TEST_F(PasswordChangeFlow, AFolderWhoseServiceCannotBeStoppedIsOfferedAgain) {
    Add(Folder("a"), 0x01);
    Add(Folder("a/b"), 0x02);
    dialogs.newPassword = "new secret";
    driver.On(driver::RequestCode::SetFolderState, 1, TestDriver::Refuse());
    // Intro, a, the 40011 box, a again (No), a/b (No).
    prompter.Then(Answer::Yes).Then(Answer::Yes).Then(Answer::Ok).Then(Answer::No).Then(Answer::No);
    const std::size_t start = driver.Requests().size();
    Run();
    EXPECT_TRUE(dialogs.passes.empty());
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kRecipherIntro, str::kRecipherFolderQuestion,
                            str::kStopCipheringError, str::kRecipherFolderQuestion,
                            str::kRecipherFolderQuestion, str::kPasswordInstalled));
    // The overlapping folder stopped for the refused attempt runs again.
    const auto sent = StateRequests(RequestsFrom(start));
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], req::SetFolderState(2, 2));
    EXPECT_EQ(sent[1], req::SetFolderState(1, 2));
    EXPECT_EQ(sent[2], req::SetFolderState(2, 0x02));
}

}  // namespace
}  // namespace tsrn::test
