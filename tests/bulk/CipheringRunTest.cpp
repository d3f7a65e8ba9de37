#include "bulk/CipheringRun.h"

#include <sys/stat.h>

#include <map>

#include <gtest/gtest.h>

#include "FaultyIo.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TreeHelpers.h"
#include "resources/ResourceIds.h"

namespace tsrn::bulk {
namespace {

using test::Bytes;
using test::KeyOf;
using test::ReadBytes;
using test::ReferenceEncipher;

const KeyPair kKeys{KeyOf(0xA5A5000011112222ull), KeyOf(0x0F0F333344445555ull)};

struct Snapshot {
    std::map<std::string, Bytes> contents;
    std::map<std::string, mode_t> modes;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(const std::filesystem::path& root) {
    Snapshot snapshot;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_symlink() || !entry.is_regular_file())
            continue;
        struct stat st {};
        lstat(entry.path().c_str(), &st);
        snapshot.contents[entry.path().string()] = ReadBytes(entry.path());
        snapshot.modes[entry.path().string()] = st.st_mode & 07777;
    }
    return snapshot;
}

struct RecordingListener : RunListener {
    std::vector<std::size_t> counters;
    std::vector<std::string> fileTexts;
    std::vector<int> buttonTexts;
    void FileTextChanged(const std::string& text) override { fileTexts.push_back(text); }
    void CounterChanged(std::size_t count) override { counters.push_back(count); }
    void ButtonTextChanged(int id) override { buttonTexts.push_back(id); }
};

class CipheringRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::MakeFile(dir_ / "a", 5000, 1);
        test::MakeFile(dir_ / "b", 13, 2);
        test::MakeFile(dir_ / "s/c", 4096, 3);
        test::MakeFile(dir_ / "s/t/d", 70000, 4);
        test::MakeFile(dir_ / "s/t/e", 0, 5);
        chmod((dir_ / "b").c_str(), 0444);
        before_ = Take(dir_.Path());
    }

    std::unique_ptr<CipheringRun> MakeRun(CipherMode mode = CipherMode::Encipher) {
        auto run =
            std::make_unique<CipheringRun>(dir_.Path().string(), mode, prompter_, kKeys, 4096, io_);
        run->SetListener(&listener_);
        return run;
    }

    void TickUntil(CipheringRun& run, std::size_t files) {
        while (!run.Ended() && !run.Finished() && run.Processed().Size() < files)
            run.Tick();
    }

    void Finish(CipheringRun& run) {
        while (!run.Ended() && !run.Finished())
            run.Tick();
        run.PressButton();
    }

    void ExpectAllEnciphered() {
        for (const auto& [path, plain] : before_.contents) {
            EXPECT_EQ(ReadBytes(path), ReferenceEncipher(plain, kKeys.current)) << path;
        }
    }

    test::TempDir dir_;
    Snapshot before_;
    test::ScriptedPrompter prompter_;
    test::FaultyIo io_;
    RecordingListener listener_;
};

TEST_F(CipheringRunTest, WholeTreeEncipheredThenOkGivesIdOk) {
    auto run = MakeRun();
    EXPECT_EQ(run->TotalBytes(), 5000u + 13 + 4096 + 70000);
    EXPECT_EQ(run->ButtonTextId(), res::str::kButtonCancel);
    while (!run->Finished())
        run->Tick();
    EXPECT_EQ(run->FileText(), "Files successfully enciphered.");
    EXPECT_EQ(run->ButtonTextId(), res::str::kButtonOk);
    EXPECT_EQ(run->Percent(), 100);
    EXPECT_EQ(run->DoneBytes(), run->TotalBytes());
    EXPECT_EQ(run->Counter(), 5u);
    EXPECT_FALSE(run->Ended());
    run->PressEscape();  // Esc after the end closes like OK
    EXPECT_EQ(run->Result(), kIdOk);
    EXPECT_EQ(run->Outcome(), RunOutcome::Completed);
    EXPECT_TRUE(prompter_.Asked().empty());
    ExpectAllEnciphered();
    EXPECT_EQ(Take(dir_.Path()).modes, before_.modes);
}

TEST_F(CipheringRunTest, ModesRunForwardAndUndoToTheSameBytes) {
    for (CipherMode mode : {CipherMode::Encipher, CipherMode::Decipher, CipherMode::Recipher}) {
        SCOPED_TRACE(static_cast<int>(mode));
        auto run = MakeRun(mode);
        TickUntil(*run, 3);
        prompter_.Then(Answer::Yes);
        run->PressButton();
        EXPECT_EQ(run->Result(), kIdCancel);
        EXPECT_EQ(run->Outcome(), RunOutcome::Cancelled);
        EXPECT_EQ(run->DoneBytes(), 0u);
        EXPECT_EQ(Take(dir_.Path()), before_);
        EXPECT_EQ(prompter_.AskedIds().back(), TextsFor(mode).cancelQuestion);
    }
}

TEST_F(CipheringRunTest, UndoGoesBackwardsFileByFile) {
    auto run = MakeRun();
    TickUntil(*run, 3);
    const std::vector<std::string> done = run->Processed().Ordered();
    ASSERT_EQ(done.size(), 3u);
    listener_.counters.clear();
    listener_.fileTexts.clear();
    prompter_.Then(Answer::Yes);
    run->PressButton();
    EXPECT_EQ(listener_.counters, (std::vector<std::size_t>{3, 2, 1}));
    EXPECT_EQ(listener_.fileTexts, (std::vector<std::string>{done[2], done[1], done[0]}));
    EXPECT_TRUE(run->Processed().Empty());
    EXPECT_EQ(Take(dir_.Path()), before_);
    const Message& question = prompter_.Asked().back();
    EXPECT_EQ(question.buttons, Buttons::YesNo);
    EXPECT_EQ(question.defaultButton, Answer::No);
    EXPECT_EQ(question.captionId, 0);
}

TEST_F(CipheringRunTest, CancelAnsweredNoGoesOn) {
    auto run = MakeRun();
    TickUntil(*run, 2);
    prompter_.Then(Answer::No);
    run->PressButton();
    EXPECT_FALSE(run->Ended());
    EXPECT_EQ(run->TickState(), 0);
    Finish(*run);
    EXPECT_EQ(run->Result(), kIdOk);
    ExpectAllEnciphered();
}

TEST_F(CipheringRunTest, AccessErrorAnswers) {
    struct Case {
        const char* name;
        std::vector<Answer> answers;  // to 280, then to the cancel question
        int openFailures;
        RunOutcome outcome;
        bool fileChanged;  // the file that failed
        bool othersChanged;
    };
    const Case cases[] = {
        {"retry", {Answer::Retry}, 1, RunOutcome::Completed, true, true},
        {"ignore", {Answer::Ignore}, 1, RunOutcome::Completed, false, true},
        {"abort, go on", {Answer::Abort, Answer::No}, 1, RunOutcome::Completed, false, true},
        {"abort, undo", {Answer::Abort, Answer::Yes}, 1, RunOutcome::Cancelled, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::MakeFile(dir / "x", 100, 1);
        test::MakeFile(dir / "y", 100, 2);
        test::MakeFile(dir / "z", 100, 3);
        const Snapshot before = Take(dir.Path());
        test::ScriptedPrompter prompter;
        for (Answer a : c.answers)
            prompter.Then(a);
        test::FaultyIo io;
        CipheringRun run(dir.Path().string(), CipherMode::Encipher, prompter, kKeys, 4096, io);
        run.Tick();  // the first file goes through
        ASSERT_EQ(run.Processed().Size(), 1u);
        std::vector<std::string> order;
        test::ExpectedOrder(dir.Path().string() + "/", order);
        const std::string failing = order[1];
        io.FailOpen(failing, c.openFailures);
        while (!run.Ended() && !run.Finished())
            run.Tick();
        run.PressButton();
        EXPECT_EQ(run.Outcome(), c.outcome);
        EXPECT_TRUE(prompter.ScriptUsedUp());
        const Message& question = prompter.Asked().front();
        EXPECT_EQ(question.textId, res::str::kFileAccessError);
        EXPECT_EQ(question.text, "Access error to file '" + failing + "'\nContinue ?");
        EXPECT_EQ(question.buttons, Buttons::AbortRetryIgnore);
        EXPECT_EQ(question.defaultButton, Answer::Retry);
        EXPECT_EQ(question.icon, Icon::Exclamation);
        for (const auto& [path, plain] : before.contents) {
            const bool changed = path == failing ? c.fileChanged : c.othersChanged;
            EXPECT_EQ(ReadBytes(path), changed ? ReferenceEncipher(plain, kKeys.current) : plain)
                << path;
        }
    }
}

TEST_F(CipheringRunTest, AnIgnoredFileIsLeftAloneByTheUndo) {
    auto run = MakeRun();
    run->Tick();
    std::vector<std::string> order;
    test::ExpectedOrder(dir_.Path().string() + "/", order);
    io_.FailOpen(order[1], 1);
    prompter_.Then(Answer::Ignore);
    TickUntil(*run, 3);
    EXPECT_EQ(run->IgnoredFiles(), std::vector<std::string>{order[1]});
    EXPECT_FALSE(run->Processed().Contains(order[1]));
    prompter_.Then(Answer::Yes);
    run->PressButton();
    EXPECT_EQ(run->Outcome(), RunOutcome::Cancelled);
    EXPECT_EQ(Take(dir_.Path()), before_);
}

TEST_F(CipheringRunTest, AbortDuringTheUndoFailsTheRun) {
    auto run = MakeRun();
    TickUntil(*run, 3);
    const std::string first = run->Processed().At(0);
    io_.FailOpen(first, 1);
    prompter_.Then(Answer::Yes).Then(Answer::Abort);
    run->PressButton();
    EXPECT_EQ(run->Outcome(), RunOutcome::Failed);
    EXPECT_EQ(run->Result(), kIdCancel);
    EXPECT_EQ(prompter_.AskedIds(),
              (std::vector<int>{res::str::kEncipherCancelQuestion, res::str::kFileAccessError,
                                res::str::kEncipherFailed}));
    EXPECT_EQ(prompter_.Asked().back().icon, Icon::Exclamation);
    // The undo stopped at the first file: it keeps its new state.
    EXPECT_EQ(ReadBytes(first), ReferenceEncipher(before_.contents[first], kKeys.current));
}

TEST_F(CipheringRunTest, AFileThatCannotBeRestoredFailsTheRunByName) {
    auto run = MakeRun();
    std::vector<std::string> order;
    test::ExpectedOrder(dir_.Path().string() + "/", order);
    io_.FailWrite(1, true);
    run->Tick();
    EXPECT_TRUE(run->Ended());
    EXPECT_EQ(run->Outcome(), RunOutcome::Failed);
    EXPECT_EQ(run->FailedFile(), order[0]);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kEncipherFailed});
    EXPECT_NE(prompter_.Asked().back().text.find(order[0]), std::string::npos);
    EXPECT_EQ(listener_.buttonTexts.back(), res::str::kButtonOk);
}

TEST_F(CipheringRunTest, ATreeTooDeepToHandleIsRefusedBeforeAnyChange) {
    std::string deepest;
    const std::string chain = test::MakeDeepChain(dir_.Path(), deepest);
    auto run = MakeRun(CipherMode::Decipher);
    run->Tick();
    EXPECT_EQ(run->Outcome(), RunOutcome::Failed);
    EXPECT_EQ(prompter_.AskedIds(), std::vector<int>{res::str::kDecipherFailed});
    int parent = open(dir_.Path().c_str(), O_RDONLY | O_DIRECTORY);
    test::RemoveTreeAt(parent, chain.c_str());
    close(parent);
    EXPECT_EQ(Take(dir_.Path()), before_);
}

TEST(CipheringRun, EmptyTreesFinishWithoutDividingByZero) {
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    {
        CipheringRun run(dir.Path().string(), CipherMode::Encipher, prompter, kKeys);
        run.Tick();
        EXPECT_FALSE(run.Finished());
        run.Tick();
        EXPECT_TRUE(run.Finished());
        EXPECT_EQ(run.Counter(), 0u);
        run.PressButton();
        EXPECT_EQ(run.Result(), kIdOk);
    }
    test::MakeFile(dir / "empty1", 0);
    test::MakeFile(dir / "s/empty2", 0);
    CipheringRun run(dir.Path().string(), CipherMode::Encipher, prompter, kKeys);
    EXPECT_EQ(run.TotalBytes(), 0u);
    while (!run.Finished())
        run.Tick();
    EXPECT_EQ(run.Percent(), 100);
    EXPECT_EQ(run.Counter(), 2u);
}

TEST(CipheringRun, TimerFailureShowsTheFailureTextAsAnError) {
    test::TempDir dir;
    test::MakeFile(dir / "a", 10);
    const Bytes before = ReadBytes(dir / "a");
    test::ScriptedPrompter prompter;
    CipheringRun run(dir.Path().string(), CipherMode::Recipher, prompter, kKeys);
    run.TimerFailed();
    EXPECT_EQ(run.Result(), kIdCancel);
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].textId, res::str::kRecipherFailed);
    EXPECT_EQ(prompter.Asked()[0].captionId, res::str::kCaptionError);
    EXPECT_EQ(prompter.Asked()[0].icon, Icon::Stop);
    EXPECT_EQ(ReadBytes(dir / "a"), before);
}

}  // namespace
}  // namespace tsrn::bulk
