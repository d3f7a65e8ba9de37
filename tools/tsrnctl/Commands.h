#pragma once
// The tsrnctl commands. Each takes the arguments after its name and returns
// the process exit code (see ExitCode).

#include <span>
#include <string>
#include <string_view>

namespace tsrn::bulk {
class CipheringRun;
}
namespace tsrn::journal {
class RunJournalWriter;
}

namespace tsrnctl {

class ProgressPrinter;

enum ExitCode : int {
    kExitOk = 0,         // every file processed / the request done
    kExitFailed = 1,     // failed (or some files were left unprocessed)
    kExitUsage = 2,      // wrong arguments or unusable input
    kExitCancelled = 3,  // cancelled, and the files done were undone
};

using Args = std::span<const std::string>;

struct Command {
    std::string_view name;
    int (*run)(Args args);
    std::string_view synopsis;
};

[[nodiscard]] int RunEncipher(Args args);
[[nodiscard]] int RunDecipher(Args args);
[[nodiscard]] int RunRecipher(Args args);
[[nodiscard]] int RunFolders(Args args);
[[nodiscard]] int RunRegistry(Args args);
[[nodiscard]] int RunServe(Args args);
[[nodiscard]] int RunRecover(Args args);

// Drives a prepared bulk run to its end (Ctrl-C asks to cancel), reports it
// and returns the exit code; says so when the run's journal is kept.
[[nodiscard]] int FinishRun(tsrn::bulk::CipheringRun& run, ProgressPrinter& progress,
                            const tsrn::journal::RunJournalWriter* journal);

// Prints "tsrnctl: <message>" on standard error.
void Complain(std::string_view message);

}  // namespace tsrnctl
