// The rules that keep the folder list and the driver's slots in step.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FoldersFixture.h"
#include "TempDir.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::test {
namespace {

using driver::Request;
using driver::RequestCode;
using Requests = std::vector<Request>;

// Paths that do not exist keep their text as short path.
constexpr const char* kA = "/no-such-tsrn/alpha";
constexpr const char* kB = "/no-such-tsrn/beta";
constexpr const char* kC = "/no-such-tsrn/gamma";
constexpr const char* kUpper = "/NO-SUCH-TSRN/DATA";

class ProtectedFoldersTest : public FoldersFixture {
  protected:
    void AddThree() {
        folders.AddFolder(kA, "first", 0x81, FolderKind::User);
        folders.AddFolder(kB, "second", 0x12, FolderKind::User);
        folders.AddFolder(kC, "", 0x41, FolderKind::User);
        driver.ClearRequests();
    }

    void ExpectOneError(int textId) {
        ASSERT_EQ(prompter.Asked().size(), 1u);
        const Message& m = prompter.Asked()[0];
        EXPECT_EQ(m.textId, textId);
        EXPECT_EQ(m.text, text::Text(textId));
        EXPECT_EQ(m.captionId, res::str::kCaptionError);
        EXPECT_EQ(m.buttons, Buttons::Ok);
        EXPECT_EQ(m.icon, Icon::None);
    }
};

struct AddCase {
    std::string name;
    std::string path;
    bool keyLoaded;
    std::uint32_t state;
    TestDriver::Response setFolderPath;
    Requests expected;
    std::int32_t status;
    std::uint32_t recordState;
};

TEST_F(ProtectedFoldersTest, AddFolderRegistersTheShortPathFirstAndKeepsTheRecord) {
    const std::vector<AddCase> cases = {
        {"short path differs from the upper-case path",
         kA,
         true,
         0x81,
         TestDriver::Accept(),
         {req::SetFolderShortPath(kA, 1, 0x81), req::SetFolderPath(kA, 1, 0x81)},
         0,
         0x81},
        {"an upper-case path sends no short path",
         kUpper,
         true,
         0x12,
         TestDriver::Accept(),
         {req::SetFolderPath(kUpper, 1, 0x12)},
         0,
         0x12},
        {"before the key is loaded the driver holds it stopped",
         kA,
         false,
         0x81,
         TestDriver::Accept(),
         {req::SetFolderShortPath(kA, 1, 0x82), req::SetFolderPath(kA, 1, 0x82)},
         0,
         0x81},
        {"a folder refused while it does not exist keeps its state",
         kUpper,
         true,
         0xF2,
         TestDriver::Refuse(5),
         {req::SetFolderPath(kUpper, 1, 0xF2)},
         5,
         0xF2},
        {"a failed call for a folder that does not exist keeps its state",
         kUpper,
         true,
         0x11,
         TestDriver::FailCall(),
         {req::SetFolderPath(kUpper, 1, 0x11)},
         -1,
         0x11},
        {"an untouched answer word is a refusal",
         kUpper,
         true,
         0x81,
         TestDriver::LeaveUntouched(),
         {req::SetFolderPath(kUpper, 1, 0x81)},
         0x81,
         0x81},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDriver d;
        d.On(RequestCode::SetFolderPath, c.setFolderPath);
        AppState s;
        s.keyLoaded = c.keyLoaded;
        ProtectedFolders list(d, s, prompter);
        EXPECT_EQ(list.AddFolder(c.path, "note", c.state, FolderKind::User), c.status);
        EXPECT_EQ(d.Requests(), c.expected);
        ASSERT_EQ(list.List().Size(), 1u);
        EXPECT_EQ(list.List().Record(0),
                  (FolderRecord{c.path, c.path, "note", c.recordState, FolderKind::User}));
        EXPECT_EQ(list.List().Served(0),
                  c.status == 0 ? folders::Availability::Served : folders::Availability::Absent);
    }
}

TEST_F(ProtectedFoldersTest, AnExistingFolderTheDriverRefusesGetsState0) {
    TempDir dir("tsrn-folders");
    const std::string path = (std::filesystem::canonical(dir.Path()) / "there").string();
    std::filesystem::create_directory(path);
    const std::vector<TestDriver::Response> refusals = {
        TestDriver::Refuse(5), TestDriver::FailCall(), TestDriver::LeaveUntouched()};
    for (const auto& refusal : refusals) {
        TestDriver d;
        d.On(RequestCode::SetFolderPath, refusal);
        ProtectedFolders list(d, state, prompter);
        EXPECT_NE(list.AddFolder(path, "", 0xA2, FolderKind::User), 0);
        EXPECT_EQ(list.List().State(0), 0u);
        EXPECT_EQ(list.List().Served(0), folders::Availability::Served);
    }
}

TEST_F(ProtectedFoldersTest, AddFolderSendsTheResolvedPathAsShortPath) {
    TempDir dir("tsrn-folders");
    const auto real = std::filesystem::canonical(dir.Path()) / "real";
    std::filesystem::create_directory(real);
    const std::string link = (dir.Path() / "link").string();
    std::filesystem::create_directory_symlink(real, link);

    folders.AddFolder(kUpper, "", 1, FolderKind::User);
    folders.AddFolder(link, "", 1, FolderKind::User);
    const Requests expected = {req::SetFolderPath(kUpper, 1, 1),
                               req::SetFolderShortPath(real.string(), 2, 1),
                               req::SetFolderPath(link, 2, 1)};
    EXPECT_EQ(driver.Requests(), expected);
    EXPECT_EQ(folders.List().ShortPath(1), real.string());
}

TEST_F(ProtectedFoldersTest, APathBeyondTheLimitIsRefusedAndNotAdded) {
    EXPECT_EQ(folders.AddFolder(std::string(5000, 'a'), "", 1, FolderKind::User), -1);
    EXPECT_EQ(folders.AddFolder(std::string("/a\0b", 4), "", 1, FolderKind::User), -1);
    EXPECT_TRUE(folders.List().Empty());
    EXPECT_TRUE(driver.Requests().empty());
}

// Removing the first of three re-registers the others one slot up; in a move
// the short path travels as the path and the real state goes out even before
// the key is loaded.
TEST_F(ProtectedFoldersTest, RemoveFolderFreesTheSlotAndMovesTheRestUp) {
    AddThree();
    state.keyLoaded = false;
    EXPECT_EQ(folders.RemoveFolder(0, false), 0);
    const Requests expected = {
        req::ClearFolderShortPath(1), req::ClearFolderPath(1),
        // MoveFolder(0, 1)
        req::ClearFolderPath(1), req::ClearFolderShortPath(1), req::ClearFolderPath(2),
        req::ClearFolderShortPath(2), req::SetFolderPath(kB, 1, 0x12),
        req::SetFolderShortPath(kB, 1, 0x12),
        // MoveFolder(1, 2)
        req::ClearFolderPath(2), req::ClearFolderShortPath(2), req::ClearFolderPath(3),
        req::ClearFolderShortPath(3), req::SetFolderPath(kC, 2, 0x41),
        req::SetFolderShortPath(kC, 2, 0x41)};
    EXPECT_EQ(driver.Requests(), expected);
    ASSERT_EQ(folders.List().Size(), 2u);
    EXPECT_EQ(folders.List().Record(0), (FolderRecord{kB, kB, "second", 0x12, FolderKind::User}));
    EXPECT_EQ(folders.List().Record(1), (FolderRecord{kC, kC, "", 0x41, FolderKind::User}));
}

TEST_F(ProtectedFoldersTest, MoveFolderSendsTheShortPathAsPathAndTheLongPathAfter) {
    TempDir dir("tsrn-folders");
    const auto real = std::filesystem::canonical(dir.Path()) / "real";
    std::filesystem::create_directory(real);
    const std::string link = (dir.Path() / "link").string();
    std::filesystem::create_directory_symlink(real, link);
    folders.AddFolder(kA, "", 1, FolderKind::User);
    folders.AddFolder(link, "linked", 0x21, FolderKind::User);
    driver.ClearRequests();

    folders.MoveFolder(0, 1);
    const Requests expected = {req::ClearFolderPath(1),
                               req::ClearFolderShortPath(1),
                               req::ClearFolderPath(2),
                               req::ClearFolderShortPath(2),
                               req::SetFolderPath(real.string(), 1, 0x21),
                               req::SetFolderShortPath(link, 1, 0x21)};
    EXPECT_EQ(driver.Requests(), expected);
    EXPECT_EQ(folders.List().Record(0),
              (FolderRecord{link, real.string(), "linked", 0x21, FolderKind::User}));
}

TEST_F(ProtectedFoldersTest, AFolderTheDriverRefusesInItsNewSlotIsNoLongerShownServed) {
    AddThree();
    driver.On(RequestCode::SetFolderPath, 1, TestDriver::Refuse());
    EXPECT_EQ(folders.RemoveFolder(0, false), 0);
    ASSERT_EQ(folders.List().Size(), 2u);
    EXPECT_EQ(folders.List().Served(0), folders::Availability::Refused);
    EXPECT_EQ(folders.List().Served(1), folders::Availability::Served);
}

TEST_F(ProtectedFoldersTest, ARefusedRemovalKeepsTheRecordUnlessForced) {
    AddThree();
    driver.On(RequestCode::ClearFolderPath, 2, TestDriver::Refuse(3));
    EXPECT_EQ(folders.RemoveFolder(1, false), 3);
    EXPECT_EQ(driver.Requests(), (Requests{req::ClearFolderShortPath(2), req::ClearFolderPath(2)}));
    ASSERT_EQ(folders.List().Size(), 3u);
    EXPECT_EQ(folders.List().State(1), 0x10u) << "cipher state 0, prohibitions kept";

    driver.ClearRequests();
    EXPECT_EQ(folders.RemoveFolder(1, true), 3);
    ASSERT_EQ(folders.List().Size(), 2u);
    EXPECT_EQ(folders.List().LongPath(1), kC);
    EXPECT_EQ(driver.Requests().back(), req::SetFolderShortPath(kC, 2, 0x41));
}

TEST_F(ProtectedFoldersTest, RemovingTheLastRecordMovesNothing) {
    AddThree();
    EXPECT_EQ(folders.RemoveFolder(2, false), 0);
    EXPECT_EQ(driver.Requests(), (Requests{req::ClearFolderShortPath(3), req::ClearFolderPath(3)}));
    EXPECT_EQ(folders.List().Size(), 2u);
    driver.ClearRequests();
    EXPECT_EQ(folders.RemoveFolder(5, true), -1);
    EXPECT_TRUE(driver.Requests().empty());
}

TEST_F(ProtectedFoldersTest, IsInListComparesBothPathsExactly) {
    TempDir dir("tsrn-folders");
    const auto real = std::filesystem::canonical(dir.Path()) / "real";
    std::filesystem::create_directory(real);
    const std::string link = (dir.Path() / "link").string();
    std::filesystem::create_directory_symlink(real, link);
    folders.AddFolder(kUpper, "", 1, FolderKind::User);
    folders.AddFolder(link, "", 1, FolderKind::User);
    folders.AddFolder("/reg/user.db", "", 0x83, FolderKind::RegistryFile);

    EXPECT_TRUE(folders.IsInList(kUpper));
    EXPECT_FALSE(folders.IsInList("/no-such-tsrn/data")) << "case counts";
    EXPECT_TRUE(folders.IsInList(real.string())) << "the short path counts";
    EXPECT_TRUE(folders.IsInList(link));
    EXPECT_TRUE(folders.IsInList("/reg/user.db")) << "registry file entries count";
    EXPECT_FALSE(folders.IsInList(std::string(kUpper) + "/"));

    // A link made after the folder was listed names the same folder.
    const std::string later = (dir.Path() / "later").string();
    std::filesystem::create_directory_symlink(real, later);
    EXPECT_TRUE(folders.IsInList(later));
    EXPECT_TRUE(folders.IsInList(later + "/"));
    EXPECT_FALSE(folders.IsInList(later + "/x")) << "no such folder";
}

struct CipheringCase {
    std::string name;
    bool start;
    std::uint32_t before;
    std::uint32_t sent;
    int failureText;
};

TEST_F(ProtectedFoldersTest, StartAndStopChangeOnlyTheCipherStateOfTheSelection) {
    const std::vector<CipheringCase> cases = {
        {"start a stopped folder", true, 0xA2, 0xA1, res::str::kStartCipheringError},
        {"start after an initialization error", true, 0x40, 0x41, res::str::kStartCipheringError},
        {"stop a working folder", false, 0x11, 0x12, res::str::kStopCipheringError},
    };
    for (const auto& c : cases) {
        for (bool refuse : {false, true}) {
            SCOPED_TRACE(c.name + (refuse ? ", refused" : ""));
            TestDriver d;
            ScriptedPrompter p;
            int rebuilt = 0;
            std::optional<std::size_t> sel;
            ProtectedFolders list(d, state, p, {[&] { return sel; }, [&] { ++rebuilt; }});
            list.AddFolder(kA, "", 1, FolderKind::User);
            list.AddFolder(kB, "", c.before, FolderKind::User);
            d.ClearRequests();

            EXPECT_FALSE(c.start ? list.StartCiphering() : list.StopCiphering());
            EXPECT_TRUE(d.Requests().empty()) << "nothing without a selection";

            sel = 1;
            if (refuse) {
                d.On(RequestCode::SetFolderState, TestDriver::Refuse());
            }
            EXPECT_EQ(c.start ? list.StartCiphering() : list.StopCiphering(), !refuse);
            EXPECT_EQ(d.Requests(), (Requests{req::SetFolderState(2, c.sent)}));
            EXPECT_EQ(list.List().State(1), refuse ? c.before : c.sent);
            EXPECT_EQ(rebuilt, refuse ? 0 : 1);
            EXPECT_EQ(p.AskedIds(), refuse ? std::vector<int>{c.failureText} : std::vector<int>{});
        }
    }
}

TEST_F(ProtectedFoldersTest, StartFailureShowsTheErrorBox) {
    folders.AddFolder(kA, "", 2, FolderKind::User);
    selected = 0;
    driver.On(RequestCode::SetFolderState, TestDriver::FailCall());
    EXPECT_FALSE(folders.StartCiphering());
    ExpectOneError(res::str::kStartCipheringError);
}

TEST_F(ProtectedFoldersTest, ApplyProtectionRebuildsThenSendsTheSelectedState) {
    AddThree();
    folders.ApplyProtection();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_TRUE(driver.Requests().empty());

    selected = 2;
    folders.EditableList().SetState(2, 0xC1);
    driver.On(RequestCode::SetFolderState, TestDriver::Refuse());
    folders.ApplyProtection();
    EXPECT_EQ(rebuilds, 2);
    EXPECT_EQ(driver.Requests(), (Requests{req::SetFolderState(3, 0xC1)}));
    ExpectOneError(res::str::kProtectionError);
}

// Folders added before the password reached the driver were registered as
// stopped; resending gives the driver their real states.
TEST_F(ProtectedFoldersTest, ResendAllStatesSendsTheRealStatesAndLoadsTheKeyFlag) {
    state.keyLoaded = false;
    EXPECT_EQ(folders.AddFolder(kUpper, "", 0x81, FolderKind::User), 0);
    folders.AddFolder(kA, "", 0x12, FolderKind::User);
    folders.AddFolder(kB, "", 0x01, FolderKind::User);
    EXPECT_EQ(driver.Requests()[0], req::SetFolderPath(kUpper, 1, 0x82));
    EXPECT_EQ(folders.List().State(0), 0x81u);
    driver.ClearRequests();

    driver.On(RequestCode::SetFolderState, 2, TestDriver::FailCall())
        .On(RequestCode::SetFolderState, 3, TestDriver::Refuse());
    folders.ResendAllStates();
    EXPECT_EQ(driver.Requests(),
              (Requests{req::SetFolderState(1, 0x81), req::SetFolderState(2, 0x12),
                        req::SetFolderState(3, 0x01)}));
    ExpectOneError(res::str::kProtectionError);
    EXPECT_TRUE(state.keyLoaded);
    EXPECT_EQ(rebuilds, 1);

    driver.ClearRequests();
    folders.AddFolder(kC, "", 0x81, FolderKind::User);
    EXPECT_EQ(driver.Requests().back(), req::SetFolderPath(kC, 4, 0x81));
}

TEST_F(ProtectedFoldersTest, SendGlobalProtectionReportsAFailedCall) {
    folders.SetGlobalProtection(0xA0);
    EXPECT_TRUE(folders.SendGlobalProtection());
    EXPECT_EQ(driver.Requests(), (Requests{req::SetGlobalProtection(0xA0)}));
    EXPECT_TRUE(prompter.Asked().empty());

    driver.On(RequestCode::SetGlobalProtection, TestDriver::FailCall());
    EXPECT_FALSE(folders.SendGlobalProtection());
    ExpectOneError(res::str::kGlobalProtectionError);
}

TEST_F(ProtectedFoldersTest, PositionsBeyondTheListAreIgnored) {
    AddThree();
    selected = 7;
    EXPECT_FALSE(folders.StartCiphering());
    folders.ApplyProtection();
    folders.MoveFolder(0, 3);
    EXPECT_TRUE(driver.Requests().empty());
    folders.EditableList().SetState(3, 0x81);
    EXPECT_EQ(folders.List().Size(), 3u);
    EXPECT_EQ(folders.List().LongPath(3), "");
}

}  // namespace
}  // namespace tsrn::test
