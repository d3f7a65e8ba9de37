// The reciphering procedure's questions, answers and driver requests, with a
// scripted user, the test driver and a runner that records the runs.

#include "password/Reciphering.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "resources/ResourceIds.h"

namespace tsrn::password {
namespace {

using driver::RequestCode;
using folders::FolderKind;
using test::TestDriver;
namespace req = test::req;

class RecordingRunner : public bulk::BulkRunner {
  public:
    std::vector<bulk::RunOutcome> results;  // one per run; Completed when none left
    std::vector<std::string> folders;
    bulk::RunOutcome Run(const std::string& folder, bulk::CipherMode mode) override {
        EXPECT_EQ(mode, bulk::CipherMode::Recipher);
        folders.push_back(folder);
        if (results.empty())
            return bulk::RunOutcome::Completed;
        bulk::RunOutcome result = results.front();
        results.erase(results.begin());
        return result;
    }
};

// Slots: 1 "/d/A" (0x21), 2 "/d/A/B" (0x31, inside A), 3 a registry file
// entry, 4 an empty path, 5 "/e/C" (0x11).
folders::FolderList MakeList() {
    folders::FolderList list;
    list.Append({"/d/A", "/d/A", "a", 0x21, FolderKind::User});
    list.Append({"/d/A/B", "/d/A/B", "b", 0x31, FolderKind::User});
    list.Append({"/reg/user.db", "/reg/user.db", "", 0x03, FolderKind::RegistryFile});
    list.Append({"", "", "", 0, FolderKind::User});
    list.Append({"/e/C", "/e/C", "c", 0x11, FolderKind::User});
    return list;
}

constexpr int kIntro = 40017;
constexpr int kFolder = 40016;
constexpr int kBreak = 40018;
constexpr int kStopError = 40011;
constexpr int kStartError = 40010;

struct Case {
    const char* name;
    std::vector<Answer> answers;
    std::vector<bulk::RunOutcome> runResults;
    std::function<void(TestDriver&)> setUp;  // what the driver refuses
    bool installed;
    std::vector<int> asked;
    std::vector<std::string> runs;
    std::vector<driver::Request> requests;
};

const auto kStopB = req::SetFolderState(2, 2);
const auto kStopA = req::SetFolderState(1, 2);
const auto kStartB = req::SetFolderState(2, 0x31);
const auto kStartA = req::SetFolderState(1, 0x21);

std::vector<Case> Cases() {
    using A = Answer;
    return {
        {"intro declined", {A::No}, {}, {}, false, {kIntro}, {}, {}},
        {"no to every folder",
         {A::Yes, A::No, A::No, A::No},
         {},
         {},
         true,
         {kIntro, kFolder, kFolder, kFolder},
         {},
         {}},
        {"cancel at the first question",
         {A::Yes, A::Cancel},
         {},
         {},
         false,
         {kIntro, kFolder},
         {},
         {}},
        {"A reciphered with its subfolder stopped",
         {A::Yes, A::Yes, A::No, A::No},
         {},
         {},
         true,
         {kIntro, kFolder, kFolder, kFolder},
         {"/d/A"},
         {kStopB, kStopA, kStartB, kStartA}},
        {"B reciphered stops A too",
         {A::Yes, A::No, A::Yes, A::No},
         {},
         {},
         true,
         {kIntro, kFolder, kFolder, kFolder},
         {"/d/A/B"},
         {req::SetFolderState(1, 2), req::SetFolderState(2, 2), kStartA, kStartB}},
        {"cancel after a run, then go on",
         {A::Yes, A::Yes, A::Cancel, A::No, A::No},
         {},
         {},
         true,
         {kIntro, kFolder, kFolder, kBreak, kFolder},
         {"/d/A", "/d/A/B"},
         {kStopB, kStopA, kStartB, kStartA, req::SetFolderState(1, 2), req::SetFolderState(2, 2),
          kStartA, kStartB}},
        {"cancel after a run, then break",
         {A::Yes, A::Yes, A::Cancel, A::Yes},
         {},
         {},
         false,
         {kIntro, kFolder, kFolder, kBreak},
         {"/d/A"},
         {kStopB, kStopA, kStartB, kStartA}},
        {"first run fails: no more questions",
         {A::Yes, A::Yes},
         {bulk::RunOutcome::Failed},
         {},
         false,
         {kIntro, kFolder},
         {"/d/A"},
         {kStopB, kStopA, kStartB, kStartA}},
        {"a later run fails: the questions go on",
         {A::Yes, A::No, A::Yes, A::Yes},
         {bulk::RunOutcome::Completed, bulk::RunOutcome::Failed},
         {},
         false,
         {kIntro, kFolder, kFolder, kFolder},
         {"/d/A/B", "/e/C"},
         {req::SetFolderState(1, 2), req::SetFolderState(2, 2), kStartA, kStartB,
          req::SetFolderState(5, 2), req::SetFolderState(5, 0x11)}},
        {"stop of the folder refused: asked again, neighbours restarted",
         {A::Yes, A::Yes, A::Ok, A::No, A::No, A::No},
         {},
         [](TestDriver& d) { d.On(RequestCode::SetFolderState, 1, TestDriver::Refuse()); },
         true,
         {kIntro, kFolder, kStopError, kFolder, kFolder, kFolder},
         {},
         {kStopB, kStopA, kStartB}},
        {"stop of a neighbour refused: no run, asked again",
         {A::Yes, A::Yes, A::Ok, A::No, A::No, A::No},
         {},
         [](TestDriver& d) { d.On(RequestCode::SetFolderState, 2, TestDriver::Refuse()); },
         true,
         {kIntro, kFolder, kStopError, kFolder, kFolder, kFolder},
         {},
         {kStopB}},
        {"restart refused: 40010",
         {A::Yes, A::No, A::No, A::Yes, A::Ok},
         {},
         [](TestDriver& d) {
             d.On(RequestCode::SetFolderState, 5, TestDriver::Refuse());
             d.Next(TestDriver::Accept());  // the stop goes through
         },
         true,
         {kIntro, kFolder, kFolder, kFolder, kStartError},
         {"/e/C"},
         {req::SetFolderState(5, 2), req::SetFolderState(5, 0x11)}},
    };
}

TEST(Reciphering, QuestionsAnswersAndRequests) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        test::ScriptedPrompter prompter;
        for (Answer a : c.answers)
            prompter.Then(a);
        TestDriver driver;
        if (c.setUp)
            c.setUp(driver);
        folders::FolderList list = MakeList();
        folders::AppState state;
        RecordingRunner runner;
        runner.results = c.runResults;
        PasswordPorts ports{prompter, driver, list, state, runner};
        EXPECT_EQ(RecipherFolders("new password", ports), c.installed);
        EXPECT_EQ(prompter.AskedIds(), c.asked);
        EXPECT_TRUE(prompter.ScriptUsedUp());
        EXPECT_EQ(runner.folders, c.runs);
        EXPECT_EQ(driver.Requests(), c.requests);
    }
}

// Folders listed through links overlap by what they are: reciphering one
// stops the other.
TEST(Reciphering, FoldersOverlapThroughTheirLinks) {
    test::TempDir dir("tsrn-recipher");
    const std::filesystem::path real = dir / "real";
    std::filesystem::create_directories(real / "inner");
    std::filesystem::create_directory_symlink(real / "inner", dir / "alias");
    folders::FolderList list;
    list.Append({real.string(), real.string(), "", 0x21, FolderKind::User});
    list.Append({(dir / "alias").string(), (dir / "alias").string(), "", 0x31, FolderKind::User});
    test::ScriptedPrompter prompter;
    prompter.Then(Answer::Yes).Then(Answer::Yes).Then(Answer::No);
    TestDriver driver;
    folders::AppState state;
    RecordingRunner runner;
    PasswordPorts ports{prompter, driver, list, state, runner};
    EXPECT_TRUE(RecipherFolders("new", ports));
    EXPECT_EQ(driver.Requests(), (std::vector<driver::Request>{kStopB, kStopA, kStartB, kStartA}));
}

TEST(Reciphering, RefusedRestartClearsTheCipherStateInTheList) {
    test::ScriptedPrompter prompter;
    prompter.Then(Answer::Yes).Then(Answer::No).Then(Answer::No).Then(Answer::Yes).Then(Answer::Ok);
    TestDriver driver;
    driver.On(RequestCode::SetFolderState, 5, TestDriver::Refuse());
    driver.Next(TestDriver::Accept());  // the stop goes through
    folders::FolderList list = MakeList();
    folders::AppState state;
    RecordingRunner runner;
    PasswordPorts ports{prompter, driver, list, state, runner};
    (void)RecipherFolders("x", ports);
    EXPECT_EQ(list.State(4), 0x10u);
    EXPECT_EQ(list.State(0), 0x21u);
}

TEST(Reciphering, MessagesAsDesigned) {
    test::ScriptedPrompter prompter;
    prompter.Then(Answer::Yes)
        .Then(Answer::Yes)
        .Then(Answer::Ok)
        .Then(Answer::No)
        .Then(Answer::No)
        .Then(Answer::No);
    TestDriver driver;
    driver.On(RequestCode::SetFolderState, 2, TestDriver::Refuse());
    folders::FolderList list = MakeList();
    folders::AppState state;
    RecordingRunner runner;
    PasswordPorts ports{prompter, driver, list, state, runner};
    (void)RecipherFolders("x", ports);
    const auto& asked = prompter.Asked();
    ASSERT_GE(asked.size(), 4u);
    EXPECT_EQ(asked[0].captionId, res::str::kAppTitle);
    EXPECT_EQ(asked[0].buttons, Buttons::YesNo);
    EXPECT_EQ(asked[0].icon, Icon::Information);
    EXPECT_EQ(asked[1].text, "Recipher folder /d/A with new password ?");
    EXPECT_EQ(asked[1].captionId, 0);
    EXPECT_EQ(asked[1].buttons, Buttons::YesNoCancel);
    // The subfolder's stop was refused: reported, and no run while it is served.
    EXPECT_EQ(asked[2].textId, kStopError);
    EXPECT_EQ(asked[2].captionId, res::str::kCaptionError);
    EXPECT_EQ(asked[2].buttons, Buttons::Ok);
    EXPECT_EQ(asked[3].text, "Recipher folder /d/A with new password ?");
    EXPECT_TRUE(runner.folders.empty());
    EXPECT_TRUE(prompter.ScriptUsedUp());
}

TEST(Reciphering, NewKeyGoesIntoSlotOneOnly) {
    auto& slots = crypto::KeySlots::Instance();
    ASSERT_TRUE(slots.DeriveKey("old", crypto::KeySlot::Current));
    test::ScriptedPrompter prompter;
    prompter.Then(Answer::No);
    TestDriver driver;
    folders::FolderList list;
    folders::AppState state;
    RecordingRunner runner;
    PasswordPorts ports{prompter, driver, list, state, runner};
    (void)RecipherFolders("new", ports);
    EXPECT_EQ(slots.Key(crypto::KeySlot::New), crypto::DeriveKey("new"));
    EXPECT_EQ(slots.Key(crypto::KeySlot::Current), crypto::DeriveKey("old"));
}

}  // namespace
}  // namespace tsrn::password
