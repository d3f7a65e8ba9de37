// tsrnctl recover: finishes or undoes a bulk run that a crash cut short,
// from the run's journal.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "Commands.h"
#include "ConsolePrompter.h"
#include "PasswordInput.h"
#include "ProgressPrinter.h"
#include "crypto/KeyDerivation.h"
#include "journal/PasswordChangeRecord.h"
#include "journal/RunRecovery.h"

namespace tsrnctl {

namespace {

using tsrn::journal::RecoveryChoice;
using tsrn::journal::UnfinishedRun;

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
    WipeString(*first);
    if (recipher) {
        std::optional<std::string> second = input.Read("New password: ", false);
        if (!second) {
            return std::nullopt;
        }
        keys.next = tsrn::crypto::DeriveKey(*second);
        WipeString(*second);
    }
    return keys;
}

// The run of a folder of a password change left unfinished: the change's
// record learns which key the folder is under now (`runNew`: every file in
// the run's new state), so the program never reciphers it twice.
void TellChangeRecord(const UnfinishedRun& run, const tsrn::bulk::KeyPair& keys, bool runNew) {
    using tsrn::journal::ChangeKey;
    using tsrn::journal::KeyIdentity;
    const std::filesystem::path dir = tsrn::journal::JournalDirectory();
    const tsrn::journal::ChangeRecordLoad load = tsrn::journal::PasswordChangeRecord::Load(dir);
    if (!load.contents || run.contents.header.mode != tsrn::bulk::CipherMode::Recipher) {
        return;
    }
    const tsrn::journal::ChangeRecordContents& change = *load.contents;
    const std::uint32_t from = KeyIdentity(keys.current, change.salt);
    const std::uint32_t to = KeyIdentity(keys.next, change.salt);
    const bool forward = from == change.oldKeyId && to == change.newKeyId;
    const bool back = from == change.newKeyId && to == change.oldKeyId;
    if (!forward && !back) {
        return;
    }
    tsrn::journal::PasswordChangeRecord record;
    std::string error;
    const ChangeKey key = (runNew == forward) ? ChangeKey::New : ChangeKey::Old;
    const std::string& folder = run.contents.header.folder;
    const auto number = std::find_if(
        change.folders.begin(), change.folders.end(),
        [&](const tsrn::journal::ChangeFolder& f) { return f.path == folder && f.moving; });
    if (number == change.folders.end()) {
        return;
    }
    if (!record.Continue(dir, change, error) || !record.NoteReached(folder, key, error)) {
        Complain("the password change record could not be updated: " + error);
    }
}

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
    tsrn::journal::RecoveryResult result = recovery.Recover(choice);
    for (const std::string& file : result.missingFiles) {
        Complain("'" + file + "' is gone since the run");
    }
    for (const std::string& file : result.changedFiles) {
        Complain("'" + file + "' holds neither its old nor its new bytes: left alone");
    }
    if (!result.ok) {
        Complain(result.error + "; the journal is kept");
        return kExitFailed;
    }
    if (result.finished) {
        TellChangeRecord(run, *keys, run.contents.complete == tsrn::journal::FileState::New);
        std::fputs("the run had ended; its files are now wholly on disk\n", stderr);
        return kExitOk;
    }
    if (result.undone) {
        TellChangeRecord(run, *keys, false);
        std::fprintf(stderr, "%s: every file is back as it was\n",
                     choice == RecoveryChoice::Resume ? "the run was being undone; undo finished"
                                                      : "undone");
        return kExitOk;
    }
    ConsolePrompter prompter(terminal, options.ignoreAccessErrors);
    ProgressPrinter progress(terminal != nullptr);
    std::unique_ptr<tsrn::bulk::CipheringRun> rest = recovery.ContinuedRun(result, prompter);
    if (!rest) {
        Complain("the run cannot be continued");
        return kExitFailed;
    }
    const int code = FinishRun(*rest, progress, nullptr);
    if (rest->Outcome() == tsrn::bulk::RunOutcome::Completed ||
        rest->Outcome() == tsrn::bulk::RunOutcome::Cancelled) {
        TellChangeRecord(run, *keys, rest->Outcome() == tsrn::bulk::RunOutcome::Completed);
    }
    return code;
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
