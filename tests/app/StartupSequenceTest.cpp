#include "app/StartupSequence.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "AppDoubles.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "app/InstallationPassword.h"
#include "crypto/KeyDerivation.h"
#include "platform/SystemRecord.h"
#include "resources/ResourceIds.h"
#include "setup/InstallationPassword.h"

#include <cstdlib>
#include <optional>

namespace tsrn::app {
namespace {

using driver::RequestCode;
using test::TestDriver;

constexpr const char* kPassword = "secret";
constexpr const char* kInstallPassword = "install";

class StartupSequenceTest : public ::testing::Test {
  protected:
    StartupSequenceTest() : database_(dir_ / "registry"), store_(database_) {
        std::filesystem::create_directories(dir_ / "install");
        std::filesystem::create_directories(dir_ / "cwd");
        store_.SetString(registry::kSettingsKey, "InstallDir", (dir_ / "install").string());
        crypto::KeySlots::Instance().Clear();
    }

    void StorePwd(std::uint32_t value) {
        const std::array<std::uint8_t, 4> bytes{
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        store_.SetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size());
    }
    void StorePasswordCheck(const char* password) { StorePwd(crypto::StoredCheckWord(password)); }
    void InstallProgram(const std::filesystem::path& folder, const char* installPassword) {
        test::WriteProgramFile(folder / "tsrn", crypto::StoredCheckWord(installPassword), true);
    }

    StartupOutcome Run(const std::string& commandLine) {
        StartupSequence startup(
            {prompter_, passwords_, instances_, keyboard_, store_, driver_, dir_ / "cwd"});
        return startup.Run(commandLine);
    }

    bool PasswordReachedDriver() const {
        for (const auto& request : driver_.Requests()) {
            if (request.code == RequestCode::SetPassword)
                return true;
        }
        return false;
    }
    bool SlotZeroIsEmpty() const {
        return crypto::KeySlots::Instance().Key(crypto::KeySlot::Current) == crypto::CipherKey{};
    }

    test::TempDir dir_;
    registry::RegistryDatabase database_;
    registry::RegistryStore store_;
    TestDriver driver_;
    test::ScriptedPrompter prompter_;
    test::ScriptedPasswords passwords_;
    test::FakeInstances instances_;
    test::FakeKeyboard keyboard_;
};

TEST_F(StartupSequenceTest, RightPasswordLoadsTheKeyThenStartsTheDriver) {
    StorePasswordCheck(kPassword);
    passwords_.Unlock(kPassword);

    const StartupOutcome outcome = Run("");

    EXPECT_TRUE(outcome.run);
    EXPECT_FALSE(outcome.startLocked);
    EXPECT_TRUE(outcome.keyLoaded);
    EXPECT_EQ(outcome.currentPassword, kPassword);
    EXPECT_EQ(driver_.Requests(), (std::vector<driver::Request>{test::req::SetPassword(kPassword),
                                                                test::req::InitializeDriver()}));
    EXPECT_EQ(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current),
              crypto::DeriveKey(kPassword));
    EXPECT_EQ(passwords_.unlockNotes, std::vector<bool>{false});
    EXPECT_TRUE(prompter_.Asked().empty());
    EXPECT_EQ(instances_.checks, 2);
    EXPECT_EQ(instances_.claims, 1);
}

TEST_F(StartupSequenceTest, OnlyTheLowSixteenBitsOfTheStoredValueAreCompared) {
    StorePwd(0xABCD0000u | crypto::StoredCheckWord(kPassword));
    passwords_.Unlock(kPassword);
    EXPECT_TRUE(Run("").run);
}

// The rows where start-up ends or goes on unverified: nothing of a refused,
// cancelled or missing password reaches the driver.
TEST_F(StartupSequenceTest, RefusedOrCancelledPasswordEndsOrGoesOnLockedWithShift) {
    struct Case {
        const char* name;
        bool storedPwd;
        std::optional<std::string> typed;              // unlock dialog
        std::optional<MissingPasswordAnswer> missing;  // dialog 169
        bool shift;
        std::vector<int> messages;
        bool run;
    } cases[] = {
        {"wrong password", true, "nope", {}, false, {res::str::kPasswordWrong}, false},
        {"wrong password, shift", true, "nope", {}, true, {res::str::kPasswordWrong}, true},
        {"cancel", true, std::nullopt, {}, false, {}, false},
        {"cancel, shift", true, std::nullopt, {}, true, {}, true},
        {"wrong installation password",
         false,
         {},
         MissingPasswordAnswer{"bad", "new"},
         false,
         {res::str::kInstallPasswordWrong},
         false},
        {"wrong installation password, shift",
         false,
         {},
         MissingPasswordAnswer{"bad", "new"},
         true,
         {res::str::kInstallPasswordWrong},
         true},
        {"cancel 169", false, {}, std::nullopt, false, {}, false},
        {"cancel 169, shift", false, {}, std::nullopt, true, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        registry::RegistryDatabase database(dir / "registry");
        registry::RegistryStore store(database);
        store.SetString(registry::kSettingsKey, "InstallDir", (dir_ / "install").string());
        InstallProgram(dir_ / "install", kInstallPassword);
        if (c.storedPwd) {
            const std::uint16_t word = crypto::StoredCheckWord(kPassword);
            const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word),
                                                    static_cast<std::uint8_t>(word >> 8), 0, 0};
            store.SetBinary(registry::kSettingsKey, "pwd", bytes.data(), bytes.size());
        }
        TestDriver driver;
        test::ScriptedPrompter prompter;
        test::ScriptedPasswords passwords;
        passwords.Unlock(c.typed).Missing(c.missing);
        test::FakeInstances instances;
        test::FakeKeyboard keyboard;
        keyboard.shift = c.shift;
        crypto::KeySlots::Instance().Clear();

        const StartupOutcome outcome =
            StartupSequence({prompter, passwords, instances, keyboard, store, driver, dir / "cwd"})
                .Run("");

        EXPECT_EQ(prompter.AskedIds(), c.messages);
        EXPECT_EQ(outcome.run, c.run);
        if (c.run) {
            EXPECT_TRUE(outcome.startLocked);
            EXPECT_FALSE(outcome.keyLoaded);
            EXPECT_TRUE(outcome.currentPassword.empty());
            EXPECT_EQ(driver.Requests(),
                      std::vector<driver::Request>{test::req::InitializeDriver()});
        } else {
            EXPECT_TRUE(driver.Requests().empty());
        }
        EXPECT_TRUE(crypto::KeySlots::Instance().Key(crypto::KeySlot::Current) ==
                    crypto::CipherKey{});
    }
}

TEST_F(StartupSequenceTest, ErrorMessagesCarryTheErrorCaptionAndIcon) {
    StorePasswordCheck(kPassword);
    passwords_.Unlock("nope");
    Run("");
    ASSERT_EQ(prompter_.Asked().size(), 1u);
    const Message& message = prompter_.Asked()[0];
    EXPECT_EQ(message.text, "Password wrong.\nEnter anew.");
    EXPECT_EQ(message.captionId, res::str::kCaptionError);
    EXPECT_EQ(message.icon, Icon::Stop);
    EXPECT_EQ(message.buttons, Buttons::Ok);
}

TEST_F(StartupSequenceTest, ServiceStartWithShiftUpAsksNothingAndLoadsNoKey) {
    // No "pwd" at all: a service start must not care.
    const StartupOutcome outcome = Run("/service");
    EXPECT_TRUE(outcome.run);
    EXPECT_TRUE(outcome.startLocked);
    EXPECT_FALSE(outcome.keyLoaded);
    EXPECT_TRUE(passwords_.unlockNotes.empty());
    EXPECT_EQ(passwords_.missingAsked, 0);
    EXPECT_TRUE(prompter_.Asked().empty());
    EXPECT_EQ(driver_.Requests(), std::vector<driver::Request>{test::req::InitializeDriver()});
}

TEST_F(StartupSequenceTest, ServiceStartWithShiftAndRightPasswordRunsUnlocked) {
    StorePasswordCheck(kPassword);
    passwords_.Unlock(kPassword);
    keyboard_.shift = true;
    const StartupOutcome outcome = Run("/services");
    EXPECT_TRUE(outcome.run);
    EXPECT_FALSE(outcome.startLocked);
    EXPECT_TRUE(outcome.keyLoaded);
    EXPECT_TRUE(PasswordReachedDriver());
}

// Setup stores the installation password's check value as "pwd": the first
// start asks in the Unlock dialog, and the installation password is the one
// in force until it is changed.
TEST_F(StartupSequenceTest, FirstStartAfterSetupTakesTheInstallationPasswordToUnlock) {
    InstallProgram(dir_ / "install", "placeholder");
    ASSERT_TRUE(setup::StoreInstallationPassword(kInstallPassword, (dir_ / "install/").string(),
                                                 database_));
    passwords_.Unlock(kInstallPassword);
    const StartupOutcome outcome = Run("");
    EXPECT_TRUE(outcome.run);
    EXPECT_FALSE(outcome.startLocked);
    EXPECT_EQ(outcome.currentPassword, kInstallPassword);
    EXPECT_EQ(passwords_.unlockNotes, std::vector<bool>{false});
    EXPECT_EQ(passwords_.missingAsked, 0);
    EXPECT_TRUE(PasswordReachedDriver());
}

TEST_F(StartupSequenceTest, InstallationPasswordAcceptsTheNewWorkingPassword) {
    InstallProgram(dir_ / "install", kInstallPassword);
    passwords_.Missing(MissingPasswordAnswer{kInstallPassword, "fresh"});
    const StartupOutcome outcome = Run("");
    EXPECT_TRUE(outcome.run);
    EXPECT_FALSE(outcome.startLocked);
    EXPECT_EQ(outcome.currentPassword, "fresh");
    EXPECT_EQ(driver_.Requests(), (std::vector<driver::Request>{test::req::SetPassword("fresh"),
                                                                test::req::InitializeDriver()}));
}

TEST_F(StartupSequenceTest, ServiceStartWithShiftAndInstallationPasswordStaysLocked) {
    InstallProgram(dir_ / "install", kInstallPassword);
    passwords_.Missing(MissingPasswordAnswer{kInstallPassword, "fresh"});
    keyboard_.shift = true;
    const StartupOutcome outcome = Run("/service");
    EXPECT_TRUE(outcome.run);
    EXPECT_TRUE(outcome.startLocked);
    EXPECT_FALSE(outcome.keyLoaded);
    EXPECT_EQ(outcome.currentPassword, "fresh");
    EXPECT_FALSE(PasswordReachedDriver());
}

TEST_F(StartupSequenceTest, ProgramFileInTheCurrentFolderIsTheFallback) {
    store_.SetString(registry::kSettingsKey, "InstallDir", (dir_ / "nowhere").string());
    InstallProgram(dir_ / "cwd", kInstallPassword);
    passwords_.Missing(MissingPasswordAnswer{kInstallPassword, "fresh"});
    EXPECT_TRUE(Run("").run);
}

TEST_F(StartupSequenceTest, NoReadableProgramFileRejectsTheInstallationPassword) {
    passwords_.Missing(MissingPasswordAnswer{kInstallPassword, "fresh"});
    EXPECT_FALSE(Run("").run);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kInstallPasswordWrong});
}

TEST_F(StartupSequenceTest, ListFileRunAsksForTheTemporaryPassword) {
    std::ofstream(dir_ / "list.txt") << "[pathes]\n";
    const std::string line = "/use:" + (dir_ / "list.txt").string();
    StorePasswordCheck(kPassword);
    passwords_.Unlock(kPassword).Unlock("temporary");

    const StartupOutcome outcome = Run(line);

    EXPECT_TRUE(outcome.listFileMode);
    EXPECT_EQ(outcome.listFilePath, (dir_ / "list.txt").string());
    EXPECT_EQ(passwords_.unlockNotes, (std::vector<bool>{false, true}));
    EXPECT_EQ(outcome.currentPassword, "temporary");
    EXPECT_EQ(driver_.Requests().front(), test::req::SetPassword("temporary"));
}

TEST_F(StartupSequenceTest, CancelledTemporaryPasswordEndsOrKeepsTheVerifiedOne) {
    std::ofstream(dir_ / "list.txt") << "[pathes]\n";
    const std::string line = "/use:" + (dir_ / "list.txt").string();
    StorePasswordCheck(kPassword);

    passwords_.Unlock(kPassword).Unlock(std::nullopt);
    EXPECT_FALSE(Run(line).run);

    keyboard_.shift = true;
    passwords_.Unlock(kPassword).Unlock(std::nullopt);
    const StartupOutcome outcome = Run(line);
    EXPECT_TRUE(outcome.run);
    EXPECT_FALSE(outcome.startLocked);
    EXPECT_EQ(outcome.currentPassword, kPassword);
}

TEST_F(StartupSequenceTest, AnotherRunningCopyEndsStartUpSilently) {
    instances_.running = {true};
    EXPECT_FALSE(Run("").run);
    EXPECT_EQ(keyboard_.samples, 0);
    EXPECT_EQ(instances_.claims, 0);
    EXPECT_TRUE(passwords_.unlockNotes.empty());

    // A copy that started while the prompt was open.
    StorePasswordCheck(kPassword);
    passwords_.Unlock(kPassword);
    instances_.running = {false, true};
    EXPECT_FALSE(Run("").run);
    EXPECT_TRUE(driver_.Requests().empty());
    EXPECT_TRUE(prompter_.Asked().empty());
}

TEST_F(StartupSequenceTest, DriverFailuresEndStartUpWithTheirMessage) {
    TestDriver failingOpen;
    failingOpen.FailOpen();
    EXPECT_FALSE(StartupSequence({prompter_, passwords_, instances_, keyboard_, store_, failingOpen,
                                  dir_ / "cwd"})
                     .Run("/service")
                     .run);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kDriverLoadError});

    driver_.On(RequestCode::InitializeDriver, TestDriver::FailCall());
    EXPECT_FALSE(Run("/service").run);
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kDriverLoadError, res::str::kDriverInitError}));
    EXPECT_FALSE(driver_.IsOpen());
}

// 253 bytes of UTF-8: no key can be derived from it.
std::string TooLongPassword() {
    std::string text(251, 'x');
    text += "\xC3\xA9";  // e-acute, two bytes
    return text;
}

TEST_F(StartupSequenceTest, APasswordNoKeyCanComeFromNeverReachesTheDriverOrTheKeySlot) {
    const std::string tooLong = TooLongPassword();
    ASSERT_EQ(tooLong.size(), 253u);
    const std::string listFile = (dir_ / "list.txt").string();
    std::ofstream(listFile) << "[pathes]\n";
    struct Case {
        const char* name;
        std::string commandLine;
        std::function<void()> arrange;
    };
    const std::vector<Case> cases = {
        {"at the unlock, even with a matching check word", "",
         [&] {
             StorePasswordCheck(tooLong.c_str());
             passwords_.Unlock(tooLong);
         }},
        {"as the new password when none is stored", "",
         [&] {
             InstallProgram(dir_ / "install", kInstallPassword);
             passwords_.Missing(MissingPasswordAnswer{kInstallPassword, tooLong});
         }},
        {"as the temporary password of a list-file run", "/use:" + listFile,
         [&] {
             StorePasswordCheck(kPassword);
             passwords_.Unlock(kPassword).Unlock(tooLong);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store_.DeleteValue(registry::kSettingsKey, "pwd");
        driver_.ClearRequests();
        crypto::KeySlots::Instance().Clear();
        c.arrange();
        const StartupOutcome outcome = Run(c.commandLine);
        EXPECT_FALSE(outcome.keyLoaded);
        EXPECT_FALSE(PasswordReachedDriver());
        EXPECT_TRUE(SlotZeroIsEmpty());
        EXPECT_NE(outcome.currentPassword, tooLong);
    }
}

// A program no installation was ever recorded for (a package's) has no
// installation password: the working password is chosen, entered twice, and
// its check value stored at once.
class FirstStartTest : public StartupSequenceTest {
  protected:
    FirstStartTest() {
        (void)database_.DeleteValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings",
                                    "InstallDir");
        const char* old = std::getenv("TSRN_SYSCONF_DIR");
        if (old != nullptr)
            savedSysconf_ = old;
        std::filesystem::create_directories(dir_ / "etc");
        setenv("TSRN_SYSCONF_DIR", (dir_ / "etc").c_str(), 1);
    }
    ~FirstStartTest() override {
        if (savedSysconf_)
            setenv("TSRN_SYSCONF_DIR", savedSysconf_->c_str(), 1);
        else
            unsetenv("TSRN_SYSCONF_DIR");
    }
    std::optional<std::string> savedSysconf_;
};

TEST_F(FirstStartTest, WorkingPasswordIsChosenTwiceAndStoredAtOnce) {
    struct Case {
        const char* name;
        std::optional<std::string> first;
        std::optional<std::string> again;
        bool runs;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"entered twice", "chosen", "chosen", true, {res::str::kFirstPasswordNote}},
        {"entries differ",
         "chosen",
         "chosem",
         false,
         {res::str::kFirstPasswordNote, res::str::kFirstPasswordMismatch}},
        {"cancelled", std::nullopt, std::nullopt, false, {res::str::kFirstPasswordNote}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        (void)database_.DeleteValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings",
                                    "pwd");
        test::ScriptedPrompter prompter;
        test::ScriptedPasswords passwords;
        TestDriver driver;
        passwords.Unlock(c.first).Unlock(c.again);
        StartupSequence startup(
            {prompter, passwords, instances_, keyboard_, store_, driver, dir_ / "cwd"});

        const StartupOutcome outcome = startup.Run("");

        EXPECT_EQ(outcome.run, c.runs);
        EXPECT_EQ(prompter.AskedIds(), c.messages);
        EXPECT_EQ(passwords.missingAsked, 0) << "there is no installation password to ask";
        const auto stored = ReadStoredCheckValue(store_);
        EXPECT_EQ(stored.has_value(), c.runs);
        if (c.runs) {
            EXPECT_EQ(*stored, crypto::StoredCheckWord("chosen"));
            EXPECT_EQ(outcome.currentPassword, "chosen");
            EXPECT_TRUE(outcome.keyLoaded);
            EXPECT_FALSE(outcome.startLocked);
        } else {
            EXPECT_TRUE(driver.Requests().empty());
        }
    }
}

TEST_F(FirstStartTest, AllUsersRecordNamesTheProgramHoldingTheInstallationPassword) {
    InstallProgram(dir_ / "install", kInstallPassword);
    ASSERT_TRUE(WriteSystemRecord(dir_ / "etc" / "installation",
                                  SystemRecord{(dir_ / "install").string() + "/", "/nowhere/"}));
    EXPECT_EQ(InstallDirectory(store_), (dir_ / "install").string() + "/");
    passwords_.Missing(MissingPasswordAnswer{kInstallPassword, "fresh"});
    const StartupOutcome outcome = Run("");
    EXPECT_TRUE(outcome.run);
    EXPECT_EQ(passwords_.missingAsked, 1);
    EXPECT_EQ(outcome.currentPassword, "fresh");
}

}  // namespace
}  // namespace tsrn::app
