// tsrnctl encipher|decipher|recipher DIR: a bulk run over a folder tree
// without the driver (also the way back for a user whose driver is gone).

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "Commands.h"
#include "ConsolePrompter.h"
#include "PasswordInput.h"
#include "ProgressPrinter.h"
#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "crypto/SecretWipe.h"
#include "journal/RunJournalWriter.h"
#include "journal/RunRecovery.h"
#include "platform/MountTable.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrnctl {

namespace {

using tsrn::bulk::CipherMode;
using tsrn::crypto::KeySlot;
using tsrn::crypto::KeySlots;

volatile sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

struct BulkOptions {
    bool passwordStdin = false;
    bool ignoreAccessErrors = false;
    bool journal = true;
    std::size_t chunkSize = tsrn::bulk::FileTransformer::kDefaultChunkSize;
    std::string folder;
};

std::optional<BulkOptions> ParseOptions(Args args) {
    BulkOptions options;
    bool haveFolder = false;
    for (const std::string& arg : args) {
        if (arg == "--password-stdin") {
            options.passwordStdin = true;
        } else if (arg == "--on-error=abort") {
            options.ignoreAccessErrors = false;
        } else if (arg == "--on-error=ignore") {
            options.ignoreAccessErrors = true;
        } else if (arg == "--no-journal") {
            options.journal = false;
        } else if (arg.rfind("--chunk-size=", 0) == 0) {
            const unsigned long long size = std::strtoull(arg.c_str() + 13, nullptr, 10);
            if (size < 8 || size % 8 != 0 || size > (1u << 30)) {
                Complain("--chunk-size must be a multiple of 8 between 8 and 1 GiB");
                return std::nullopt;
            }
            options.chunkSize = static_cast<std::size_t>(size);
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            Complain("unknown option '" + arg + "'");
            return std::nullopt;
        } else if (!haveFolder) {
            options.folder = arg;
            haveFolder = true;
        } else {
            Complain("only one folder per run");
            return std::nullopt;
        }
    }
    if (!haveFolder || options.folder.empty()) {
        Complain("name the folder to work on");
        return std::nullopt;
    }
    struct stat st {};
    if (stat(options.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Complain("'" + options.folder + "' is not a folder");
        return std::nullopt;
    }
    return options;
}

// Keys go into the process's key slots; the passwords are wiped at once.
bool LoadKeys(CipherMode mode, PasswordInput& input) {
    const bool interactiveConfirm = mode == CipherMode::Encipher;
    std::optional<std::string> first = input.Read(
        mode == CipherMode::Recipher ? "Old password: " : "Password: ", interactiveConfirm);
    if (!first) {
        return false;
    }
    const bool firstTaken = KeySlots::Instance().DeriveKey(*first, KeySlot::Current);
    tsrn::crypto::WipeSecret(*first);
    if (!firstTaken) {
        return false;  // PasswordInput refuses such a password before
    }
    if (mode != CipherMode::Recipher) {
        return true;
    }
    std::optional<std::string> second = input.Read("New password: ", true);
    if (!second) {
        return false;
    }
    const bool secondTaken = KeySlots::Instance().DeriveKey(*second, KeySlot::New);
    tsrn::crypto::WipeSecret(*second);
    return secondTaken;
}

class TerminalHandle {
  public:
    TerminalHandle() {
        if (isatty(STDERR_FILENO)) {
            file_ = std::fopen("/dev/tty", "r+");
        }
    }
    ~TerminalHandle() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    TerminalHandle(const TerminalHandle&) = delete;
    TerminalHandle& operator=(const TerminalHandle&) = delete;
    std::FILE* Get() const { return file_; }

  private:
    std::FILE* file_ = nullptr;
};

class InterruptHandler {
  public:
    InterruptHandler() {
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &savedInt_);
        sigaction(SIGTERM, &action, &savedTerm_);
        gInterrupted = 0;
    }
    ~InterruptHandler() {
        sigaction(SIGINT, &savedInt_, nullptr);
        sigaction(SIGTERM, &savedTerm_, nullptr);
    }
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

  private:
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
};

void Drive(tsrn::bulk::CipheringRun& run) {
    while (!run.Ended()) {
        if (gInterrupted != 0) {
            gInterrupted = 0;
            run.PressEscape();
            continue;
        }
        if (run.Finished()) {
            run.PressButton();
            break;
        }
        run.Tick();
    }
}

const char* Why(tsrn::bulk::SkipReason reason) {
    switch (reason) {
        case tsrn::bulk::SkipReason::OutsideNames:
            return "it has names (hard links) outside the folder";
        case tsrn::bulk::SkipReason::OtherFileSystem:
            return "another file system is mounted there";
        case tsrn::bulk::SkipReason::OwnFile:
        case tsrn::bulk::SkipReason::Duplicate:
            break;
    }
    return "one of Tessaryn's own files";
}

// Lists what the run left alone; true when some of it is the user's data
// (Tessaryn's own files are left alone by design).
bool ReportLeftAlone(const tsrn::bulk::CipheringRun& run) {
    bool dataLeft = !run.UnreadableFolders().empty() || !run.IgnoredFiles().empty();
    for (const std::string& folder : run.UnreadableFolders()) {
        Complain("could not list '" + folder + "': its files were not processed");
    }
    for (std::size_t i = 0; i < run.IgnoredFiles().size(); ++i) {
        const int error = i < run.IgnoredErrors().size() ? run.IgnoredErrors()[i] : 0;
        std::string why = error == EBUSY    ? "in use by another program"
                          : error == EACCES ? "not its owner: whether it is in use cannot be told"
                          : error != 0      ? strerror(error)
                                            : "";
        Complain("skipped '" + run.IgnoredFiles()[i] + "'" + (why.empty() ? "" : ": " + why));
    }
    for (const tsrn::bulk::SkippedFile& skipped : run.Skipped()) {
        Complain("skipped '" + skipped.path + "': " + Why(skipped.reason));
        dataLeft = dataLeft || skipped.reason != tsrn::bulk::SkipReason::OwnFile;
    }
    if (run.LeasesRefused()) {
        Complain(
            "a file system of this folder does not support leases: whether another "
            "program had a file open could not be told");
    }
    return dataLeft;
}

int Report(const tsrn::bulk::CipheringRun& run) {
    const bool dataLeft = ReportLeftAlone(run);
    switch (run.Outcome()) {
        case tsrn::bulk::RunOutcome::Completed:
            std::fprintf(stderr, "%zu file(s) processed\n", run.Counter());
            return dataLeft ? kExitFailed : kExitOk;
        case tsrn::bulk::RunOutcome::Cancelled:
            Complain("cancelled; the files done were brought back as they were");
            return kExitCancelled;
        default:
            if (!run.FailedFile().empty()) {
                std::string why = run.FailedError() != 0 ? strerror(run.FailedError()) : "stopped";
                Complain("'" + run.FailedFile() + "': " + why);
            }
            return kExitFailed;
    }
}

// A run over a tree that an unfinished run still holds would mix two runs'
// files beyond repair: that run is recovered first.
bool NoUnfinishedRunOver(const std::string& folder) {
    const tsrn::journal::RunScan scan = tsrn::journal::FindUnfinishedRuns();
    const tsrn::journal::UnfinishedRun* run = tsrn::journal::OverlappingRun(scan, folder);
    if (run == nullptr) {
        return true;
    }
    Complain("an unfinished run over '" + run->contents.header.folder +
             "' must be finished or undone first: tsrnctl recover");
    return false;
}

// A run through a live driver mount would cipher every byte a second time.
bool NotServed(const std::string& folder) {
    for (const std::string& served : tsrn::ServedFolders()) {
        if (tsrn::journal::FoldersOverlap(folder, served)) {
            Complain(tsrn::text::Format(tsrn::res::str::kServedFolderRefused, {served})
                         .value_or("'" + served + "' is served by a running Tessaryn driver"));
            return false;
        }
    }
    return true;
}

int RunBulk(CipherMode mode, Args args) {
    std::optional<BulkOptions> options = ParseOptions(args);
    if (!options) {
        return kExitUsage;
    }
    if (!NotServed(options->folder)) {
        return kExitFailed;
    }
    if (options->journal && !NoUnfinishedRunOver(options->folder)) {
        return kExitFailed;
    }
    PasswordInput input(options->passwordStdin);
    if (!LoadKeys(mode, input)) {
        KeySlots::Instance().Clear();
        return kExitUsage;
    }
    TerminalHandle terminal;
    ConsolePrompter prompter(terminal.Get(), options->ignoreAccessErrors);
    ProgressPrinter progress(isatty(STDERR_FILENO) != 0);
    int code = kExitFailed;
    {
        tsrn::bulk::CipheringRun run(options->folder, mode, prompter, tsrn::bulk::KeysFromSlots(),
                                     options->chunkSize);
        std::unique_ptr<tsrn::journal::RunJournalWriter> journal;
        if (options->journal) {
            std::string error;
            journal = tsrn::journal::RunJournalWriter::Start(tsrn::journal::JournalDirectory(),
                                                             options->folder, mode,
                                                             tsrn::bulk::KeysFromSlots(), error);
            if (!journal) {
                Complain(error +
                         " (without a journal a crash can leave files half done; "
                         "--no-journal runs anyway)");
                KeySlots::Instance().Clear();
                return kExitFailed;
            }
            run.SetJournal(journal.get());
        }
        code = FinishRun(run, progress, journal.get());
    }
    KeySlots::Instance().Clear();
    return code;
}

}  // namespace

int FinishRun(tsrn::bulk::CipheringRun& run, ProgressPrinter& progress,
              const tsrn::journal::RunJournalWriter* journal) {
    InterruptHandler interrupts;
    run.SetListener(&progress);
    run.SetReportSkipped(false);  // said by Report
    Drive(run);
    progress.ClearLine();
    const int code = Report(run);
    if (journal != nullptr && !journal->Removed() && !journal->Completed()) {
        if (journal->Broken()) {
            Complain("the journal failed: " + journal->Error());
        }
        Complain("the run's journal is kept (" + journal->Path().string() +
                 "): tsrnctl recover finishes or undoes the run");
    }
    return code;
}

void Complain(std::string_view message) {
    std::fprintf(stderr, "tsrnctl: %.*s\n", static_cast<int>(message.size()), message.data());
}

int RunEncipher(Args args) {
    return RunBulk(CipherMode::Encipher, args);
}
int RunDecipher(Args args) {
    return RunBulk(CipherMode::Decipher, args);
}
int RunRecipher(Args args) {
    return RunBulk(CipherMode::Recipher, args);
}

}  // namespace tsrnctl
