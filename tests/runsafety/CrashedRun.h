#pragma once
// An unfinished run made for real: a child process starts a journaled run
// over a tree (through the program's run guard) and dies in the middle of a
// data write, as when it is killed, leaving its journal behind.

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "DyingIo.h"
#include "JournalTestSupport.h"
#include "ScriptedPrompter.h"
#include "bulk/FileTransformer.h"
#include "runsafety/RecoveryPorts.h"
#include "runsafety/RunJournalGuard.h"

namespace tsrn::test {

inline constexpr std::size_t kCrashChunk = 16384;

// True when the child died at the crash point with its journal started.
inline bool CrashRun(const std::filesystem::path& root, bulk::CipherMode mode,
                     const bulk::KeyPair& keys, int dieAt, std::size_t pages = 1) {
    const pid_t pid = fork();
    if (pid == 0) {
        DyingIo io(dieAt, pages);
        ScriptedPrompter prompter;
        runsafety::RunJournalGuard guard(prompter);
        if (!guard.Open(root.string(), mode, keys) || guard.Writer() == nullptr)
            _exit(2);
        guard.Writer()->SetLimits(journal::JournalLimits{40000, 3});
        bulk::CipheringRun run(root.string(), mode, prompter, keys, kCrashChunk, io);
        guard.Attach(run);
        bulk::DriveToEnd(run);
        _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The journals left in `dir`.
inline std::size_t JournalsIn(const std::filesystem::path& dir) {
    std::error_code error;
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "runs", error)) {
        if (entry.path().extension() == ".journal")
            ++count;
    }
    return count;
}

}  // namespace tsrn::test
