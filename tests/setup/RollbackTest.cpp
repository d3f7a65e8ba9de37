#include "setup/Rollback.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "ScriptedPrompter.h"
#include "SetupFixture.h"
#include "platform/SystemRecord.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/Version.h"
#include "setup/ClearFolder.h"
#include "setup/FolderGuard.h"
#include "setup/InstallEngine.h"
#include "setup/InstallationPassword.h"
#include "setup/RegistryEntries.h"

#include <map>
#include <optional>

namespace tsrn::setup::test {
namespace {

using tsrn::test::ScriptedPrompter;

struct SilentObserver : InstallObserver {
    void ShowFileText(const std::string&) override {}
    void ShowProgress(int, const std::string&) override {}
};

const char* const kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaryn 1.0";

class RollbackTest : public ::testing::Test {
  protected:
    RollbackTest() { world.LayOutMedium(); }

    // Runs `steps` install steps (8 = all), then stores a password when all ran.
    void InstallSteps(int steps) {
        InstallEngine engine(state, world.Paths(), world.Registry(), installPrompter, observer);
        engine.Prepare();
        for (int i = 0; i < steps; ++i) {
            ASSERT_NE(engine.Tick(), TickResult::RolledBack);
        }
        if (engine.Finished()) {
            // Only the registry's value matters here; a stand-in program may take no check word.
            (void)StoreInstallationPassword("secret", state.installFolder, world.Registry());
        }
    }

    void ExpectNothingLeftButTheLibraries() {
        EXPECT_FALSE(fs::exists(world.InstallFolder()));
        EXPECT_FALSE(fs::exists(world.Paths().systemFolder / "tsrnvx"));
        EXPECT_FALSE(fs::exists(world.ProgramGroup()));
        EXPECT_FALSE(
            world.Registry().KeyExists(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn"));
        EXPECT_FALSE(world.Registry().KeyExists(registry::Hive::CurrentUser, "SOFTWARE\\Tessaryn"));
        EXPECT_FALSE(world.Registry().KeyExists(registry::Hive::LocalMachine, kUninstallKey));
    }

    SetupWorld world;
    InstallState state = world.FreshState();
    ScriptedPrompter installPrompter;
    SilentObserver observer;
};

TEST_F(RollbackTest, DeclinedTouchesNothing) {
    InstallSteps(8);
    const auto installed = FileNames(world.InstallFolder());
    ScriptedPrompter prompter;
    prompter.Then(Answer::No);
    EXPECT_FALSE(RollbackInstallation(state, world.Paths(), world.Registry(), prompter));
    ASSERT_EQ(prompter.Asked().size(), 1u);
    const Message& question = prompter.Asked()[0];
    EXPECT_EQ(question.textId, res::setup::str::kInterruptQuestion);
    EXPECT_EQ(question.text, "Interrupt Tessaryn installation ?");
    EXPECT_EQ(question.captionId, 0);
    EXPECT_EQ(question.buttons, Buttons::YesNo);
    EXPECT_EQ(question.icon, Icon::Question);
    EXPECT_EQ(FileNames(world.InstallFolder()), installed);
    EXPECT_TRUE(fs::exists(world.Paths().systemFolder / "tsrnvx"));
    EXPECT_EQ(FileNames(world.ProgramGroup()).size(), 3u);
    EXPECT_TRUE(world.Registry().KeyExists(registry::Hive::LocalMachine, kUninstallKey));
}

TEST_F(RollbackTest, RemovesWhateverTheStepsHadWrittenSoFar) {
    for (int steps : {0, 3, 5, 8}) {
        SCOPED_TRACE(steps);
        state = world.FreshState();
        InstallSteps(steps);
        // A toolbar layout an earlier run of the program saved for the user.
        registry::RegistryStore user(world.Registry(), registry::Hive::CurrentUser);
        user.SetString("ToolBar\\", "Bars", "1");
        ScriptedPrompter prompter;
        prompter.Then(Answer::Yes);
        EXPECT_TRUE(RollbackInstallation(state, world.Paths(), world.Registry(), prompter));
        ExpectNothingLeftButTheLibraries();
        if (steps >= 7) {
            EXPECT_TRUE(fs::exists(world.Paths().systemFolder / "libtsrnfw.so.1"));
            EXPECT_TRUE(fs::exists(world.Paths().systemFolder / "libtsrnrt.so.1"));
        }
    }
}

TEST_F(RollbackTest, NeverEmptiesAHomeFolder) {
    InstallSteps(8);
    WriteFile(world.Paths().homeFolder / "letter.txt", "dear");
    // Only a throw-away home here: the real system folders are covered by the
    // table of FolderGuard below, never by really running a removal on them.
    InstallState mistyped = state;
    mistyped.installFolder = world.Paths().homeFolder.string() + "/";
    EXPECT_FALSE(RemoveInstallation(mistyped, world.Paths(), world.Registry()));
    EXPECT_EQ(ReadText(world.Paths().homeFolder / "letter.txt"), "dear");
}

// Every key and value below `key`, in order, with types and bytes.
std::string Dump(registry::RegistryDatabase& registry, registry::Hive hive,
                 const std::string& key) {
    if (!registry.KeyExists(hive, key)) {
        return "<none>";
    }
    std::string out = "[" + key + "]\n";
    for (const std::string& name : registry.ValueNames(hive, key)) {
        const auto value = registry.QueryValue(hive, key, name);
        out += name + "=" + std::to_string(value->type) + ":" +
               std::string(value->data.begin(), value->data.end()) + "\n";
    }
    for (const std::string& sub : registry.SubKeyNames(hive, key)) {
        out += Dump(registry, hive, key + "\\" + sub);
    }
    return out;
}

std::string DumpAll(registry::RegistryDatabase& registry) {
    return Dump(registry, registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn") +
           Dump(registry, registry::Hive::CurrentUser, "SOFTWARE\\Tessaryn") +
           Dump(registry, registry::Hive::LocalMachine, kUninstallKey);
}

// An earlier installation in use: its password in force, a folder list, a
// toolbar layout, and its programs.
class ReinstallRollbackTest : public RollbackTest {
  protected:
    ReinstallRollbackTest() {
        InstallSteps(8);
        registry::RegistryStore settings(world.Registry());
        (void)StoreInstallationPassword("working", state.installFolder, world.Registry());
        registry::RegistryStore paths(world.Registry());
        paths.SetString("path\\", "0", "/home/u/private");
        paths.SetString("path\\", "0s", "3");
        paths.SetString("path\\", "1", "/home/u/mail");
        registry::RegistryStore user(world.Registry(), registry::Hive::CurrentUser);
        user.SetString("ToolBar\\", "Bars", "1");
        before = DumpAll(world.Registry());
        for (const std::string& name : FileNames(world.InstallFolder())) {
            installed[name] = ReadText(fs::path(world.InstallFolder()) / name);
        }
        driver = ReadText(world.Paths().systemFolder / "tsrnvx");
        // The new medium differs from what is installed.
        WriteFile(world.Medium() / "tsrn.ex_",
                  "\x7F"
                  "ELF new program",
                  0755);
        WriteFile(world.Medium() / "TSRNVX.Vx_",
                  "\x7F"
                  "ELF new driver",
                  0755);
    }

    void ExpectEarlierInstallationBack() {
        EXPECT_EQ(DumpAll(world.Registry()), before);
        std::map<std::string, std::string> now;
        for (const std::string& name : FileNames(world.InstallFolder())) {
            now[name] = ReadText(fs::path(world.InstallFolder()) / name);
        }
        EXPECT_EQ(now, installed) << "the earlier programs, nothing set aside left";
        EXPECT_EQ(ReadText(world.Paths().systemFolder / "tsrnvx"), driver);
        EXPECT_FALSE(fs::exists(world.Paths().systemFolder / ".tsrn-earlier"));
        EXPECT_EQ(FileNames(world.ProgramGroup()).size(), 3u);
    }

    std::string before;
    std::map<std::string, std::string> installed;
    std::string driver;
};

TEST_F(ReinstallRollbackTest, RollbackAtAnyStepRestoresKeysValuesAndPrograms) {
    for (int steps : {0, 2, 5, 8}) {
        SCOPED_TRACE(steps);
        state = world.FreshState();
        InstallSteps(steps);
        if (steps == 8) {
            // The new password replaced the one in force before the cancel.
            (void)StoreInstallationPassword("other", state.installFolder, world.Registry());
        }
        ScriptedPrompter prompter;
        prompter.Then(Answer::Yes);
        EXPECT_TRUE(RollbackInstallation(state, world.Paths(), world.Registry(), prompter));
        ExpectEarlierInstallationBack();
    }
}

TEST_F(ReinstallRollbackTest, ReinstallIntoAnotherFolderRollsBackToTheEarlierOne) {
    state = world.FreshState();
    state.installFolder = (world.Root() / "apps-home" / "second").string();
    InstallSteps(8);
    EXPECT_TRUE(UndoInstallation(state, world.Paths(), world.Registry()));
    EXPECT_FALSE(fs::exists(world.Root() / "apps-home" / "second"));
    ExpectEarlierInstallationBack();
    const std::string entry =
        ReadText(world.ProgramGroup() / ("Tessaryn " TSRN_VERSION_TEXT ".desktop"));
    EXPECT_NE(entry.find(world.InstallFolder() + "/tsrn"), std::string::npos) << entry;
}

TEST_F(ReinstallRollbackTest, SuccessDiscardsTheSetAsideFiles) {
    state = world.FreshState();
    InstallSteps(8);
    EXPECT_TRUE(fs::exists(fs::path(world.InstallFolder()) / ".tsrn-earlier" / "tsrn"));
    DiscardSetAsideFiles(state);
    EXPECT_FALSE(fs::exists(fs::path(world.InstallFolder()) / ".tsrn-earlier"));
    EXPECT_FALSE(fs::exists(world.Paths().systemFolder / ".tsrn-earlier"));
    EXPECT_EQ(ReadText(fs::path(world.InstallFolder()) / "tsrn").substr(0, 16),
              "\x7F"
              "ELF new program");
}

// An installation for every user leaves the system record; undoing it and
// uninstalling remove it only when it names this installation.
TEST_F(RollbackTest, AllUsersInstallWritesAndRemovesTheSystemRecord) {
    InstallPaths paths = world.Paths();
    paths.allUsers = true;
    paths.systemRecordFile = world.Root() / "etc" / "installation";
    struct Case {
        const char* name;
        std::optional<SystemRecord> earlier;
        bool recordAfterUndo;
    };
    const Case cases[] = {
        {"first install", std::nullopt, false},
        {"another installation's record", SystemRecord{"/opt/other/", "/usr/lib/other/"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(paths.systemRecordFile);
        if (c.earlier) {
            ASSERT_TRUE(WriteSystemRecord(paths.systemRecordFile, *c.earlier));
        }
        state = world.FreshState();
        InstallEngine engine(state, paths, world.Registry(), installPrompter, observer);
        engine.Prepare();
        while (!engine.Finished()) {
            (void)engine.Tick();
        }
        ASSERT_TRUE(engine.FinalStepComplete());
        const auto record = ReadSystemRecord(paths.systemRecordFile);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->installFolder, state.installFolder);
        EXPECT_EQ(record->systemFolder, state.systemFolder);
        EXPECT_EQ(ModeOf(paths.systemRecordFile), 0644u);
        (void)UndoInstallation(state, paths, world.Registry());
        const auto after = ReadSystemRecord(paths.systemRecordFile);
        EXPECT_EQ(after.has_value(), c.recordAfterUndo);
    }
}

TEST(ClearFolder, DeletesFilesKeepsSubfoldersAndNeverFollowsLinks) {
    tsrn::test::TempDir dir;
    const fs::path folder = dir / "folder";
    WriteFile(folder / "plain", "1");
    WriteFile(folder / "read-only", "2", 0444);
    WriteFile(folder / "sub" / "inner", "3");
    WriteFile(dir / "outside", "4", 0444);
    fs::create_symlink(dir / "outside", folder / "link");
    fs::create_directory_symlink(dir.Path(), folder / "dirlink");

    EXPECT_FALSE(ClearFolder(folder.string())) << "the subfolder keeps the folder";
    EXPECT_EQ(FileNames(folder), std::vector<std::string>{"sub"});
    EXPECT_EQ(ReadText(folder / "sub" / "inner"), "3");
    EXPECT_EQ(ReadText(dir / "outside"), "4");
    EXPECT_EQ(ModeOf(dir / "outside"), 0444u) << "a link's target keeps its mode";

    fs::remove_all(folder / "sub");
    EXPECT_TRUE(ClearFolder(folder.string() + "/"));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(ClearFolder(folder.string())) << "a missing folder";
}

TEST(ClearFolder, EmptyPathIsNotTheCurrentDirectory) {
    tsrn::test::TempDir dir;
    WriteFile(dir / "keep", "1");
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_FALSE(ClearFolder(""));
    fs::current_path(before);
    EXPECT_TRUE(fs::exists(dir / "keep"));
}

TEST(FolderGuard, FoldersThatAreNeverEmptied) {
    tsrn::test::TempDir dir;
    InstallPaths paths;
    paths.homeFolder = dir / "home";
    paths.applicationsFolder = dir / "home" / ".local" / "share" / "applications";
    paths.registryFolder = dir / "home" / ".config" / "tessaryn";
    fs::create_directories(paths.applicationsFolder);
    fs::create_directories(paths.registryFolder);
    fs::create_directory_symlink(paths.homeFolder, dir / "home-link");
    const std::string home = paths.homeFolder.string();
    struct Case {
        std::string folder;
        bool safe;
    };
    const Case cases[] = {
        {"", false},
        {"/", false},
        {"/tmp", false},
        {"/opt", false},
        {"/usr/bin/", false},
        {"/usr/lib/x86_64-linux-gnu", false},
        {"/usr/local/bin", false},
        {"/usr/local/../bin", false},
        {"/etc/ssh", false},
        {"/proc/self", false},
        {"/var/lib", false},
        {home, false},
        {home + "/", false},
        {dir.Path().string(), false},
        {(dir / "home-link").string(), false},
        {home + "/.config", false},
        {home + "/.local/opt", false},
        {home + "/Documents", false},
        {paths.applicationsFolder.string(), false},
        {paths.registryFolder.string(), false},
        {"relative/folder", false},
        {"/opt/tessaryn", true},
        {"/usr/local/tessaryn", true},
        {"/usr/local/lib/tessaryn", true},
        {home + "/.local/opt/tessaryn", true},
        {home + "/tessaryn", true},
        {home + "/Documents/tessaryn", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsFolderSafeToEmpty(c.folder, paths), c.safe) << c.folder;
    }
}

TEST(FolderGuard, InstallFolderMustBeNewEmptyOrAnEarlierInstallation) {
    tsrn::test::TempDir dir;
    InstallPaths paths;
    paths.homeFolder = dir / "home";
    registry::RegistryDatabase registry(dir / "registry");
    WriteFile(dir / "foreign" / "notes.txt", "mine");
    // A stranger's program that happens to be named tsrn is no installation.
    WriteFile(dir / "stranger" / "tsrn",
              "\x7F"
              "ELF someone else's program",
              0755);
    WriteFile(dir / "stranger" / "remover", "#!/bin/sh\n", 0755);
    // Ours carries the version note.
    WriteFile(dir / "earlier" / "tsrn", ElfWithVersion(0x0001000000030000ull), 0755);
    WriteFile(dir / "earlier" / "tsrn.html", "manual");
    // Recorded by the uninstall key, whatever its files.
    WriteFile(dir / "registered" / "tsrn", "program");
    registry::RegistryStore uninstall(registry, registry::Hive::LocalMachine,
                                      std::string(kUninstallRoot));
    uninstall.SetString("Tessaryn " TSRN_PRODUCT_VERSION_TEXT "\\", "UninstallString",
                        (dir / "registered").string() + "/remover");
    fs::create_directories(dir / "empty");
    WriteFile(dir / "a-file", "x");
    struct Case {
        std::string typed;
        FolderVerdict verdict;
        int textId;
    };
    namespace str = res::setup::str;
    const Case cases[] = {
        {"", FolderVerdict::Empty, str::kFolderMissing},
        {"/", FolderVerdict::Unsafe, str::kFolderUnsafe},
        {paths.homeFolder.string(), FolderVerdict::Unsafe, str::kFolderUnsafe},
        {(dir / "foreign").string(), FolderVerdict::NotEmpty, str::kFolderNotEmpty},
        {(dir / "stranger").string(), FolderVerdict::NotEmpty, str::kFolderNotEmpty},
        {(dir / "a-file").string(), FolderVerdict::NotAFolder, str::kFolderNotAFolder},
        {(dir / "earlier").string(), FolderVerdict::Accepted, 0},
        {(dir / "registered").string() + "/", FolderVerdict::Accepted, 0},
        {(dir / "empty").string() + "/", FolderVerdict::Accepted, 0},
        {(dir / "new" / "deeper").string(), FolderVerdict::Accepted, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const FolderCheck check = CheckInstallFolder(c.typed, paths, registry);
        EXPECT_EQ(check.verdict, c.verdict);
        EXPECT_EQ(RefusalTextId(check.verdict), c.textId);
        if (c.verdict != FolderVerdict::Accepted && c.verdict != FolderVerdict::Empty) {
            EXPECT_NE(RefusalText(check.verdict, check.folder).find(check.folder),
                      std::string::npos);
        }
    }
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    const FolderCheck relative = CheckInstallFolder("new", paths, registry);
    fs::current_path(before);
    EXPECT_EQ(relative.verdict, FolderVerdict::Accepted);
    EXPECT_EQ(relative.folder, (dir / "new").string());
}

}  // namespace
}  // namespace tsrn::setup::test
