// tsrnctl runs on real trees are killed (SIGKILL) at random moments, some
// while undoing after a SIGTERM; `tsrnctl recover` then resumes or undoes,
// and every file must hold exactly its old or its new bytes, all alike.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "JournalTestSupport.h"
#include "ProcessHelpers.h"
#include "TempDir.h"
#include "journal/RunRecovery.h"

namespace tsrn::test {
namespace {

using bulk::CipherMode;
using journal::FileState;

const char* CommandFor(CipherMode mode) {
    return mode == CipherMode::Encipher   ? "encipher"
           : mode == CipherMode::Decipher ? "decipher"
                                          : "recipher";
}

std::string PasswordsFor(CipherMode mode) {
    return mode == CipherMode::Recipher ? "old secret\nnew secret\n" : "old secret\n";
}

TEST(KillTest, RandomKillsThenRecoverLeaveEveryFileInOneState) {
    TempDir state("tsrn-kill-state");
    const std::string stateEnv = "TSRN_STATE_DIR=" + state.Path().string();
    setenv("TSRN_STATE_DIR", state.Path().c_str(), 1);
    const bulk::KeyPair keys = TestKeys();
    std::mt19937 random(20261210);
    const CipherMode modes[] = {CipherMode::Encipher, CipherMode::Decipher, CipherMode::Recipher};
    int killed = 0;
    // The kill falls anywhere in a run: the window follows how long runs take here.
    double window = 200000;
    for (int round = 0; round < 30; ++round) {
        const CipherMode mode = modes[round % 3];
        const bool undo = random() % 2 == 0;
        const bool termFirst = random() % 3 == 0;
        TempDir dir("tsrn-kill-tree");
        TestTree tree(dir.Path(), 3, static_cast<std::uint32_t>(round));
        tree.PrepareFor(mode, keys);
        pid_t pid = Spawn({TsrnctlPath(), CommandFor(mode), "--password-stdin", "--chunk-size=4096",
                           dir.Path().string()},
                          PasswordsFor(mode), {stateEnv});
        const auto delay = std::chrono::microseconds(
            static_cast<long>(std::uniform_real_distribution<double>(0, window)(random)));
        std::this_thread::sleep_for(delay);
        if (termFirst) {
            kill(pid, SIGTERM);  // without a terminal this undoes the run
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 100000));
        }
        kill(pid, SIGKILL);
        const int status = WaitFor(pid);
        killed += status == 128 + SIGKILL ? 1 : 0;
        window *= status == 128 + SIGKILL ? 1.15 : 0.75;
        const bool hadJournal = !journal::FindUnfinishedRuns().runs.empty();
        const std::string errors = (state.Path() / "recover-errors").string();
        const int recovered =
            RunToEnd({TsrnctlPath(), "recover", undo ? "--undo" : "--resume", "--password-stdin"},
                     PasswordsFor(mode), {stateEnv}, errors);
        ASSERT_EQ(recovered, 0) << "round " << round << ", killed with status " << status << ": "
                                << ReadText(errors);
        std::remove(errors.c_str());
        EXPECT_TRUE(journal::FindUnfinishedRuns().runs.empty()) << "round " << round;
        std::string firstOld;
        std::string firstNew;
        const std::size_t notOld = tree.Differences(FileState::Old, mode, keys, firstOld);
        const std::size_t notNew = tree.Differences(FileState::New, mode, keys, firstNew);
        const bool signalled = status == 128 + SIGKILL || status == 128 + SIGTERM;
        if (!hadJournal && !signalled) {
            // The run ended before the kill: done (0) or cancelled and undone (3).
            ASSERT_TRUE(status == 0 || status == 3) << "round " << round << " status " << status;
            EXPECT_EQ(status == 0 ? notNew : notOld, 0u) << "round " << round;
        } else if (!hadJournal) {
            // Killed before the journal existed (nothing written yet) or after
            // it was removed (everything on disk in one state).
            EXPECT_TRUE(notOld == 0 || notNew == 0) << "round " << round;
        } else if (undo) {
            EXPECT_EQ(notOld, 0u) << "round " << round << ": " << firstOld;
        } else {
            // Resume finishes the run, or finishes its undo when it was being undone.
            EXPECT_TRUE(notNew == 0 || (termFirst && notOld == 0))
                << "round " << round << ": " << notNew << " not new (" << firstNew << "), "
                << notOld << " not old";
        }
    }
    unsetenv("TSRN_STATE_DIR");
    // Most rounds must really have been cut short, or the test shows nothing.
    EXPECT_GE(killed, 15);
}

}  // namespace
}  // namespace tsrn::test
