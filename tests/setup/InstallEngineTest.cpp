#include "setup/InstallEngine.h"

#include <gtest/gtest.h>

#include "ScriptedPrompter.h"
#include "SetupFixture.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/Version.h"
#include "setup/VersionNote.h"

namespace tsrn::setup::test {
namespace {

using tsrn::test::ScriptedPrompter;
namespace str = res::setup::str;

struct RecordingObserver : InstallObserver {
    std::vector<std::string> fileTexts;
    std::vector<int> positions;
    std::vector<std::string> percentTexts;
    void ShowFileText(const std::string& text) override { fileTexts.push_back(text); }
    void ShowProgress(int position, const std::string& percentText) override {
        positions.push_back(position);
        percentTexts.push_back(percentText);
    }
};

class InstallEngineTest : public ::testing::Test {
  protected:
    InstallEngineTest() { world.LayOutMedium(); }

    InstallEngine& Engine() {
        if (!engine) {
            engine = std::make_unique<InstallEngine>(state, world.Paths(), world.Registry(),
                                                     prompter, observer);
            engine->Prepare();
        }
        return *engine;
    }
    void RunToEnd() {
        for (int i = 0; i < 100 && !Engine().Finished(); ++i) {
            ASSERT_NE(Engine().Tick(), TickResult::RolledBack);
        }
        ASSERT_TRUE(Engine().Finished());
    }
    std::string Value(registry::Hive hive, const std::string& key, const std::string& name) {
        auto value = world.Registry().QueryValue(hive, key, name);
        if (!value) {
            return "<missing>";
        }
        return std::string(value->data.begin(), value->data.end());
    }

    SetupWorld world;
    InstallState state = world.FreshState();
    ScriptedPrompter prompter;
    RecordingObserver observer;
    std::unique_ptr<InstallEngine> engine;
};

TEST_F(InstallEngineTest, OneStepPerTickThroughTheFourGroups) {
    struct Expected {
        int group, index;
        const char* fileText;
        int position;
    };
    const Expected steps[] = {
        {0, 1, "Copying file tsrn", 12},           {0, 2, "Copying file remover", 25},
        {0, 3, "Copying file tsrnctl", 37},        {1, 0, "Copying file tsrn.html", 50},
        {2, 0, "Copying file tsrnvx", 62},         {2, 1, "Copying file libtsrnfw.so.1", 75},
        {3, 0, "Copying file libtsrnrt.so.1", 87}, {4, 0, "Creating shortcuts", 100},
    };
    for (const auto& step : steps) {
        const TickResult result = Engine().Tick();
        EXPECT_EQ(result, step.group == 4 ? TickResult::Finished : TickResult::Advanced);
        EXPECT_EQ(Engine().Group(), step.group);
        EXPECT_EQ(Engine().Index(), step.index);
        EXPECT_EQ(observer.fileTexts.back(), step.fileText);
        EXPECT_EQ(observer.positions.back(), step.position);
        EXPECT_EQ(observer.percentTexts.back(), std::to_string(step.position) + " %");
    }
    EXPECT_EQ(state.stepCounter, 8);
    EXPECT_EQ(Engine().Tick(), TickResult::Finished);
    EXPECT_EQ(state.stepCounter, 8) << "ticks after the end must not count";
    EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(InstallEngineTest, CopiesEveryFileWithItsBytesAndMode) {
    // An earlier, read-only program is replaced.
    WriteFile(fs::path(world.InstallFolder()) / "tsrn", "old", 0444);
    RunToEnd();
    const fs::path install = world.InstallFolder();
    const fs::path system = world.Paths().systemFolder;
    const std::pair<fs::path, const char*> copies[] = {
        {install / "tsrn", "tsrn.ex_"},
        {install / "remover", "remover.ex_"},
        {install / "tsrnctl", "rescue.ex_"},
        {install / "tsrn.html", "tsrn.hl_"},
        {system / "tsrnvx", "TSRNVX.Vx_"},
        {system / "libtsrnfw.so.1", "libtsrnfw.so.1"},
        {system / "libtsrnrt.so.1", "libtsrnrt.so.1"},
    };
    for (const auto& [target, medium] : copies) {
        EXPECT_EQ(ReadText(target), ReadText(world.Medium() / medium)) << target;
        EXPECT_EQ(ModeOf(target), ModeOf(world.Medium() / medium)) << target;
    }
    EXPECT_EQ(state.installFolder, world.InstallFolder() + "/");
    EXPECT_EQ(state.sourceFolder, world.Medium().string() + "/");
    EXPECT_EQ(state.systemFolder, system.string() + "/");
}

TEST_F(InstallEngineTest, TrailingSlashesGiveTheSameTargets) {
    state.installFolder = world.InstallFolder() + "//";
    RunToEnd();
    EXPECT_EQ(state.installFolder, world.InstallFolder() + "/");
    EXPECT_TRUE(fs::exists(fs::path(world.InstallFolder()) / "tsrn"));
}

TEST_F(InstallEngineTest, FinalStepWritesMenuEntriesAndRegistryValues) {
    // A stale group of an earlier installation is emptied first.
    WriteFile(world.ProgramGroup() / "Old entry.desktop", "[Desktop Entry]\n");
    RunToEnd();
    EXPECT_TRUE(Engine().FinalStepComplete());
    const std::string programEntry = "Tessaryn " TSRN_VERSION_TEXT ".desktop";
    EXPECT_EQ(FileNames(world.ProgramGroup()),
              (std::vector<std::string>{"File Rescue for Tessaryn 1.0.desktop", programEntry,
                                        "Tessaryn Uninstall.desktop"}));
    const std::string entry = ReadText(world.ProgramGroup() / programEntry);
    EXPECT_NE(entry.find("Exec=\"" + state.installFolder + "tsrn\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Path=" + state.installFolder + "\n"), std::string::npos) << entry;
    // Every entry has the icon the final step copied from the medium.
    EXPECT_EQ(ReadText(fs::path(state.installFolder) / "tessaryn.svg"),
              ReadText(world.Medium() / "tessaryn.svg"));
    for (const std::string& name : FileNames(world.ProgramGroup())) {
        EXPECT_NE(ReadText(world.ProgramGroup() / name)
                      .find("Icon=" + state.installFolder + "tessaryn.svg\n"),
                  std::string::npos)
            << name;
    }
    // The rescue tool's terminal shows its help and stays open.
    const std::string rescue =
        ReadText(world.ProgramGroup() / "File Rescue for Tessaryn 1.0.desktop");
    EXPECT_NE(rescue.find("Terminal=true"), std::string::npos);
    EXPECT_NE(rescue.find("Exec=\"/bin/sh\" \"-c\" \"\\\\\"\\\\$0\\\\\" --help; exec "
                          "\\\\\"\\\\${SHELL:-/bin/sh}\\\\\"\" \"" +
                          state.installFolder + "tsrnctl\"\n"),
              std::string::npos)
        << rescue;

    const std::string uninstall =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaryn 1.0";
    EXPECT_EQ(Value(registry::Hive::LocalMachine, uninstall, "DisplayName"),
              std::string("Tessaryn 1.0\0", 13));
    EXPECT_EQ(Value(registry::Hive::LocalMachine, uninstall, "UninstallString"),
              state.installFolder + "remover" + std::string(1, '\0'));
    registry::RegistryStore settings(world.Registry());
    EXPECT_EQ(settings.GetString("settings\\", "InstallDir", ""), state.installFolder);
    EXPECT_EQ(settings.GetString("settings\\", "version", ""), "1.0")
        << "the format earlier installations wrote";
}

TEST_F(InstallEngineTest, ATickDuringARunningStepDoesNothing) {
    Engine();
    state.busy = 1;
    EXPECT_EQ(Engine().Tick(), TickResult::Busy);
    EXPECT_EQ(state.stepCounter, 0);
    EXPECT_TRUE(observer.fileTexts.empty());
    state.busy = 0;
    EXPECT_EQ(Engine().Tick(), TickResult::Advanced);
}

TEST_F(InstallEngineTest, VersionRuleDecidesWhetherALibraryIsReplaced) {
    struct Case {
        const char* name;
        std::optional<std::optional<std::uint64_t>> installed;  // outer: file exists
        std::optional<std::uint64_t> offered;
        bool replaced;
    };
    const std::uint64_t v100 = 0x0001000000000000ull;
    const std::uint64_t v101 = 0x0001000000010000ull;
    const Case cases[] = {
        {"nothing installed", std::nullopt, v100, true},
        {"installed has no version", std::optional<std::uint64_t>{}, v100, true},
        {"offered has no version", v101, std::nullopt, true},
        {"installed older", v100, v101, true},
        {"installed equal", v100, v100, false},
        {"installed newer", v101, v100, false},
        {"newer only in the low word", 0x0001000000000001ull, v100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path source = world.Root() / "offered.so";
        const fs::path target = world.Root() / "installed.so";
        fs::remove(target);
        WriteFile(source, ElfWithVersion(c.offered));
        if (c.installed) {
            WriteFile(target, ElfWithVersion(*c.installed));
        }
        EXPECT_EQ(ShouldCopyLibrary(source, target), c.replaced);
    }
}

TEST_F(InstallEngineTest, ANewerInstalledLibraryStaysAndTheStepStillCounts) {
    const std::string newer = ElfWithVersion(0x0002000000000000ull);
    WriteFile(world.Paths().systemFolder / "libtsrnfw.so.1", newer);
    RunToEnd();
    EXPECT_EQ(ReadText(world.Paths().systemFolder / "libtsrnfw.so.1"), newer);
    EXPECT_EQ(ReadText(world.Paths().systemFolder / "libtsrnrt.so.1"),
              ReadText(world.Medium() / "libtsrnrt.so.1"));
    EXPECT_EQ(observer.positions.back(), 100);
}

TEST_F(InstallEngineTest, FailedCopyRetriedAfterTheFileIsBack) {
    const std::string remover = ReadText(world.Medium() / "remover.ex_");
    fs::remove(world.Medium() / "remover.ex_");
    prompter.Then(Answer::Retry);
    EXPECT_EQ(Engine().Tick(), TickResult::Advanced);
    EXPECT_EQ(Engine().Tick(), TickResult::CopyFailed);
    ASSERT_EQ(prompter.Asked().size(), 1u);
    const Message& box = prompter.Asked()[0];
    EXPECT_EQ(box.textId, str::kCopyError);
    EXPECT_EQ(box.text, "Error of copying of file " + state.installFolder + "remover\n");
    EXPECT_EQ(box.captionId, str::kCaptionError);
    EXPECT_EQ(box.buttons, Buttons::RetryCancel);
    EXPECT_EQ(box.icon, Icon::Exclamation);
    EXPECT_EQ(Engine().Group(), 0);
    EXPECT_EQ(Engine().Index(), 1);
    EXPECT_EQ(state.stepCounter, 1);

    WriteFile(world.Medium() / "remover.ex_", remover, 0755);
    RunToEnd();
    EXPECT_EQ(ReadText(fs::path(state.installFolder) / "remover"), remover);
    EXPECT_EQ(state.stepCounter, 8);
}

TEST_F(InstallEngineTest, FailedCopyCancelledRollsBack) {
    fs::remove(world.Medium() / "TSRNVX.Vx_");
    prompter.Then(Answer::Cancel).Then(Answer::Yes);
    TickResult result = TickResult::Advanced;
    while (result == TickResult::Advanced) {
        result = Engine().Tick();
    }
    EXPECT_EQ(result, TickResult::RolledBack);
    EXPECT_EQ(prompter.AskedIds(), (std::vector<int>{str::kCopyError, str::kInterruptQuestion}));
    EXPECT_FALSE(fs::exists(world.InstallFolder()));
    EXPECT_EQ(Engine().Tick(), TickResult::RolledBack);
    EXPECT_EQ(prompter.Asked().size(), 2u) << "no step may follow a rollback";
}

TEST_F(InstallEngineTest, FailedCopyCancelledButRollbackDeclinedTriesAgain) {
    fs::remove(world.Medium() / "tsrn.ex_");
    prompter.Then(Answer::Cancel).Then(Answer::No);
    EXPECT_EQ(Engine().Tick(), TickResult::CopyFailed);
    EXPECT_TRUE(fs::is_directory(world.InstallFolder()));
    world.LayOutMedium();
    RunToEnd();
    EXPECT_TRUE(fs::exists(fs::path(world.InstallFolder()) / "tsrn"));
}

}  // namespace
}  // namespace tsrn::setup::test
