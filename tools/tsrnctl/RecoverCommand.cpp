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
        std::fputs("the run had ended; its files are now wholly on disk\n", stderr);
        return kExitOk;
    }
    if (result.undone) {
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
    return FinishRun(*rest, progress, nullptr);
}

}  // namespace

int RunRecover(Args args) {
    std::optional<RecoverOptions> options = ParseRecoverOptions(args);
    if (!options) {
        return kExitUsage;
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
        return options->journal.empty() && scan.problems.empty() ? kExitOk : kExitFailed;
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
