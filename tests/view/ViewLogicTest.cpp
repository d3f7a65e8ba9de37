// The list view's start and close sequences against a real registry file,
// the light refresh, the selection, and keys, drops and double-clicks,
// which do nothing while the program is locked.

#include <gmock/gmock.h>

#include <fstream>

#include "ViewFixture.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::test {
namespace {

using driver::RequestCode;
using folders::FolderKind;
using testing::ElementsAre;
using view::Key;
using view::KeyAction;
namespace str = res::str;

class ViewStartAndClose : public ViewFixture {};

TEST_F(ViewStartAndClose, ColumnsGlobalWordAndEnterActionAreReadAndUsed) {
    store.SetString(registry::kSettingsKey, "columns", "50 0 10 ");
    const std::uint8_t gs[4] = {0x90, 0, 0, 0};
    store.SetBinary(registry::kSettingsKey, "GS", gs, 4);
    store.SetString(registry::kSettingsKey, "EnterAction", "7");
    logic.Start();
    EXPECT_EQ(logic.ColumnPercents(), (view::ColumnArray{50, 13, 20, 16, 20}));
    EXPECT_EQ(logic.GlobalProtection(), 0x90u);
    EXPECT_EQ(logic.EnterAction(), 0);
    EXPECT_THAT(driver.Requests(), testing::Contains(req::SetGlobalProtection(0x90)));
    // The two registry file entries come with every start.
    ASSERT_EQ(logic.FolderCount(), 2);
    EXPECT_EQ(logic.Rows()[0].ciphering, "Is not encoded");
    EXPECT_EQ(logic.Rows()[0].protection, "Del. ");
    EXPECT_EQ(logic.Rows()[0].openFiles, "");
    EXPECT_EQ(logic.Rows()[0].image, res::row_image::kRegistryFile);
}

TEST_F(ViewStartAndClose, ARefusedGlobalWordIsReported) {
    driver.On(RequestCode::SetGlobalProtection, TestDriver::FailCall());
    logic.Start();
    EXPECT_THAT(prompter.AskedIds(), testing::Contains(str::kGlobalProtectionError));
}

TEST_F(ViewStartAndClose, CloseSavesWidthsAsPercentagesSettingsAndTheList) {
    logic.Start();
    const std::string data = Folder("data");
    Add(data, 0x91);
    logic.SetEnterAction(1);
    logic.SetGlobalProtection(0x20);
    EXPECT_TRUE(logic.Close({300, 131, 200, 160, 209}, 1000));
    EXPECT_EQ(store.GetString(registry::kSettingsKey, "columns", ""), "30 13 20 16 20 ");
    EXPECT_EQ(store.GetInt(registry::kSettingsKey, "EnterAction", -1), 1);
    std::uint8_t gs[4] = {};
    ASSERT_TRUE(store.GetBinary(registry::kSettingsKey, "GS", gs, 4));
    EXPECT_EQ(gs[0], 0x20);

    // The next run finds the folder again.
    view::ViewLogic again{view::ViewPorts{state, store, driver, prompter, dialogs}};
    again.Start();
    bool found = false;
    for (std::size_t i = 0; i < again.List().Size(); ++i)
        found |= again.List().LongPath(i) == data && again.List().State(i) == 0x91;
    EXPECT_TRUE(found);
    EXPECT_EQ(again.EnterAction(), 1);
}

TEST_F(ViewStartAndClose, NothingIsWrittenWhileLockedOrWithoutAClientWidth) {
    logic.Start();
    store.SetString(registry::kSettingsKey, "columns", "1 2 3 4 5 ");
    state.unlocked = false;
    EXPECT_FALSE(logic.Close({300, 130, 200, 160, 200}, 1000));
    EXPECT_EQ(store.GetString(registry::kSettingsKey, "columns", ""), "1 2 3 4 5 ");
    EXPECT_FALSE(database.QueryValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings\\",
                                     "EnterAction"));
    state.unlocked = true;
    EXPECT_TRUE(logic.Close({300, 130, 200, 160, 200}, 0));
    EXPECT_EQ(store.GetString(registry::kSettingsKey, "columns", ""), "1 2 3 4 5 ");
}

class ViewRefresh : public ViewFixture {};

TEST_F(ViewRefresh, LightRefreshRewritesOnlyChangedOpenFileCells) {
    Add(Folder("a"), 0x01);
    Add(Folder("b"), 0x01);
    Add(Folder("c"), 0x02);
    std::vector<view::RefreshResult> heard;
    logic.SetRefreshListener([&heard](const view::RefreshResult& r) { heard.push_back(r); });
    driver.On(RequestCode::QueryOpenFiles, 2, TestDriver::Accept(4));
    driver.On(RequestCode::QueryOpenFiles, 3, TestDriver::Accept(9));
    driver.ClearRequests();
    const view::RefreshResult first = logic.RefreshList(true);
    EXPECT_FALSE(first.rebuilt);
    EXPECT_THAT(first.changedRows, ElementsAre(1u));  // c is stopped: its count is not shown
    EXPECT_EQ(logic.Rows()[1].openFiles, "4");
    EXPECT_TRUE(logic.AnyFilesOpen());  // every folder's count counts
    EXPECT_THAT(driver.Requests(), ElementsAre(req::QueryOpenFiles(1), req::QueryOpenFiles(2),
                                               req::QueryOpenFiles(3)));
    EXPECT_TRUE(logic.RefreshList(true).changedRows.empty());
    EXPECT_EQ(heard.size(), 2u);

    driver.On(RequestCode::QueryOpenFiles, 2, TestDriver::FailCall());
    driver.On(RequestCode::QueryOpenFiles, 3, TestDriver::Accept(0));
    EXPECT_THAT(logic.RefreshList(true).changedRows, ElementsAre(1u));
    EXPECT_EQ(logic.Rows()[1].openFiles, "0");
    EXPECT_FALSE(logic.AnyFilesOpen());
}

TEST_F(ViewRefresh, SelectionIsClampedAndAlwaysZeroWhileLocked) {
    Add(Folder("a"), 0x01);
    Add(Folder("b"), 0x01);
    Select(2);
    EXPECT_EQ(logic.SelectedPosition(), 2);
    Select(5);  // a row the control does not have
    EXPECT_EQ(logic.SelectedPosition(), 0);
    state.unlocked = false;
    Select(1);
    EXPECT_EQ(logic.SelectedPosition(), 0);
    for (const int id : {res::cmd::kDeleteFolder, res::cmd::kFolderProtection})
        EXPECT_FALSE(logic.CommandEnabled(id));
}

class ViewInput : public ViewFixture {};

TEST_F(ViewInput, NothingActsWhileLocked) {
    const std::string data = Folder("data");
    Add(data, 0x01);
    Select(1);
    state.unlocked = false;
    dialogs.chosenFolder = Folder("other");
    const std::size_t sent = driver.Requests().size();
    for (const Key key : {Key::Enter, Key::Insert, Key::Delete, Key::F5, Key::Shift})
        EXPECT_EQ(logic.KeyDown(key), KeyAction::None);
    logic.DoubleClick();
    logic.Drop({data, data});
    logic.Drop({Folder("dropped")});
    for (const int id : {res::cmd::kAddFolder, res::cmd::kRefresh, res::cmd::kStopCiphering})
        logic.RunCommand(id);
    EXPECT_FALSE(logic.ContextMenuAllowed());
    EXPECT_FALSE(logic.ShiftDown());
    EXPECT_TRUE(prompter.Asked().empty());
    EXPECT_EQ(dialogs.chooserShown, 0);
    EXPECT_EQ(dialogs.protectionShown, 0);
    EXPECT_EQ(driver.Requests().size(), sent);
    EXPECT_EQ(logic.FolderCount(), 1);
}

TEST_F(ViewInput, KeysRunTheirCommands) {
    Add(Folder("a"), 0x01);
    Select(1);
    dialogs.chosenFolder.reset();
    EXPECT_EQ(logic.KeyDown(Key::Insert), KeyAction::AddFolder);
    EXPECT_EQ(dialogs.chooserShown, 1);

    EXPECT_EQ(logic.KeyDown(Key::Enter), KeyAction::EnterAction);
    EXPECT_EQ(dialogs.protectionShown, 1);

    prompter.Then(Answer::No);
    EXPECT_EQ(logic.KeyDown(Key::Delete), KeyAction::DeleteFolder);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kDeleteFolderQuestion));

    EXPECT_EQ(logic.KeyDown(Key::F10), KeyAction::None);
    EXPECT_EQ(logic.KeyDown(Key::Shift), KeyAction::ShiftDown);
    EXPECT_TRUE(logic.ShiftDown());
    EXPECT_EQ(logic.KeyDown(Key::F10), KeyAction::ContextMenu);
    EXPECT_FALSE(logic.ShiftDown());

    logic.KeyDown(Key::Shift);
    Select(0);
    EXPECT_EQ(logic.KeyDown(Key::F10), KeyAction::None);  // no row selected
    EXPECT_FALSE(logic.ContextMenuHasControl());
}

TEST_F(ViewInput, EnterActionOneSwitchesCipheringButNeverARegistryFile) {
    Add(Folder("a"), 0x91);
    Add(Folder("hive"), 0x83, FolderKind::RegistryFile);
    logic.SetEnterAction(1);
    Select(1);
    logic.KeyDown(Key::Enter);
    EXPECT_EQ(logic.List().State(0), 0x92u);
    logic.DoubleClick();
    EXPECT_EQ(logic.List().State(0), 0x91u);

    Select(2);
    const std::size_t sent = driver.Requests().size();
    logic.KeyDown(Key::Enter);
    EXPECT_EQ(driver.Requests().size(), sent);
    logic.SetEnterAction(0);
    logic.KeyDown(Key::Enter);
    EXPECT_EQ(dialogs.protectionShown, 1);
}

TEST_F(ViewInput, DropCases) {
    std::ofstream(dir / "file.txt") << "x";
    logic.Drop({Folder("x"), Folder("y")});
    logic.Drop({(dir / "file.txt").string()});
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kDropOneFolderOnly, str::kDropNotAFolder));
    EXPECT_EQ(prompter.Asked()[1].text, "'" + (dir / "file.txt").string() + "'  is not a folder");
    EXPECT_EQ(prompter.Asked()[1].captionId, str::kCaptionError);
    EXPECT_EQ(prompter.Asked()[1].icon, Icon::Information);
    EXPECT_TRUE(dialogs.addAskedFor.empty());

    logic.Drop({Folder("x")});
    EXPECT_THAT(dialogs.addAskedFor, ElementsAre(Folder("x")));
    EXPECT_EQ(logic.FolderCount(), 1);
}

TEST_F(ViewInput, StartAndStopRespectTheirEnablingEvenWhenCalledDirectly) {
    Add(Folder("hive"), 0x83, FolderKind::RegistryFile);
    Select(1);
    const std::size_t sent = driver.Requests().size();
    logic.RunCommand(res::cmd::kStartCiphering);
    logic.RunCommand(res::cmd::kStopCiphering);
    EXPECT_EQ(driver.Requests().size(), sent);
    EXPECT_EQ(logic.List().State(0), 0x83u);
}

class AbsentRows : public ViewFixture {};

TEST_F(AbsentRows, AnAbsentFolderShowsAsNotServedUntilTheTickFindsIt) {
    const std::string disk = (dir / "disk").string();
    driver.On(RequestCode::SetFolderPath, TestDriver::Refuse(1));
    const std::size_t row = Add(disk, 0x92);
    EXPECT_EQ(logic.Rows()[row].ciphering, "Initialization error");
    EXPECT_EQ(logic.Rows()[row].image, res::row_image::kFolderError);
    EXPECT_EQ(logic.Rows()[row].protection, "Del. Open ") << "its prohibitions stay";
    EXPECT_EQ(logic.Rows()[row].note, text::Text(str::kFolderAbsentNote));
    EXPECT_FALSE(logic.RefreshList(true).rebuilt);

    std::filesystem::create_directory(disk);
    driver.On(RequestCode::SetFolderPath, TestDriver::Accept());
    EXPECT_TRUE(logic.RefreshList(true).rebuilt) << "the tick registers it and redraws";
    EXPECT_EQ(logic.Rows()[row].ciphering, "Stopped");
    EXPECT_EQ(logic.Rows()[row].note, "");
    EXPECT_EQ(logic.List().State(row), 0x92u);
}

}  // namespace
}  // namespace tsrn::test
