// The widget-free rules of the folder list: row texts and images, the
// enabling of commands, the key table, drops, the dialogs' state arithmetic,
// cutting texts to a cell, the stored column widths and Enter action, and the
// new-password entry rules.

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "resources/ResourceIds.h"
#include "view/ColumnWidths.h"
#include "view/CommandRules.h"
#include "view/DialogStates.h"
#include "view/EnterAction.h"
#include "view/RowTexts.h"
#include "view/ShortenText.h"

namespace tsrn::view {
namespace {

using folders::FolderKind;
using folders::FolderRecord;
namespace cmd = res::cmd;

struct RowCase {
    std::uint32_t state;
    FolderKind kind;
    bool keyLoaded;
    std::int32_t open;
    const char* ciphering;
    const char* openText;
    int image;
};

TEST(RowTexts, CipheringTextOpenFilesAndImageFollowStateKindAndKey) {
    const RowCase cases[] = {
        {0x01, FolderKind::User, true, 3, "Working", "3", 0},
        {0x01, FolderKind::User, false, 3, "Stopped", "3", 1},  // key not yet in the driver
        {0x01, FolderKind::User, true, -1, "Working", "0", 0},  // a failed query shows 0
        {0x02, FolderKind::User, true, 5, "Stopped", "", 1},
        {0x00, FolderKind::User, true, 5, "Initialization error", "", 2},
        {0x83, FolderKind::RegistryFile, true, 4, "Is not encoded", "", 3},
        {0x80, FolderKind::RegistryFile, true, 4, "Initialization error", "", 5},
        {0x81, FolderKind::RegistryFile, true, 4, "Is not encoded", "", 3},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " kind "
                                        << static_cast<int>(c.kind) << " key " << c.keyLoaded);
        const RowTexts row =
            RowFor(FolderRecord{"/data", "/DATA", "notes", c.state, c.kind}, c.keyLoaded, c.open);
        EXPECT_EQ(row.folder, "/data");
        EXPECT_EQ(row.ciphering, c.ciphering);
        EXPECT_EQ(row.openFiles, c.openText);
        EXPECT_EQ(row.image, c.image);
        EXPECT_EQ(row.description, "notes");
    }
}

TEST(RowTexts, ProtectionListsTheProhibitionsInFixedOrder) {
    EXPECT_EQ(ProtectionText(0x01), "");
    EXPECT_EQ(ProtectionText(0x80), "Del. ");
    EXPECT_EQ(ProtectionText(0xF1), "Del. Write Find Open ");
    EXPECT_EQ(ProtectionText(0x50), "Find Open ");
    EXPECT_EQ(ProtectionText(0x20), "Write ");
}

TEST(ColumnWidths, PercentagesOfTheWindowWidthWithBadValuesReplaced) {
    EXPECT_EQ(ColumnPixels({30, 13, 20, 16, 20}, 1000), (ColumnArray{300, 130, 200, 160, 200}));
    EXPECT_EQ(ColumnPixels({50, -5, 10, 0, 500}, 200), (ColumnArray{100, 26, 20, 32, 200}));
}

// One pixel per byte; "..." is three pixels wide.
int Bytes(std::string_view text) {
    return static_cast<int>(text.size());
}

TEST(ColumnWidths, ParseStopsAtTheFirstZeroAndKeepsBuiltInWidthsFromThere) {
    struct Case {
        std::string text;
        ColumnArray widths;
    };
    const std::vector<Case> cases = {
        {"30 13 20 16 20 ", {30, 13, 20, 16, 20}},
        {"40 0 20", {40, 13, 20, 16, 20}},
        {"abc", {30, 13, 20, 16, 20}},
        {"", {30, 13, 20, 16, 20}},
        {"10  20", {10, 20, 20, 16, 20}},
        {"1 2 3 4 5 6", {1, 2, 3, 4, 5}},
        {"25x 9", {25, 9, 20, 16, 20}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseColumns(c.text), c.widths) << '"' << c.text << '"';
    }
}

TEST(ColumnWidths, FormatGivesWholePercentagesEachFollowedByABlank) {
    EXPECT_EQ(FormatColumns({300, 130, 200, 160, 209}, 1000), "30 13 20 16 20 ");
    // A column under 1% is written as 0, so it and the ones after it read
    // back with their built-in widths.
    EXPECT_EQ(ParseColumns(FormatColumns({333, 50, 1, 200, 100}, 777)),
              (ColumnArray{42, 6, 20, 16, 20}));
    EXPECT_EQ(FormatColumns({300, 130, 200, 160, 209}, 0), "");
}

TEST(EnterAction, OnlyATextReadingAsOneIsOne) {
    struct Case {
        std::string text;
        int action;
    };
    const std::vector<Case> cases = {
        {"1", 1}, {"1xyz", 1}, {" +1", 1}, {"01", 1}, {"0", 0},
        {"2", 0}, {"-1", 0},   {"", 0},    {"x1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseEnterAction(c.text), c.action) << '"' << c.text << '"';
    }
}

TEST(ShortenText, CutsFromTheEndAndAddsDotsOnlyWhenTheyFit) {
    struct Case {
        const char* text;
        int width;
        int margin;
        const char* shown;
        bool shortened;
    };
    const Case cases[] = {
        {"", 0, 4, "", false},
        {"abcdef", 10, 4, "abcdef", false},  // exactly fits with the margin
        {"abcdefg", 10, 4, "abc...", true},  // 3 + 4 + 3 <= 10
        {"abcdefg", 2, 0, "", true},         // narrower than the dots: no dots
        {"abcdefg", 3, 0, "...", true},      // only the dots fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ShortenedText out = ShortenText(c.text, c.width, c.margin, Bytes);
        EXPECT_EQ(out.text, c.shown);
        EXPECT_EQ(out.shortened, c.shortened);
    }
}

TEST(ShortenText, NeverSplitsAMultiByteCharacter) {
    // "é" is two bytes; a byte-wise cut would stop inside the second one.
    const ShortenedText out = ShortenText("a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 7, 0, Bytes);
    EXPECT_EQ(out.text, "a\xC3\xA9...");
}

TEST(CommandRules, EnablingByIdSelectionStateAndKind) {
    const std::optional<SelectedRecord> none;
    const SelectedRecord working{0x81, FolderKind::User};
    const SelectedRecord stopped{0x02, FolderKind::User};
    const SelectedRecord broken{0x00, FolderKind::User};
    const SelectedRecord registry{0x83, FolderKind::RegistryFile};
    struct Case {
        int id;
        std::optional<SelectedRecord> selected;
        bool enabled;
    };
    const Case cases[] = {
        {cmd::kAddFolder, none, true},
        {cmd::kRefresh, none, true},
        {cmd::kSettings, none, true},
        {cmd::kChangePassword, none, true},
        {cmd::kDeleteFolder, none, false},
        {cmd::kDeleteFolder, registry, true},
        {cmd::kFolderProtection, none, false},
        {cmd::kFolderProtection, registry, true},
        {cmd::kStartCiphering, none, false},
        {cmd::kStartCiphering, working, false},
        {cmd::kStartCiphering, stopped, true},
        {cmd::kStartCiphering, broken, true},
        {cmd::kStartCiphering, registry, false},
        {cmd::kStopCiphering, none, false},
        {cmd::kStopCiphering, working, true},
        {cmd::kStopCiphering, stopped, false},
        {cmd::kStopCiphering, registry, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " selected " << c.selected.has_value());
        EXPECT_EQ(CommandEnabled(c.id, c.selected), c.enabled);
    }
}

TEST(CommandRules, KeyTable) {
    struct Case {
        Key key;
        bool shift;
        bool selected;
        KeyAction action;
    };
    const Case cases[] = {
        {Key::Shift, false, false, KeyAction::ShiftDown},
        {Key::Enter, false, true, KeyAction::EnterAction},
        {Key::Insert, false, false, KeyAction::AddFolder},
        {Key::Delete, false, true, KeyAction::DeleteFolder},
        {Key::F5, false, false, KeyAction::Refresh},
        {Key::F10, false, true, KeyAction::None},  // F10 without Shift
        {Key::F10, true, false, KeyAction::None},  // Shift+F10 without a row
        {Key::F10, true, true, KeyAction::ContextMenu},
        {Key::Other, true, true, KeyAction::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.key));
        EXPECT_EQ(ActionForKey(c.key, c.shift, c.selected), c.action);
    }
}

TEST(CommandRules, ToggleOnlySwitchesWorkingOrStoppedUserFolders) {
    EXPECT_EQ(ToggleFor(std::nullopt), Toggle::Nothing);
    EXPECT_EQ(ToggleFor(SelectedRecord{0x91, FolderKind::User}), Toggle::Stop);
    EXPECT_EQ(ToggleFor(SelectedRecord{0x02, FolderKind::User}), Toggle::Start);
    EXPECT_EQ(ToggleFor(SelectedRecord{0x00, FolderKind::User}), Toggle::Nothing);
    EXPECT_EQ(ToggleFor(SelectedRecord{0x03, FolderKind::User}), Toggle::Nothing);
    EXPECT_EQ(ToggleFor(SelectedRecord{0x83, FolderKind::RegistryFile}), Toggle::Nothing);
    EXPECT_EQ(ToggleFor(SelectedRecord{0x81, FolderKind::RegistryFile}), Toggle::Nothing);
}

TEST(CommandRules, DropCases) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    std::ofstream(dir / "file.txt") << "x";
    const std::string folder = (dir / "folder").string();
    EXPECT_EQ(ClassifyDrop({}), DropCase::SeveralItems);
    EXPECT_EQ(ClassifyDrop({folder, folder}), DropCase::SeveralItems);
    EXPECT_EQ(ClassifyDrop({(dir / "file.txt").string()}), DropCase::NotAFolder);
    EXPECT_EQ(ClassifyDrop({folder}), DropCase::AddFolder);
    EXPECT_EQ(ClassifyDrop({"/"}), DropCase::AddFolder);
    EXPECT_EQ(ClassifyDrop({(dir / "missing").string()}), DropCase::AddFolder);
}

TEST(DialogStates, AddFolderDialogState) {
    EXPECT_EQ(AddedFolderState({}, false), 0x02u);  // OK without touching anything
    EXPECT_EQ(AddedFolderState({true, true, true, true}, true), 0xF1u);
    EXPECT_EQ(AddedFolderState({true, false, false, false}, false), 0x82u);
    EXPECT_EQ(AddedFolderState({false, true, false, false}, true), 0x21u);
    EXPECT_EQ(AddedFolderState({false, false, true, false}, true), 0x41u);
    EXPECT_EQ(AddedFolderState({false, false, false, true}, true), 0x11u);
}

TEST(DialogStates, ProtectionDialogKeepsTheCipherStateAndReplacesProhibitions) {
    EXPECT_EQ(ProtectedFolderState(0xF1, {}), 0x01u);
    EXPECT_EQ(ProtectedFolderState(0x02, {true, false, false, true}), 0x92u);
    EXPECT_EQ(ProtectedFolderState(0x100, {}), 0x00u);  // stray high bits never travel
    EXPECT_EQ(ProhibitionsOf(0xA0), (Prohibitions{true, true, false, false}));
}

TEST(DialogStates, CipheringGroupOfTheProtectionDialog) {
    namespace str = res::str;
    struct Case {
        std::uint32_t state;
        FolderKind kind;
        CipheringControls controls;
    };
    const Case cases[] = {
        {0x01, FolderKind::User, {str::kStateWorking, str::kButtonStop, true}},
        {0x02, FolderKind::User, {str::kStateStopped, str::kButtonStart, true}},
        {0x00, FolderKind::User, {str::kStateInitError, str::kButtonStart, true}},
        {0x83, FolderKind::RegistryFile, {str::kStateNotEncoded, str::kButtonStart, false}},
    };
    for (const Case& c : cases) {
        const CipheringControls got = CipheringControlsFor(c.state, c.kind);
        EXPECT_EQ(got.stateTextId, c.controls.stateTextId);
        EXPECT_EQ(got.buttonTextId, c.controls.buttonTextId);
        EXPECT_EQ(got.buttonVisible, c.controls.buttonVisible);
    }
}

}  // namespace
}  // namespace tsrn::view
