// Folders that are not there when the driver is asked to serve them (an
// unplugged disk, an unmounted share, a registry file not yet written): they
// keep their state word and prohibitions, are saved as they are, and are
// registered with their own state once the path exists.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FoldersFixture.h"
#include "TempDir.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"

namespace tsrn::test {
namespace {

namespace stdfs = std::filesystem;
using driver::RequestCode;
using folders::Availability;
using Requests = std::vector<driver::Request>;

class AbsentFoldersTest : public FoldersFixture {
  protected:
    AbsentFoldersTest() {
        root = stdfs::canonical(dir.Path());
        disk = (root / "disk").string();
    }
    // The driver refuses paths that do not exist, as tsrnvx does.
    void RefuseUntilItExists() { driver.On(RequestCode::SetFolderPath, TestDriver::Refuse(1)); }
    void AcceptFromNowOn() { driver.On(RequestCode::SetFolderPath, TestDriver::Accept()); }

    TempDir dir{"tsrn-absent"};
    stdfs::path root;
    std::string disk;
};

TEST_F(AbsentFoldersTest, AnAbsentFolderKeepsItsWordAndIsRegisteredWithItWhenItAppears) {
    struct Case {
        std::string name;
        bool keyLoaded;
        std::uint32_t word;
        std::uint32_t sentWhenItAppears;
    };
    const std::vector<Case> cases = {
        {"stopped with prohibitions", true, 0xA2, 0xA2},
        {"working with the key loaded", true, 0x51, 0x51},
        {"working before the key is loaded goes in stopped", false, 0x91, 0x92},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stdfs::remove_all(disk);
        TestDriver d;
        d.On(RequestCode::SetFolderPath, TestDriver::Refuse(1));
        AppState s;
        s.keyLoaded = c.keyLoaded;
        s.unlocked = true;
        ProtectedFolders list(d, s, prompter);
        EXPECT_NE(list.AddFolder(disk, "away", c.word, FolderKind::User), 0);
        EXPECT_EQ(list.List().State(0), c.word);
        EXPECT_EQ(list.List().Served(0), Availability::Absent);

        d.ClearRequests();
        EXPECT_FALSE(list.RegisterAppeared()) << "nothing is sent while the folder is away";
        EXPECT_TRUE(d.Requests().empty());

        stdfs::create_directory(disk);
        d.On(RequestCode::SetFolderPath, TestDriver::Accept());
        EXPECT_TRUE(list.RegisterAppeared());
        const Requests expected = {req::SetFolderShortPath(disk, 1, c.sentWhenItAppears),
                                   req::SetFolderPath(disk, 1, c.sentWhenItAppears)};
        EXPECT_EQ(d.Requests(), expected);
        EXPECT_EQ(list.List().Served(0), Availability::Served);
        EXPECT_EQ(list.List().State(0), c.word);
        d.ClearRequests();
        EXPECT_FALSE(list.RegisterAppeared());
        EXPECT_TRUE(d.Requests().empty());
    }
}

TEST_F(AbsentFoldersTest, AnAbsentFolderIsSavedWithItsOwnWordAndLoadsAbsentAgain) {
    registry::RegistryDatabase database(root / "registry");
    registry::RegistryStore store(database);
    RefuseUntilItExists();
    folders.AddFolder(disk, "usb stick", 0x92, FolderKind::User);
    folders.SaveFolderList(store);

    TestDriver next;
    next.On(RequestCode::SetFolderPath, TestDriver::Refuse(1));
    ProtectedFolders reloaded(next, state, prompter);
    reloaded.LoadFolderList(store);
    ASSERT_GE(reloaded.List().Size(), 1u);
    EXPECT_EQ(reloaded.List().LongPath(0), disk);
    EXPECT_EQ(reloaded.List().State(0), 0x92u) << "never saved as 0, never loaded as working";
    EXPECT_EQ(reloaded.List().Served(0), Availability::Absent);
    EXPECT_EQ(reloaded.List().Description(0), "usb stick");
}

TEST_F(AbsentFoldersTest, ARegistryFileNotYetWrittenIsServedOnceItExists) {
    registry::RegistryDatabase database(root / "fresh-registry");
    registry::RegistryStore store(database);
    const stdfs::path userFile = database.HiveFile(registry::Hive::CurrentUser);
    ASSERT_FALSE(stdfs::exists(userFile)) << "a fresh registry has no user file yet";
    RefuseUntilItExists();
    folders.LoadFolderList(store);
    ASSERT_EQ(folders.List().Size(), 2u);
    EXPECT_EQ(folders.List().LongPath(0), userFile.string());
    EXPECT_EQ(folders.List().State(0), 0x83u);
    EXPECT_EQ(folders.List().Served(0), Availability::Absent);

    stdfs::create_directories(userFile.parent_path());
    std::ofstream(userFile).put('x');
    AcceptFromNowOn();
    driver.ClearRequests();
    EXPECT_TRUE(folders.RegisterAppeared());
    EXPECT_EQ(folders.List().Served(0), Availability::Served);
    EXPECT_EQ(folders.List().State(0), 0x83u);
    ASSERT_FALSE(driver.Requests().empty());
    EXPECT_EQ(driver.Requests().back(), req::SetFolderPath(userFile.string(), 1, 0x83));
}

TEST_F(AbsentFoldersTest, ARefusalAfterAppearingWaitsForTheFolderToComeBack) {
    RefuseUntilItExists();
    folders.AddFolder(disk, "", 0x12, FolderKind::User);
    stdfs::create_directory(disk);
    EXPECT_TRUE(folders.RegisterAppeared());
    EXPECT_EQ(folders.List().Served(0), Availability::Refused);
    EXPECT_EQ(folders.List().State(0), 0x12u);

    driver.ClearRequests();
    EXPECT_FALSE(folders.RegisterAppeared()) << "a refused folder is not asked for every second";
    EXPECT_TRUE(driver.Requests().empty());

    folders.RetryRefused();
    AcceptFromNowOn();
    EXPECT_TRUE(folders.RegisterAppeared());
    EXPECT_EQ(folders.List().Served(0), Availability::Served);
}

TEST_F(AbsentFoldersTest, ARefusedFolderThatGoesAwayWaitsAsAnAbsentOne) {
    RefuseUntilItExists();
    folders.AddFolder(disk, "", 0x12, FolderKind::User);
    stdfs::create_directory(disk);
    folders.RegisterAppeared();
    ASSERT_EQ(folders.List().Served(0), Availability::Refused);
    stdfs::remove(disk);
    EXPECT_TRUE(folders.RegisterAppeared());
    EXPECT_EQ(folders.List().Served(0), Availability::Absent);
    stdfs::create_directory(disk);
    AcceptFromNowOn();
    EXPECT_TRUE(folders.RegisterAppeared());
    EXPECT_EQ(folders.List().Served(0), Availability::Served);
    EXPECT_EQ(folders.List().State(0), 0x12u);
}

TEST_F(AbsentFoldersTest, CommandsOnAnAbsentFolderChangeTheRecordAndSendNothing) {
    const std::string present = (root / "present").string();
    stdfs::create_directory(present);
    driver.On(RequestCode::SetFolderPath, 2, TestDriver::Refuse(1));
    folders.AddFolder(present, "", 0x21, FolderKind::User);
    folders.AddFolder(disk, "", 0x21, FolderKind::User);
    ASSERT_EQ(folders.List().Served(1), Availability::Absent);
    driver.ClearRequests();

    selected = 1;
    EXPECT_TRUE(folders.StopCiphering());
    EXPECT_EQ(folders.List().State(1), 0x22u);
    folders.EditableList().SetState(1, 0xA2);
    folders.ApplyProtection();
    folders.ResendAllStates();
    EXPECT_TRUE(prompter.Asked().empty());
    for (const auto& request : driver.Requests())
        EXPECT_NE(request.inSize, 2u) << "the absent folder's slot got a request";
    EXPECT_EQ(folders.List().State(1), 0xA2u);
}

}  // namespace
}  // namespace tsrn::test
