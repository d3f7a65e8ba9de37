#include "app/FrameLogic.h"

#include <gtest/gtest.h>

#include <array>

#include "AppDoubles.h"
#include "RecordingView.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "crypto/KeyDerivation.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {
namespace {

using test::TestDriver;

class FrameLogicTest : public ::testing::Test {
  protected:
    FrameLogicTest() : database_(dir_ / "registry"), store_(database_) {
        frame_.SetView(&view_);
        frame_.Created();
        crypto::KeySlots::Instance().Clear();
    }

    void StorePwd(std::uint32_t value) {
        const std::array<std::uint8_t, 4> bytes{
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        store_.SetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size());
    }
    std::optional<std::uint32_t> StoredPwd() {
        std::array<std::uint8_t, 4> bytes{};
        if (!store_.GetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size()))
            return {};
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
               static_cast<std::uint32_t>(bytes[3]) << 24;
    }
    void LoadedWith(const char* password) {
        state_.currentPassword = password;
        state_.keyLoaded = true;
    }
    UnlockResult Unlock() {
        return frame_.Unlock([this] { ++menuSwitches_; });
    }

    test::TempDir dir_;
    registry::RegistryDatabase database_;
    registry::RegistryStore store_;
    TestDriver driver_;
    test::ScriptedPrompter prompter_;
    test::ScriptedPasswords passwords_;
    folders::AppState state_;
    test::RecordingView view_;
    FrameLogic frame_{state_, {prompter_, passwords_, store_, driver_, dir_ / "cwd"}};
    int menuSwitches_ = 0;
};

TEST_F(FrameLogicTest, RefusedAttemptsAreCountedAndReportedOnceAtUnlock) {
    LoadedWith("pw");
    frame_.Lock();
    passwords_.Unlock("a").Unlock("b").Unlock("pw");

    EXPECT_EQ(Unlock(), UnlockResult::Refused);
    EXPECT_EQ(Unlock(), UnlockResult::Refused);
    EXPECT_FALSE(frame_.Unlocked());
    EXPECT_EQ(menuSwitches_, 0);
    EXPECT_EQ(Unlock(), UnlockResult::Unlocked);

    EXPECT_TRUE(frame_.Unlocked());
    EXPECT_EQ(menuSwitches_, 1);
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kPasswordWrong, res::str::kPasswordWrong,
                                res::str::kFailedUnlockCount}));
    EXPECT_EQ(prompter_.Asked()[2].text, "Was 2 attempts to unlock Tessaryn");
    EXPECT_EQ(prompter_.Asked()[2].captionId, res::str::kCaptionAttention);
    EXPECT_EQ(prompter_.Asked()[2].icon, Icon::Exclamation);
    EXPECT_EQ(state_.failedUnlockCount, 0);
    EXPECT_TRUE(driver_.Requests().empty());  // the key was already loaded
}

TEST_F(FrameLogicTest, LockInBetweenResetsTheCount) {
    LoadedWith("pw");
    frame_.Lock();
    passwords_.Unlock("a");
    Unlock();
    frame_.Lock();
    passwords_.Unlock("pw");
    EXPECT_EQ(Unlock(), UnlockResult::Unlocked);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kPasswordWrong});
}

TEST_F(FrameLogicTest, CancelChangesNothing) {
    LoadedWith("pw");
    frame_.Lock();
    EXPECT_EQ(Unlock(), UnlockResult::Cancelled);
    EXPECT_FALSE(frame_.Unlocked());
    EXPECT_EQ(state_.failedUnlockCount, 0);
    EXPECT_TRUE(prompter_.Asked().empty());
}

TEST_F(FrameLogicTest, FirstUnlockAfterAServiceStartChecksPwdAndLoadsTheKey) {
    StorePwd(crypto::StoredCheckWord("pw"));
    frame_.Lock();
    // Unfinished runs are offered once, with the key loaded and the states sent.
    int hooks = 0;
    frame_.SetKeyLoadedHook([&] {
        ++hooks;
        EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current),
                  crypto::DeriveKey("pw"));
        EXPECT_EQ(view_.resends, 1);
    });
    passwords_.Unlock("wrong").Unlock("pw");
    EXPECT_EQ(Unlock(), UnlockResult::Refused);
    EXPECT_TRUE(state_.currentPassword.empty());  // a refused password is not kept
    EXPECT_EQ(Unlock(), UnlockResult::Unlocked);

    EXPECT_EQ(state_.currentPassword, "pw");
    EXPECT_TRUE(state_.keyLoaded);
    EXPECT_EQ(view_.resends, 1);
    EXPECT_EQ(driver_.Requests(), std::vector<driver::Request>{test::req::SetPassword("pw")});
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current), crypto::DeriveKey("pw"));

    // Later unlocks compare with the password in force only.
    StorePwd(crypto::StoredCheckWord("other"));
    frame_.Lock();
    passwords_.Unlock("pw");
    EXPECT_EQ(Unlock(), UnlockResult::Unlocked);
    EXPECT_EQ(view_.resends, 1);
    EXPECT_EQ(hooks, 1);
}

TEST_F(FrameLogicTest, StoredValueWithAnUpperHalfNeverMatchesAtUnlock) {
    StorePwd(0x00010000u | crypto::StoredCheckWord("pw"));
    frame_.Lock();
    passwords_.Unlock("pw");
    EXPECT_EQ(Unlock(), UnlockResult::Refused);
}

TEST_F(FrameLogicTest, WithoutPwdTheFirstUnlockRunsThePasswordNotFoundProcedure) {
    store_.SetString(registry::kSettingsKey, "InstallDir", (dir_ / "install").string());
    std::filesystem::create_directories(dir_ / "install");
    test::WriteProgramFile(dir_ / "install" / "tsrn", crypto::StoredCheckWord("inst"), true);
    frame_.Lock();
    passwords_.Missing(MissingPasswordAnswer{"bad", "x"})
        .Missing(MissingPasswordAnswer{"inst", "fresh"});

    EXPECT_EQ(Unlock(), UnlockResult::Refused);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kInstallPasswordWrong});
    EXPECT_EQ(Unlock(), UnlockResult::Unlocked);
    EXPECT_EQ(state_.currentPassword, "fresh");
    EXPECT_EQ(driver_.Requests(), std::vector<driver::Request>{test::req::SetPassword("fresh")});
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kInstallPasswordWrong, res::str::kFailedUnlockCount}));
}

TEST_F(FrameLogicTest, DestroyIsRefusedWhileLocked) {
    LoadedWith("pw");
    frame_.Lock();
    EXPECT_FALSE(frame_.Destroy({10, 20, 110, 220}));
    EXPECT_TRUE(driver_.IsOpen());
    EXPECT_FALSE(StoredPwd());
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "x", -1), -1);
}

TEST_F(FrameLogicTest, DestroyClosesTheDriverAndSavesPlacementAndCheckWord) {
    LoadedWith("pw");
    EXPECT_TRUE(frame_.Destroy({10, 20, 110, 220}));
    EXPECT_FALSE(driver_.IsOpen());
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "x", -1), 10);
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "y", -1), 20);
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "cx", -1), 100);
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "cy", -1), 200);
    EXPECT_EQ(StoredPwd(), crypto::StoredCheckWord("pw"));
}

TEST_F(FrameLogicTest, ListFileRunNeverWritesPlacementOrCheckWord) {
    LoadedWith("pw");
    state_.listFileMode = true;
    EXPECT_TRUE(frame_.Destroy({10, 20, 110, 220}));
    EXPECT_FALSE(driver_.IsOpen());
    EXPECT_FALSE(StoredPwd());
    EXPECT_EQ(store_.GetInt(registry::kSettingsKey, "x", -1), -1);
}

TEST_F(FrameLogicTest, APasswordNoKeyCanComeFromIsRefusedAndItsCheckWordNeverStored) {
    std::string tooLong(251, 'x');
    tooLong += "\xE2\x82";  // the first two bytes of a euro sign: 253 bytes
    StorePwd(crypto::StoredCheckWord(tooLong));
    frame_.Lock();
    passwords_.Unlock(tooLong);
    EXPECT_EQ(Unlock(), UnlockResult::Refused);
    EXPECT_FALSE(state_.keyLoaded);
    EXPECT_TRUE(driver_.Requests().empty());

    state_.currentPassword = tooLong;
    state_.unlocked = true;
    store_.DeleteValue(registry::kSettingsKey, "pwd");
    EXPECT_TRUE(frame_.Destroy({10, 20, 110, 220}));
    EXPECT_FALSE(StoredPwd());
}

TEST_F(FrameLogicTest, ALostDriverIsSaidOnceAndStartedAgainWithThePasswordThenTheFolders) {
    struct Case {
        const char* name;
        bool keyLoaded;
        Answer answer;
        bool restartSucceeds;
        std::vector<driver::Request> sent;
        std::vector<int> messages;
        bool runsAgain;
    };
    const std::vector<Case> cases = {
        {"yes, with the key loaded",
         true,
         Answer::Yes,
         true,
         {test::req::SetPassword("pw"), test::req::InitializeDriver()},
         {res::str::kDriverLost},
         true},
        {"yes after a service start: no password yet",
         false,
         Answer::Yes,
         true,
         {test::req::InitializeDriver()},
         {res::str::kDriverLost},
         true},
        {"no", true, Answer::No, true, {}, {res::str::kDriverLost}, false},
        {"the new driver does not start",
         true,
         Answer::Yes,
         false,
         {},
         {res::str::kDriverLost, res::str::kDriverRestartFailed},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDriver driver;
        folders::AppState state;
        state.currentPassword = "pw";
        state.keyLoaded = c.keyLoaded;
        test::ScriptedPrompter prompter;
        test::RecordingView view;
        FrameLogic frame(state, {prompter, passwords_, store_, driver, dir_ / "cwd"});
        frame.SetView(&view);
        frame.Created();

        EXPECT_FALSE(frame.DriverLostNow());
        driver.Die("killed by signal 9 (Killed)");
        driver.restartSucceeds = c.restartSucceeds;
        driver.ClearRequests();
        EXPECT_TRUE(frame.DriverLostNow());
        EXPECT_FALSE(frame.DriverLostNow()) << "said once";
        EXPECT_TRUE(frame.DriverDown());

        prompter.Then(c.answer);
        EXPECT_EQ(frame.OfferDriverRestart(), c.runsAgain);
        EXPECT_EQ(prompter.AskedIds(), c.messages);
        EXPECT_NE(prompter.Asked()[0].text.find("killed by signal 9"), std::string::npos)
            << "the reason is told";
        EXPECT_EQ(prompter.Asked()[0].buttons, Buttons::YesNo);
        EXPECT_EQ(driver.Requests(), c.sent);
        EXPECT_EQ(view.driverRestarts, c.runsAgain ? 1 : 0);
        EXPECT_EQ(frame.DriverDown(), !c.runsAgain);
    }
}

}  // namespace
}  // namespace tsrn::app
