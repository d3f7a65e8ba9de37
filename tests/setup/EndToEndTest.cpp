// Whole installs from a copy of the built medium, by the real setup program in
// unattended mode, into a throw-away home; then the installed uninstaller.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "SetupFixture.h"
#include "app/InstallationPassword.h"
#include "checkword/ProgramCheckWord.h"
#include "crypto/KeyDerivation.h"
#include "platform/SystemRecord.h"
#include "registry/RegistryStore.h"
#include "setup/VersionNote.h"

namespace tsrn::setup::test {
namespace {

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path medium = TSRN_MEDIUM_DIR;
        ASSERT_TRUE(fs::exists(medium / "setup")) << "build the target `medium` first";
        fs::copy(medium, world.Medium(), fs::copy_options::recursive);
        // Programs other parts of the tree have not built yet get a stand-in.
        for (const char* name : {"tsrn.ex_", "rescue.ex_", "TSRNVX.Vx_"}) {
            if (!fs::exists(world.Medium() / name)) {
                std::cout << "[ NOTE ] the medium lacks " << name << "; using /bin/true instead\n";
                fs::copy_file("/bin/true", world.Medium() / name);
            }
        }
    }

    std::string Environment() const {
        const fs::path home = world.Paths().homeFolder;
        return "HOME='" + home.string() + "' XDG_DATA_HOME='" + (home / ".local/share").string() +
               "' XDG_CONFIG_HOME='" + (home / ".config").string() + "' TSRN_REGISTRY_DIR='" +
               world.Paths().registryFolder.string() + "' TSRN_SYSTEM_DIR='" +
               world.Paths().systemFolder.string() + "' TSRN_SYSCONF_DIR='" +
               (world.Root() / "etc").string() + "' ";
    }

    // Runs a command in the throw-away home; its exit status.
    int Run(const std::string& command, const std::string& input = "") {
        const fs::path in = world.Root() / "stdin";
        WriteFile(in, input);
        const std::string line = "cd '" + world.Root().string() + "' && " + Environment() +
                                 command + " < '" + in.string() + "' > '" +
                                 (world.Root() / "out").string() + "' 2>&1";
        const int status = std::system(line.c_str());
        output = ReadText(world.Root() / "out");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Install(const std::string& folder, const std::string& password) {
        return Run("'" + (world.Medium() / "setup").string() + "' --unattended --install-dir '" +
                       folder + "'",
                   password + "\n");
    }
    std::uint16_t PasswordInForceWord() {
        registry::RegistryDatabase registry(world.Paths().registryFolder);
        registry::RegistryStore settings(registry);
        std::uint8_t pwd[4] = {};
        settings.GetBinary("settings\\", "pwd", pwd, sizeof pwd);
        return static_cast<std::uint16_t>(pwd[0] | (pwd[1] << 8));
    }
    std::string DumpRegistry() {
        registry::RegistryDatabase registry(world.Paths().registryFolder);
        std::string out;
        for (const auto& [hive, key] :
             {std::pair{registry::Hive::LocalMachine, std::string("SOFTWARE\\Tessaryn\\settings")},
              std::pair{registry::Hive::LocalMachine, std::string("SOFTWARE\\Tessaryn\\path")},
              std::pair{registry::Hive::LocalMachine,
                        std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                    "Tessaryn 1.0")}}) {
            for (const std::string& name : registry.ValueNames(hive, key)) {
                const auto value = registry.QueryValue(hive, key, name);
                out += key + "|" + name + "=" +
                       std::string(value->data.begin(), value->data.end()) + "\n";
            }
        }
        return out;
    }
    bool RegistryHolds(registry::Hive hive, const std::string& key) {
        registry::RegistryDatabase registry(world.Paths().registryFolder);
        return registry.KeyExists(hive, key);
    }

    SetupWorld world;
    std::string output;
};

TEST_F(EndToEndTest, InstallReinstallAndUninstall) {
    const fs::path folder = world.InstallFolder();
    ASSERT_EQ(Install(folder.string(), "open sesame"), 0) << output;
    for (const char* name : {"tsrn", "remover", "tsrnctl", "tsrn.html"}) {
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    }
    for (const char* name : {"tsrnvx", "libtsrnfw.so.1", "libtsrnrt.so.1"}) {
        EXPECT_TRUE(fs::exists(world.Paths().systemFolder / name)) << name;
    }
    // Our programs carry the project's version, as the libraries do.
    const std::uint64_t projectNote = (std::uint64_t{TSRN_VERSION_MAJOR} << 48) |
                                      (std::uint64_t{TSRN_VERSION_MINOR} << 32) |
                                      (std::uint64_t{TSRN_VERSION_PATCH} << 16);
    if (fs::file_size(world.Medium() / "tsrn.ex_") != fs::file_size("/bin/true")) {
        EXPECT_EQ(ReadVersionNote(folder / "tsrn"), projectNote);
        EXPECT_EQ(ReadVersionNote(folder / "remover"), projectNote);
    }
    EXPECT_EQ(FileNames(world.ProgramGroup()).size(), 3u);
    // The one installed page carries its style sheet and pictures.
    const std::string manual = ReadText(folder / "tsrn.html");
    EXPECT_EQ(manual.find("href=\"manual.css\""), std::string::npos);
    EXPECT_EQ(manual.find("src=\"../"), std::string::npos);
    EXPECT_NE(manual.find("<style>"), std::string::npos);
    EXPECT_NE(manual.find("data:image/png;base64,"), std::string::npos);
    EXPECT_EQ(ReadProgramCheckWord(folder / "tsrn"), crypto::StoredCheckWord("open sesame"));
    {
        registry::RegistryDatabase registry(world.Paths().registryFolder);
        registry::RegistryStore settings(registry);
        EXPECT_EQ(settings.GetString("settings\\", "InstallDir", ""), folder.string() + "/");
        std::uint8_t pwd[4] = {};
        ASSERT_TRUE(settings.GetBinary("settings\\", "pwd", pwd, sizeof pwd));
        EXPECT_EQ(pwd[0] | (pwd[1] << 8), crypto::StoredCheckWord("open sesame"));
    }
    // The installed program still starts: the shell answers 126 for a file it
    // cannot execute (a damaged ELF header); the real program waits for its
    // password until the timeout ends it (124).
    const int started = Run("timeout 3 '" + (folder / "tsrn").string() + "'");
    EXPECT_TRUE(started >= 0 && started != 126 && started != 127) << started << output;
    {
        registry::RegistryDatabase registry(world.Paths().registryFolder);
        registry::RegistryStore settings(registry);
        EXPECT_TRUE(app::InstallationPasswordMatches(settings, "open sesame", "/nonexistent"));
        EXPECT_FALSE(app::InstallationPasswordMatches(settings, "open sesame!", "/nonexistent"));
    }
    EXPECT_EQ(Run("'" + (world.Medium() / "setup").string() + "' --installed"), 0);
    EXPECT_EQ(output, folder.string() + "/\n");

    // A second installation over the first one is accepted; the password in
    // force stays unless its replacement is asked for.
    ASSERT_EQ(Install(folder.string(), "second"), 0) << output;
    EXPECT_NE(output.find("--replace-password"), std::string::npos) << output;
    EXPECT_EQ(ReadProgramCheckWord(folder / "tsrn"), crypto::StoredCheckWord("second"));
    EXPECT_EQ(PasswordInForceWord(), crypto::StoredCheckWord("open sesame"));
    ASSERT_EQ(Run("'" + (world.Medium() / "setup").string() + "' --unattended --install-dir '" +
                      folder.string() + "' --replace-password",
                  "third\n"),
              0)
        << output;
    EXPECT_EQ(PasswordInForceWord(), crypto::StoredCheckWord("third"));
    EXPECT_FALSE(fs::exists(folder / ".tsrn-earlier")) << "a success keeps nothing set aside";

    // A folder holding someone else's files is refused and left alone.
    WriteFile(world.Root() / "foreign" / "notes.txt", "mine");
    EXPECT_EQ(Install((world.Root() / "foreign").string(), "x"), 1);
    EXPECT_NE(output.find("already holds other files"), std::string::npos) << output;
    EXPECT_EQ(FileNames(world.Root() / "foreign"), std::vector<std::string>{"notes.txt"});

    // The start at login the program's settings set up goes with it.
    WriteFile(
        world.Paths().homeFolder / ".config" / "autostart" / "tessaryn.desktop",
        "[Desktop Entry]\nType=Application\nExec=\"" + folder.string() + "/tsrn\" /service\n");
    ASSERT_EQ(Run("'" + (folder / "remover").string() + "' --yes"), 0) << output;
    EXPECT_NE(output.find("Tessaryn was removed from " + folder.string() + "/"), std::string::npos)
        << output;
    EXPECT_NE(output.find("start at login"), std::string::npos) << output;
    EXPECT_FALSE(
        fs::exists(world.Paths().homeFolder / ".config" / "autostart" / "tessaryn.desktop"));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(fs::exists(world.Paths().systemFolder));
    EXPECT_FALSE(fs::exists(world.ProgramGroup()));
    EXPECT_EQ(Run("'" + (world.Medium() / "setup").string() + "' --installed"), 1);
    EXPECT_FALSE(RegistryHolds(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn"));
    EXPECT_FALSE(
        RegistryHolds(registry::Hive::LocalMachine,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaryn 1.0"));
}

TEST_F(EndToEndTest, FailedInstallIsRolledBack) {
    fs::remove(world.Medium() / "remover.ex_");
    const fs::path folder = world.InstallFolder();
    EXPECT_EQ(Install(folder.string(), "pw"), 1);
    EXPECT_NE(output.find("Error of copying of file " + folder.string() + "/remover"),
              std::string::npos)
        << output;
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(fs::exists(world.Paths().systemFolder / "tsrnvx"));
    EXPECT_FALSE(fs::exists(world.ProgramGroup()));
    EXPECT_FALSE(RegistryHolds(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn"));
}

// A reinstall over an installation in use that fails is undone: the password
// in force, the folder list and the earlier programs are as they were.
TEST_F(EndToEndTest, FailedReinstallRestoresTheEarlierInstallation) {
    const fs::path folder = world.InstallFolder();
    ASSERT_EQ(Install(folder.string(), "install"), 0) << output;
    {
        registry::RegistryDatabase registry(world.Paths().registryFolder);
        registry::RegistryStore settings(registry);
        const std::uint16_t word = crypto::StoredCheckWord("working");
        const std::uint8_t pwd[4] = {static_cast<std::uint8_t>(word & 0xFF),
                                     static_cast<std::uint8_t>(word >> 8), 0, 0};
        settings.SetBinary("settings\\", "pwd", pwd, sizeof pwd);
        settings.SetString("path\\", "0", "/home/u/private");
        settings.SetString("path\\", "0s", "1");
    }
    const std::string before = DumpRegistry();
    // The earlier file itself comes back (the programs are large: compared by
    // inode and size, not read).
    struct stat program {};
    ASSERT_EQ(stat((folder / "tsrn").c_str(), &program), 0);
    fs::remove(world.Medium() / "rescue.ex_");
    EXPECT_EQ(Run("'" + (world.Medium() / "setup").string() + "' --unattended --install-dir '" +
                      folder.string() + "' --replace-password",
                  "new\n"),
              1);
    EXPECT_EQ(DumpRegistry(), before);
    struct stat restored {};
    ASSERT_EQ(stat((folder / "tsrn").c_str(), &restored), 0);
    EXPECT_EQ(restored.st_ino, program.st_ino);
    EXPECT_EQ(restored.st_size, program.st_size);
    EXPECT_TRUE(fs::exists(folder / "tsrnctl")) << "the earlier rescue tool is back";
    EXPECT_TRUE(fs::exists(world.Paths().systemFolder / "tsrnvx"));
}

// A throw-away user, removed again whatever happens.
class ThrowAwayUser {
  public:
    explicit ThrowAwayUser(const fs::path& home)
        : name_("tsrn-e2e-" + std::to_string(getpid())), home_(home) {
        const std::string add =
            "useradd -M -d '" + home.string() + "' -s /bin/sh " + name_ + " >/dev/null 2>&1";
        // Another test may hold the user database's lock for a moment.
        for (int attempt = 0; attempt < 10 && !created_; ++attempt) {
            created_ = std::system(add.c_str()) == 0;
            if (!created_) {
                sleep(1);
            }
        }
        if (created_) {
            fs::create_directories(home);
            const std::string own = "chown " + name_ + " '" + home.string() + "'";
            created_ = std::system(own.c_str()) == 0;
        }
    }
    ~ThrowAwayUser() {
        const std::string remove = "userdel " + name_ + " >/dev/null 2>&1";
        std::system(remove.c_str());
    }
    ThrowAwayUser(const ThrowAwayUser&) = delete;
    ThrowAwayUser& operator=(const ThrowAwayUser&) = delete;
    bool Created() const { return created_; }
    const std::string& Name() const { return name_; }

  private:
    std::string name_;
    fs::path home_;
    bool created_ = false;
};

// Installed by root for every user: another user's program, with nothing of
// its own, finds the driver through the all-users record.
TEST_F(EndToEndTest, AllUsersInstallServesAnotherUser) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "installing for all users and running as another user need root";
    }
    if (std::system("command -v useradd >/dev/null && command -v su >/dev/null") != 0) {
        GTEST_SKIP() << "useradd or su is missing";
    }
    chmod(world.Root().c_str(), 0755);  // the other user must reach the programs
    const fs::path folder = world.InstallFolder();
    ASSERT_EQ(Install(folder.string(), "install"), 0) << output;
    const auto record = ReadSystemRecord(world.Root() / "etc" / "installation");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->installFolder, folder.string() + "/");
    EXPECT_EQ(record->systemFolder, world.Paths().systemFolder.string() + "/");

    const fs::path home = world.Root() / "other-home";
    ThrowAwayUser user(home);
    ASSERT_TRUE(user.Created()) << "useradd failed";
    struct Case {
        const char* name;
        fs::path sysconf;
        bool served;
    };
    const Case cases[] = {
        {"with the record", world.Root() / "etc", true},
        {"without it", world.Root() / "no-etc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string command =
            "su -s /bin/sh " + user.Name() + " -c \"cd / && echo pw | env HOME='" + home.string() +
            "' TSRN_REGISTRY_DIR='" + (home / "reg").string() + "' TSRN_STATE_DIR='" +
            (home / "state").string() + "' TSRN_SYSCONF_DIR='" + c.sysconf.string() +
            "' ASAN_OPTIONS=detect_leaks=0 timeout -s TERM 5 '" + (folder / "tsrnctl").string() +
            "' serve --password-stdin\"";
        const fs::path out = world.Root() / "other-out";
        const std::string line =
            "env -u TSRN_SYSTEM_DIR " + command + " > '" + out.string() + "' 2>&1";
        std::system(line.c_str());
        const std::string said = ReadText(out);
        EXPECT_EQ(said.find("serving;") != std::string::npos, c.served) << said;
        EXPECT_EQ(said.find("could not be started") == std::string::npos, c.served) << said;
    }
}

TEST_F(EndToEndTest, UsageErrorsChangeNothing) {
    EXPECT_EQ(Run("'" + (world.Medium() / "setup").string() + "' --unattended"), 2);
    EXPECT_NE(output.find("Usage: setup"), std::string::npos) << output;
    EXPECT_EQ(Run("'" + (world.Medium() / "setup").string() + "' --bogus"), 2);
    EXPECT_FALSE(fs::exists(world.Paths().systemFolder));
}

}  // namespace
}  // namespace tsrn::setup::test
