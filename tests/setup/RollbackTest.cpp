#include "setup/Rollback.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "ScriptedPrompter.h"
#include "SetupFixture.h"
#include "folders/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "setup/ClearFolder.h"
#include "setup/FolderGuard.h"
#include "setup/InstallEngine.h"
#include "setup/InstallationPassword.h"

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
            StoreInstallationPassword("secret", state.installFolder, world.Registry());
        }
    }

    void ExpectNothingLeftButTheLibraries() {
        EXPECT_FALSE(fs::exists(world.InstallFolder()));
        EXPECT_FALSE(fs::exists(world.Paths().systemFolder / "tsrnvx"));
        EXPECT_FALSE(fs::exists(world.ProgramGroup()));
        EXPECT_FALSE(world.Registry().KeyExists(Hive::LocalMachine, "SOFTWARE\\Tessaryn"));
        EXPECT_FALSE(world.Registry().KeyExists(Hive::CurrentUser, "SOFTWARE\\Tessaryn"));
        EXPECT_FALSE(world.Registry().KeyExists(Hive::LocalMachine, kUninstallKey));
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
    EXPECT_TRUE(world.Registry().KeyExists(Hive::LocalMachine, kUninstallKey));
}

TEST_F(RollbackTest, RemovesWhateverTheStepsHadWrittenSoFar) {
    for (int steps : {0, 3, 5, 8}) {
        SCOPED_TRACE(steps);
        state = world.FreshState();
        InstallSteps(steps);
        // A toolbar layout an earlier run of the program saved for the user.
        RegistryStore user(world.Registry(), Hive::CurrentUser);
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
    EXPECT_EQ(ReadFile(world.Paths().homeFolder / "letter.txt"), "dear");
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
    EXPECT_EQ(ReadFile(folder / "sub" / "inner"), "3");
    EXPECT_EQ(ReadFile(dir / "outside"), "4");
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
    WriteFile(dir / "foreign" / "notes.txt", "mine");
    WriteFile(dir / "earlier" / "tsrn", "program");
    WriteFile(dir / "earlier" / "tsrn.html", "manual");
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
        {(dir / "a-file").string(), FolderVerdict::NotAFolder, str::kFolderNotAFolder},
        {(dir / "earlier").string(), FolderVerdict::Accepted, 0},
        {(dir / "empty").string() + "/", FolderVerdict::Accepted, 0},
        {(dir / "new" / "deeper").string(), FolderVerdict::Accepted, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const FolderCheck check = CheckInstallFolder(c.typed, paths);
        EXPECT_EQ(check.verdict, c.verdict);
        EXPECT_EQ(RefusalTextId(check.verdict), c.textId);
        if (c.verdict != FolderVerdict::Accepted && c.verdict != FolderVerdict::Empty) {
            EXPECT_NE(RefusalText(check.verdict, check.folder).find(check.folder),
                      std::string::npos);
        }
    }
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    const FolderCheck relative = CheckInstallFolder("new", paths);
    fs::current_path(before);
    EXPECT_EQ(relative.verdict, FolderVerdict::Accepted);
    EXPECT_EQ(relative.folder, (dir / "new").string());
}

}  // namespace
}  // namespace tsrn::setup::test
