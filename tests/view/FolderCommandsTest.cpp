// Adding and deleting folders: the questions asked, the driver requests
// around an enciphering or deciphering pass, and the selection afterwards.

#include <gmock/gmock.h>

#include "ViewFixture.h"
#include "resources/ResourceIds.h"

namespace tsrn::test {
namespace {

using driver::RequestCode;
using folders::FolderKind;
using testing::ElementsAre;
namespace str = res::str;

class AddFolderFlow : public ViewFixture {};

TEST_F(AddFolderFlow, AFolderAlreadyListedIsRefusedWith262) {
    const std::string data = Folder("data");
    Add(data, 0x01);
    logic.Commands().AddFolderFlow(data);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderAlreadyListed));
    EXPECT_EQ(prompter.Asked()[0].captionId, str::kCaptionError);
    EXPECT_NE(prompter.Asked()[0].text.find(data), std::string::npos);
    EXPECT_TRUE(dialogs.addAskedFor.empty());
    EXPECT_EQ(logic.FolderCount(), 1);
}

TEST_F(AddFolderFlow, EachOverlappingFolderAsksItsOwnQuestionInListOrder) {
    const std::string top = Folder("top");
    const std::string other = Folder("other");
    Add(Folder("top/inner/deep/x"), 0x01, FolderKind::RegistryFile);  // never asked about
    Add(top, 0x01);
    Add(other, 0x01);
    prompter.Then(Answer::Yes);
    logic.Commands().AddFolderFlow(Folder("top/inner"));
    ASSERT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderIsSubfolder, str::kFolderAdded));
    EXPECT_EQ(prompter.Asked()[0].defaultButton, Answer::No);
    EXPECT_EQ(prompter.Asked()[0].text, "Folder '" + Folder("top/inner") + "' is subfolder to '" +
                                            top + "'\nAdd folder anyway ?");
    EXPECT_EQ(dialogs.addAskedFor.size(), 1u);
}

TEST_F(AddFolderFlow, NoToTheSecondOverlapStopsTheFlow) {
    Add(Folder("a/b"), 0x01);
    Add(Folder("a/b/c/d"), 0x01);
    prompter.Then(Answer::Yes).Then(Answer::No);
    logic.Commands().AddFolderFlow(Folder("a/b/c"));
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kFolderIsSubfolder, str::kFolderIsOverfolder));
    EXPECT_TRUE(dialogs.addAskedFor.empty());
    EXPECT_EQ(logic.FolderCount(), 2);
}

TEST_F(AddFolderFlow, CancelledDialogAddsNothing) {
    dialogs.addChoice.reset();
    logic.Commands().AddFolderFlow(Folder("new"));
    EXPECT_EQ(logic.FolderCount(), 0);
    EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(AddFolderFlow, AddsWithTheDialogsStateAndSelectsTheNewRow) {
    Add(Folder("one"), 0x02);
    Add(Folder("two"), 0x02);
    Select(1);
    dialogs.addChoice = view::AddFolderChoice{"my notes", 0x91, false};
    const std::string path = Folder("three");
    logic.Commands().AddFolderFlow(path);
    ASSERT_EQ(logic.FolderCount(), 3);
    EXPECT_EQ(logic.List().State(2), 0x91u);
    EXPECT_EQ(logic.List().Description(2), "my notes");
    EXPECT_EQ(logic.SelectedPosition(), 3);
    EXPECT_EQ(logic.Rows()[2].folder, path);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderAdded));
    EXPECT_EQ(prompter.Asked()[0].text, "Folder '" + path + "' added in list");
    EXPECT_TRUE(dialogs.passes.empty());
}

TEST_F(AddFolderFlow, ARefusedFolderIsStillListedAndSelected) {
    driver.On(RequestCode::SetFolderPath, TestDriver::Refuse());
    const std::string path = Folder("refused");
    logic.Commands().AddFolderFlow(path);
    ASSERT_EQ(logic.FolderCount(), 1);
    EXPECT_EQ(logic.List().State(0) & 3u, 0u);
    EXPECT_EQ(logic.Rows()[0].ciphering, "Initialization error");
    EXPECT_EQ(logic.SelectedPosition(), 1);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderAddError));
}

TEST_F(AddFolderFlow, EncipheringPassStopsOverlappingFoldersAndRestoresThem) {
    Add(Folder("p"), 0x91);                                // slot 1, overfolder
    Add(Folder("elsewhere"), 0x01);                        // slot 2, unrelated
    Add(Folder("p/q/r"), 0x22);                            // slot 3, subfolder
    Add(Folder("p/q/s"), 0x83, FolderKind::RegistryFile);  // slot 4, never touched
    prompter.Then(Answer::Yes).Then(Answer::Yes);
    dialogs.addChoice = view::AddFolderChoice{"", 0x01, true};
    const std::size_t start = driver.Requests().size();
    logic.Commands().AddFolderFlow(Folder("p/q"));

    ASSERT_EQ(dialogs.passes.size(), 1u);
    EXPECT_EQ(dialogs.passes[0].mode, bulk::CipherMode::Encipher);
    EXPECT_EQ(dialogs.passes[0].folder, Folder("p/q"));
    EXPECT_THAT(RequestsBetween(start, dialogs.passes[0].requestsBefore),
                ElementsAre(req::SetFolderState(1, 2), req::SetFolderState(3, 2)));
    const auto after = RequestsFrom(dialogs.passes[0].requestsBefore);
    ASSERT_GE(after.size(), 4u);
    EXPECT_EQ(after[0], req::SetFolderState(1, 0x91));
    EXPECT_EQ(after[1], req::SetFolderState(3, 0x22));
    EXPECT_EQ(after[2], req::SetFolderShortPath(Folder("p/q"), 5, 0x01));
    EXPECT_EQ(after[3], req::SetFolderPath(Folder("p/q"), 5, 0x01));
    EXPECT_EQ(logic.FolderCount(), 5);
}

// A recovery writes the stored bytes of a folder: every listed folder at,
// above or below it is stopped meanwhile and gets its state back after.
TEST_F(AddFolderFlow, WorkOverAFolderRunsWithItAndItsOverlapsStopped) {
    Add(Folder("p"), 0x91);                                // slot 1, overfolder
    Add(Folder("elsewhere"), 0x01);                        // slot 2, unrelated
    Add(Folder("p/q"), 0x22);                              // slot 3, the folder itself
    Add(Folder("p/q/r"), 0x23);                            // slot 4, subfolder
    Add(Folder("p/q/s"), 0x83, FolderKind::RegistryFile);  // slot 5, never touched
    const std::size_t start = driver.Requests().size();
    std::size_t during = 0;
    logic.Commands().RunWithFoldersStopped(Folder("p/q"),
                                           [&] { during = driver.Requests().size(); });
    EXPECT_THAT(RequestsBetween(start, during),
                ElementsAre(req::SetFolderState(1, 2), req::SetFolderState(4, 2),
                            req::SetFolderState(3, 2)));
    EXPECT_THAT(RequestsFrom(during),
                ElementsAre(req::SetFolderState(1, 0x91), req::SetFolderState(4, 0x23),
                            req::SetFolderState(3, 0x22)));
    EXPECT_TRUE(prompter.Asked().empty());

    // A folder that cannot be stopped would be written through the
    // ciphering: the work is not run, and every folder gets its state back.
    driver.Next(TestDriver::Accept()).Next(TestDriver::Refuse());
    bool ran = false;
    const std::size_t again = driver.Requests().size();
    EXPECT_FALSE(logic.Commands().RunWithFoldersStopped(Folder("p/q"), [&] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kStopCipheringError));
    EXPECT_THAT(StateRequests(RequestsFrom(again)),
                ElementsAre(req::SetFolderState(1, 2), req::SetFolderState(4, 2),
                            req::SetFolderState(3, 2), req::SetFolderState(1, 0x91),
                            req::SetFolderState(4, 0x23), req::SetFolderState(3, 0x22)));
}

TEST_F(AddFolderFlow, AFailedPassRestoresStatesAndAddsNothing) {
    Add(Folder("p"), 0x01);
    prompter.Then(Answer::Yes);
    dialogs.addChoice = view::AddFolderChoice{"", 0x01, true};
    dialogs.passResults = {false};
    const std::size_t start = driver.Requests().size();
    logic.Commands().AddFolderFlow(Folder("p/q"));
    EXPECT_THAT(RequestsFrom(start),
                ElementsAre(req::SetFolderState(1, 2), req::SetFolderState(1, 0x01)));
    EXPECT_EQ(logic.FolderCount(), 1);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderIsSubfolder));
}

// A folder that cannot be stopped would see the pass through its driver and
// be ciphered twice: no pass, nothing added, its state left as it was.
TEST_F(AddFolderFlow, AFailedStopRunsNoPassAndChangesNothing) {
    Add(Folder("p"), 0x41);
    Add(Folder("p/q/r"), 0x21);
    prompter.Then(Answer::Yes).Then(Answer::Yes);
    dialogs.addChoice = view::AddFolderChoice{"", 0x02, true};
    driver.Next(TestDriver::Accept()).Next(TestDriver::Refuse());
    const std::size_t start = driver.Requests().size();
    logic.Commands().AddFolderFlow(Folder("p/q"));
    EXPECT_TRUE(dialogs.passes.empty());
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderIsSubfolder, str::kFolderIsOverfolder,
                                                 str::kStopCipheringError));
    EXPECT_THAT(RequestsFrom(start),
                ElementsAre(req::SetFolderState(1, 2), req::SetFolderState(2, 2),
                            req::SetFolderState(1, 0x41)));
    EXPECT_EQ(logic.FolderCount(), 2);
    EXPECT_EQ(logic.List().State(0), 0x41u);
    EXPECT_EQ(logic.List().State(1), 0x21u);
}

TEST_F(AddFolderFlow, AFailedRestoreAfterThePassIsReportedAndMarksTheFolder) {
    Add(Folder("p"), 0x41);
    prompter.Then(Answer::Yes);
    dialogs.addChoice = view::AddFolderChoice{"", 0x02, true};
    driver.Next(TestDriver::Accept()).Next(TestDriver::FailCall());
    logic.Commands().AddFolderFlow(Folder("p/q"));
    EXPECT_EQ(dialogs.passes.size(), 1u);
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kFolderIsSubfolder, str::kStartCipheringError, str::kFolderAdded));
    EXPECT_EQ(logic.List().State(0), 0x40u);
    EXPECT_EQ(logic.Rows()[0].ciphering, "Initialization error");
}

// A folder added through a link to a place inside a listed folder overlaps
// it: the question is asked and the listed folder is stopped for the pass.
TEST_F(AddFolderFlow, AFolderReachedThroughALinkOverlapsByWhatItIs) {
    Add(Folder("p"), 0x01);
    std::filesystem::create_directories(Folder("p") + "/inner");
    const std::string alias = Folder("alias");
    std::filesystem::remove(alias);
    std::filesystem::create_directory_symlink(Folder("p") + "/inner", alias);
    prompter.Then(Answer::Yes);
    dialogs.addChoice = view::AddFolderChoice{"", 0x01, true};
    const std::size_t start = driver.Requests().size();
    logic.Commands().AddFolderFlow(alias);
    ASSERT_EQ(dialogs.passes.size(), 1u);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kFolderIsSubfolder, str::kFolderAdded));
    EXPECT_THAT(RequestsBetween(start, dialogs.passes[0].requestsBefore),
                ElementsAre(req::SetFolderState(1, 2)));

    // The same folder through another link is the folder already listed.
    prompter.Then(Answer::Ok);
    const std::string again = Folder("again");
    std::filesystem::remove(again);
    std::filesystem::create_directory_symlink(Folder("p"), again);
    logic.Commands().AddFolderFlow(again);
    EXPECT_EQ(prompter.AskedIds().back(), str::kFolderAlreadyListed);
}

class DeleteFolderFlow : public ViewFixture {};

TEST_F(DeleteFolderFlow, NothingSelectedOrNoToTheQuestionKeepsTheFolder) {
    Add(Folder("a"), 0x01);
    logic.Commands().DeleteFolderFlow();
    EXPECT_TRUE(prompter.Asked().empty());
    Select(1);
    prompter.Then(Answer::No);
    logic.Commands().DeleteFolderFlow();
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kDeleteFolderQuestion));
    EXPECT_EQ(logic.FolderCount(), 1);
}

TEST_F(DeleteFolderFlow, ARegistryFileEntryIsAskedOnlyOnce) {
    Add(Folder("hive"), 0x83, FolderKind::RegistryFile);
    Select(1);
    prompter.Then(Answer::Yes);
    logic.Commands().DeleteFolderFlow();
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kDeleteFolderQuestion));
    EXPECT_EQ(logic.FolderCount(), 0);
    EXPECT_EQ(logic.SelectedPosition(), 0);
}

TEST_F(DeleteFolderFlow, DecipheringPassStopsOverlapsAndTheFolderThenRemovesIt) {
    Add(Folder("p"), 0x01);      // slot 1
    Add(Folder("p/q"), 0x81);    // slot 2: the one deleted
    Add(Folder("p/q/r"), 0x02);  // slot 3
    Add(Folder("z"), 0x01);      // slot 4
    Select(2);
    prompter.Then(Answer::Yes).Then(Answer::Yes);
    const std::size_t start = driver.Requests().size();
    logic.Commands().DeleteFolderFlow();
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kDeleteFolderQuestion, str::kDecipherFolderQuestion));
    ASSERT_EQ(dialogs.passes.size(), 1u);
    EXPECT_EQ(dialogs.passes[0].mode, bulk::CipherMode::Decipher);
    EXPECT_THAT(RequestsBetween(start, dialogs.passes[0].requestsBefore),
                ElementsAre(req::SetFolderState(1, 2), req::SetFolderState(3, 2),
                            req::SetFolderState(2, 2)));
    const auto after = RequestsFrom(dialogs.passes[0].requestsBefore);
    EXPECT_EQ(after[0], req::SetFolderState(1, 0x01));
    EXPECT_EQ(after[1], req::SetFolderState(3, 0x02));
    EXPECT_EQ(after[2], req::ClearFolderShortPath(2));
    EXPECT_EQ(logic.FolderCount(), 3);
    EXPECT_EQ(logic.List().LongPath(1), Folder("p/q/r"));
    EXPECT_EQ(logic.SelectedPosition(), 2);  // the same position, now the next folder
}

TEST_F(DeleteFolderFlow, ACancelledPassGivesTheFolderItsStateBackAndKeepsIt) {
    Add(Folder("p"), 0x91);
    Select(1);
    prompter.Then(Answer::Yes).Then(Answer::Yes);
    dialogs.passResults = {false};
    const std::size_t start = driver.Requests().size();
    logic.Commands().DeleteFolderFlow();
    const auto sent = RequestsFrom(start);
    EXPECT_EQ(StateRequests(sent),
              (std::vector{req::SetFolderState(1, 2), req::SetFolderState(1, 0x91)}));
    EXPECT_EQ(logic.FolderCount(), 1);
}

TEST_F(DeleteFolderFlow, ARefusedRemovalAsks40009AndNoKeepsTheFolderWithState0) {
    Add(Folder("a"), 0x81);
    Select(1);
    driver.On(RequestCode::ClearFolderPath, TestDriver::Refuse());
    prompter.Then(Answer::Yes).Then(Answer::No).Then(Answer::No);
    logic.Commands().DeleteFolderFlow();
    EXPECT_THAT(prompter.AskedIds(),
                ElementsAre(str::kDeleteFolderQuestion, str::kDecipherFolderQuestion,
                            str::kDeleteFolderError));
    ASSERT_EQ(logic.FolderCount(), 1);
    EXPECT_EQ(logic.List().State(0), 0x80u);

    prompter.Then(Answer::Yes).Then(Answer::No).Then(Answer::Yes);
    logic.Commands().DeleteFolderFlow();
    EXPECT_EQ(logic.FolderCount(), 0);
}

TEST_F(DeleteFolderFlow, SelectionAfterDeletingTheLastRowAndTheOnlyRow) {
    Add(Folder("a"), 0x01);
    Add(Folder("b"), 0x01);
    Select(2);
    prompter.Then(Answer::Yes).Then(Answer::No);
    logic.Commands().DeleteFolderFlow();
    EXPECT_EQ(logic.SelectedPosition(), 1);
    prompter.Then(Answer::Yes).Then(Answer::No);
    logic.Commands().DeleteFolderFlow();
    EXPECT_EQ(logic.SelectedPosition(), 0);
    for (const int id : {res::cmd::kDeleteFolder, res::cmd::kStartCiphering,
                         res::cmd::kStopCiphering, res::cmd::kFolderProtection}) {
        EXPECT_FALSE(logic.CommandEnabled(id)) << id;
    }
    EXPECT_TRUE(logic.CommandEnabled(res::cmd::kAddFolder));
}

class ProtectionCommand : public ViewFixture {};

TEST_F(ProtectionCommand, ChangingOnlyTheDescriptionStillSendsTheState) {
    Add(Folder("a"), 0x91);
    Select(1);
    dialogs.onProtection = [](view::ProtectionEdit& edit) {
        edit.Apply(view::ProhibitionsOf(edit.Original().state), "new text");
    };
    const std::size_t start = driver.Requests().size();
    logic.RunCommand(res::cmd::kFolderProtection);
    EXPECT_EQ(logic.List().Description(0), "new text");
    EXPECT_EQ(logic.Rows()[0].description, "new text");
    EXPECT_EQ(StateRequests(RequestsFrom(start)), (std::vector{req::SetFolderState(1, 0x91)}));
}

TEST_F(ProtectionCommand, TheButtonStartsAFolderInError0AndTheProhibitionsFollow) {
    Add(Folder("a"), 0x80);
    Select(1);
    dialogs.onProtection = [](view::ProtectionEdit& edit) {
        edit.SwitchCiphering();
        edit.Apply({false, true, false, false}, "");
    };
    logic.RunCommand(res::cmd::kFolderProtection);
    EXPECT_EQ(logic.List().State(0), 0x21u);
}

TEST_F(ProtectionCommand, ARefusedStartKeepsTheOldCipherStateButStoresTheRest) {
    Add(Folder("a"), 0x02);
    Select(1);
    driver.Next(TestDriver::Refuse());
    dialogs.onProtection = [](view::ProtectionEdit& edit) {
        edit.SwitchCiphering();
        edit.Apply({true, false, false, false}, "d");
    };
    logic.RunCommand(res::cmd::kFolderProtection);
    EXPECT_EQ(logic.List().State(0), 0x82u);
    EXPECT_EQ(logic.List().Description(0), "d");
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kStartCipheringError));
}

}  // namespace
}  // namespace tsrn::test
