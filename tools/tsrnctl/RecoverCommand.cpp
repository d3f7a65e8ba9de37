// tsrnctl recover: finishes or undoes a bulk run that a crash cut short,
// from the run's journal.

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "Commands.h"
#include "ConsolePrompter.h"
#include "PasswordInput.h"
#include "ProgressPrinter.h"
#include "crypto/KeyDerivation.h"
#include "crypto/SecretWipe.h"
#include "journal/PasswordChangeRecord.h"
#include "journal/RunRecovery.h"
#include "runsafety/RecoveryPolicy.h"

namespace tsrnctl {

namespace {

using tsrn::journal::RecoveryChoice;
using tsrn::journal::UnfinishedRun;
using tsrn::runsafety::RunFate;

enum class Action { Ask, Resume, Undo, Discard };

struct RecoverOptions {
    Action action = Action::Ask;
    bool passwordStdin = false;
    bool ignoreAccessErrors = false;
    std::string journal;
};

std::optional<RecoverOptions> ParseRecoverOptions(Args args) {
    RecoverOptions options;
    for (const std::string& arg : args) {
        if (arg == "--resume" || arg == "--undo" || arg == "--discard") {
            if (options.action != Action::Ask) {
                Complain("choose one of --resume, --undo and --discard");
                return std::nullopt;
            }
            options.action = arg == "--resume" ? Action::Resume
                             : arg == "--undo" ? Action::Undo
                                               : Action::Discard;
        } else if (arg == "--password-stdin") {
            options.passwordStdin = true;
        } else if (arg == "--on-error=abort" || arg == "--on-error=ignore") {
            options.ignoreAccessErrors = arg == "--on-error=ignore";
        } else if (!arg.empty() && arg[0] == '-') {
            Complain("unknown option '" + arg + "'");
            return std::nullopt;
        } else if (options.journal.empty()) {
            options.journal = arg;
        } else {
            Complain("name one journal at most");
            return std::nullopt;
        }
    }
    return options;
}

const char* ModeName(tsrn::bulk::CipherMode mode) {
    switch (mode) {
        case tsrn::bulk::CipherMode::Decipher:
            return "deciphering";
        case tsrn::bulk::CipherMode::Recipher:
            return "reciphering";
        case tsrn::bulk::CipherMode::Encipher:
            break;
    }
    return "enciphering";
}

void Describe(const UnfinishedRun& run) {
    const auto& contents = run.contents;
    std::fprintf(stderr, "Unfinished %s of '%s' (%zu file(s) in the journal%s)\n  journal: %s\n",
                 ModeName(contents.header.mode), contents.header.folder.c_str(),
                 contents.files.size(), contents.undoing ? ", being undone" : "",
                 run.journal.c_str());
}

Action AskAction(std::FILE* terminal) {
    for (;;) {
        std::fputs("Resume the run (r), undo it (u), or leave it for now (l)? ", terminal);
        std::fflush(terminal);
        char line[32] = {};
        if (std::fgets(line, sizeof line, terminal) == nullptr) {
            return Action::Ask;
        }
        switch (line[0]) {
            case 'r':
            case 'R':
                return Action::Resume;
            case 'u':
            case 'U':
                return Action::Undo;
            case 'l':
            case 'L':
                return Action::Ask;
            default:
                break;
        }
    }
}

std::optional<tsrn::bulk::KeyPair> ReadKeys(tsrn::bulk::CipherMode mode, PasswordInput& input) {
    const bool recipher = mode == tsrn::bulk::CipherMode::Recipher;
    std::optional<std::string> first =
        input.Read(recipher ? "Old password: " : "Password: ", false);
    if (!first) {
        return std::nullopt;
    }
    tsrn::bulk::KeyPair keys{tsrn::crypto::DeriveKey(*first), {}};
    tsrn::crypto::WipeSecret(*first);
    if (recipher) {
        std::optional<std::string> second = input.Read("New password: ", false);
        if (!second) {
            return std::nullopt;
        }
        keys.next = tsrn::crypto::DeriveKey(*second);
        tsrn::crypto::WipeSecret(*second);
    }
    return keys;
}

// The terminal's side of a recovery: its work is done plainly (the rest of a
// resumed run with progress on the terminal), what it meets is complained of.
class TerminalRecovery final : public tsrn::runsafety::RecoveryWork,
                               public tsrn::runsafety::RecoveryReport {
  public:
    TerminalRecovery(std::FILE* terminal, const RecoverOptions& options)
        : prompter_(terminal, options.ignoreAccessErrors), progress_(terminal != nullptr) {}

    tsrn::Prompter& Prompter() { return prompter_; }
    // The exit code of the continued run, once it was run.
    int RunCode() const { return runCode_; }

    tsrn::journal::RecoveryResult Recover(tsrn::journal::RunRecovery& recovery,
                                          RecoveryChoice choice) override {
        return recovery.Recover(choice);
    }
    tsrn::bulk::RunOutcome FinishRun(std::unique_ptr<tsrn::bulk::CipheringRun> run) override {
        runCode_ = tsrnctl::FinishRun(*run, progress_, nullptr);
        return run->Outcome();
    }
    void FilesLeftAlone(const tsrn::journal::RecoveryResult& result) override {
        for (const std::string& file : result.missingFiles) {
            Complain("'" + file + "' is gone since the run");
        }
        for (const std::string& file : result.changedFiles) {
            Complain("'" + file + "' holds neither its old nor its new bytes: left alone");
        }
    }
    void NotRecovered(const std::string& error) override {
        Complain(error + "; the journal is kept");
    }
    void NotContinued() override { Complain("the run cannot be continued"); }

  private:
    ConsolePrompter prompter_;
    ProgressPrinter progress_;
    int runCode_ = kExitFailed;
};

int RecoverOne(const UnfinishedRun& run, const RecoverOptions& options, std::FILE* terminal,
               PasswordInput& input) {
    Describe(run);
    Action action = options.action;
    if (action == Action::Ask) {
        if (terminal == nullptr) {
            Complain("no terminal to ask on: say --resume or --undo");
            return kExitUsage;
        }
        action = AskAction(terminal);
        if (action == Action::Ask) {
            return kExitFailed;
        }
    }
    if (action == Action::Discard) {
        if (std::remove(run.journal.c_str()) != 0) {
            Complain("cannot remove " + run.journal.string());
            return kExitFailed;
        }
        std::fputs("journal discarded; no file was touched\n", stderr);
        return kExitOk;
    }
    std::optional<tsrn::bulk::KeyPair> keys = ReadKeys(run.contents.header.mode, input);
    if (!keys) {
        return kExitUsage;
    }
    tsrn::journal::RunRecovery recovery(run, *keys);
    if (!recovery.KeysMatch()) {
        Complain(
            "the password does not match the one the run was started with; "
            "nothing was changed");
        return kExitFailed;
    }
    const RecoveryChoice choice =
        action == Action::Undo ? RecoveryChoice::Undo : RecoveryChoice::Resume;
    TerminalRecovery terminalSide(terminal, options);
    const tsrn::runsafety::RecoveryEnd end = tsrn::runsafety::RecoverRun(
        recovery, choice, terminalSide, terminalSide.Prompter(), terminalSide);
    std::string error;
    if (!tsrn::runsafety::NoteInChangeRecord(tsrn::journal::JournalDirectory(), run, *keys,
                                             end.fate, error)) {
        Complain("the password change record could not be updated: " + error);
    }
    if (end.continued) {
        return terminalSide.RunCode();
    }
    switch (end.fate) {
        case RunFate::Settled:
            std::fputs("the run had ended; its files are now wholly on disk\n", stderr);
            return kExitOk;
        case RunFate::Undone:
            std::fprintf(stderr, "%s: every file is back as it was\n",
                         choice == RecoveryChoice::Resume
                             ? "the run was being undone; undo finished"
                             : "undone");
            return kExitOk;
        default:
            return kExitFailed;
    }
}

void DescribeChange(const std::filesystem::path& path,
                    const tsrn::journal::ChangeRecordLoad& load) {
    std::fprintf(stderr, "Unfinished password change\n  record: %s\n", path.c_str());
    if (!load.contents) {
        std::fprintf(stderr, "  cannot be read: %s\n", load.error.c_str());
        return;
    }
    for (const tsrn::journal::ChangeFolder& folder : load.contents->folders) {
        const char* state =
            folder.moving && !folder.ended ? "a run was in progress"
            : folder.moving                ? "its run ended unfinished"
            : folder.key == tsrn::journal::ChangeKey::New
                ? "under the new password (unreadable while the old one is in force)"
                : "under the old password";
        std::fprintf(stderr, "  %s: %s\n", folder.path.c_str(), state);
    }
}

// A password change left unfinished is listed; --discard forgets its record
// (no file is touched). Taking it back or finishing it is the program's:
// it offers both at its start. `named`: the record was the one asked for.
int HandleChangeRecord(const RecoverOptions& options, bool& named) {
    const std::filesystem::path dir = tsrn::journal::JournalDirectory();
    const std::filesystem::path path = tsrn::journal::PasswordChangeRecord::PathIn(dir);
    named = !options.journal.empty() && options.journal == path.string();
    if (!options.journal.empty() && !named) {
        return kExitOk;
    }
    const tsrn::journal::ChangeRecordLoad load = tsrn::journal::PasswordChangeRecord::Load(dir);
    if (!load.present) {
        return named ? kExitFailed : kExitOk;
    }
    DescribeChange(path, load);
    if (load.inUse) {
        return kExitOk;
    }
    if (options.action == Action::Discard) {
        if (std::remove(path.c_str()) != 0) {
            Complain("cannot remove " + path.string());
            return kExitFailed;
        }
        std::fputs("password change record discarded; no file was touched\n", stderr);
        return kExitOk;
    }
    std::fprintf(stderr,
                 "  Tessaryn offers to take it back or to finish it at its start; "
                 "tsrnctl recover --discard %s forgets it\n",
                 path.c_str());
    return kExitOk;
}

}  // namespace

int RunRecover(Args args) {
    std::optional<RecoverOptions> options = ParseRecoverOptions(args);
    if (!options) {
        return kExitUsage;
    }
    bool changeNamed = false;
    const int changeCode = HandleChangeRecord(*options, changeNamed);
    if (changeNamed) {
        return changeCode;
    }
    tsrn::journal::RunScan scan = tsrn::journal::FindUnfinishedRuns();
    for (const std::string& problem : scan.problems) {
        Complain("unreadable journal " + problem);
    }
    std::vector<UnfinishedRun> runs;
    for (UnfinishedRun& run : scan.runs) {
        if (options->journal.empty() || run.journal == options->journal) {
            runs.push_back(std::move(run));
        }
    }
    if (runs.empty()) {
        std::fputs("no unfinished run\n", stderr);
        return options->journal.empty() && scan.problems.empty() ? changeCode : kExitFailed;
    }
    std::FILE* terminal = isatty(STDERR_FILENO) ? std::fopen("/dev/tty", "r+") : nullptr;
    PasswordInput input(options->passwordStdin);
    int code = kExitOk;
    for (const UnfinishedRun& run : runs) {
        const int one = RecoverOne(run, *options, terminal, input);
        code = code == kExitOk ? one : code;
    }
    if (terminal != nullptr) {
        std::fclose(terminal);
    }
    return code;
}

}  // namespace tsrnctl
