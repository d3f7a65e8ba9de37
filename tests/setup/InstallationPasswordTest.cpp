#include "setup/InstallationPassword.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "SetupFixture.h"
#include "checkword/ProgramCheckWord.h"
#include "crypto/KeyDerivation.h"
#include "registry/RegistryStore.h"

namespace tsrn::setup::test {
namespace {

TEST(InstallationPassword, CheckWordInRegistryAndProgramForSeveralPasswords) {
    SetupWorld world;
    const fs::path folder = world.InstallFolder();
    fs::create_directories(folder);
    fs::copy_file("/bin/true", folder / "tsrn");
    const std::string passwords[] = {
        "", "a", "secret", "Secret", "pass word 1234", "\xC3\xA9t\xC3\xA9", std::string(252, 'z')};
    for (const std::string& password : passwords) {
        SCOPED_TRACE(password);
        ASSERT_TRUE(StoreInstallationPassword(password, folder.string() + "/", world.Registry()));
        const std::uint16_t word = crypto::StoredCheckWord(password);
        auto pwd = world.Registry().QueryValue(registry::Hive::LocalMachine,
                                               "SOFTWARE\\Tessaryn\\settings", "pwd");
        ASSERT_TRUE(pwd.has_value());
        EXPECT_EQ(pwd->type, registry::kRegBinary);
        EXPECT_EQ(pwd->data,
                  (std::vector<std::uint8_t>{static_cast<std::uint8_t>(word & 0xFF),
                                             static_cast<std::uint8_t>(word >> 8), 0, 0}));
        const std::string program = ReadText(folder / "tsrn");
        EXPECT_EQ(static_cast<std::uint8_t>(program[10]), pwd->data[0]);
        EXPECT_EQ(static_cast<std::uint8_t>(program[11]), pwd->data[1]);
        EXPECT_EQ(program.substr(16, 4), ReadText("/bin/true").substr(16, 4))
            << "e_type and e_machine must stay";
        const std::string command = "'" + (folder / "tsrn").string() + "'";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the program no longer runs";
    }
}

TEST(InstallationPassword, RegistryValueIsWrittenEvenWithoutTheProgram) {
    SetupWorld world;
    EXPECT_FALSE(
        StoreInstallationPassword("secret", world.InstallFolder() + "/", world.Registry()));
    std::uint8_t bytes[4] = {};
    registry::RegistryStore settings(world.Registry());
    ASSERT_TRUE(settings.GetBinary("settings\\", "pwd", bytes, sizeof bytes));
    const std::uint16_t word = crypto::StoredCheckWord("secret");
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), word);
}

TEST(InstallationPassword, APasswordNoKeyCanComeFromIsNotStored) {
    SetupWorld world;
    const fs::path folder = world.InstallFolder();
    fs::create_directories(folder);
    fs::copy_file("/bin/true", folder / "tsrn");
    const std::string before = ReadText(folder / "tsrn");
    std::string tooLong(251, 'z');
    tooLong += "\xC3\xA9";  // 253 bytes
    EXPECT_FALSE(StoreInstallationPassword(tooLong, folder.string() + "/", world.Registry()));
    EXPECT_FALSE(world.Registry().QueryValue(registry::Hive::LocalMachine,
                                             "SOFTWARE\\Tessaryn\\settings", "pwd"));
    EXPECT_EQ(ReadText(folder / "tsrn"), before);
}

// Over an earlier installation the password in force stays unless replacing
// it was chosen; the program file always gets the new installation password.
TEST(InstallationPassword, KeepsThePasswordInForceUnlessReplacing) {
    struct Case {
        const char* name;
        bool earlierPassword;
        bool keep;
        const char* expectedInForce;
    };
    const Case cases[] = {
        {"kept", true, true, "working"},
        {"replaced", true, false, "install"},
        {"nothing to keep", false, true, "install"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetupWorld world;
        const fs::path folder = world.InstallFolder();
        fs::create_directories(folder);
        fs::copy_file("/bin/true", folder / "tsrn");
        if (c.earlierPassword) {
            ASSERT_TRUE(
                StoreInstallationPassword("working", folder.string() + "/", world.Registry()));
        }
        EXPECT_EQ(PasswordInForce(world.Registry()), c.earlierPassword);
        ASSERT_TRUE(
            StoreInstallationPassword("install", folder.string() + "/", world.Registry(), c.keep));
        std::uint8_t bytes[4] = {};
        registry::RegistryStore settings(world.Registry());
        ASSERT_TRUE(settings.GetBinary("settings\\", "pwd", bytes, sizeof bytes));
        EXPECT_EQ(bytes[0] | (bytes[1] << 8), crypto::StoredCheckWord(c.expectedInForce));
        EXPECT_EQ(ReadProgramCheckWord(folder / "tsrn"), crypto::StoredCheckWord("install"));
    }
}

}  // namespace
}  // namespace tsrn::setup::test
