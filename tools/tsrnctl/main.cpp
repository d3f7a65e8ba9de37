// tsrnctl: Tessaryn's command-line tool. A small dispatcher: each command
// lives in its own source file.

#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"

#ifndef TSRN_VERSION
#define TSRN_VERSION "unknown"
#endif

namespace tsrnctl {
namespace {

const Command kCommands[] = {
    {"encipher", RunEncipher, "encipher DIR        encipher every file of a folder tree in place"},
    {"decipher", RunDecipher, "decipher DIR        decipher every file of a folder tree in place"},
    {"recipher", RunRecipher,
     "recipher DIR        recipher a tree from the old password to a new one"},
    {"recover", RunRecover,
     "recover [--resume|--undo|--discard] [JOURNAL]\n"
     "                      finish or undo a run cut short by a crash"},
    {"folders", RunFolders, "folders [--use FILE] print the folder list as the program loads it"},
    {"registry", RunRegistry,
     "registry get|set|delete|dump KEY [NAME [TYPE VALUE]]\n"
     "                      read or change the registry database"},
    {"serve", RunServe,
     "serve [--use FILE] [--password-stdin]\n"
     "                      serve the folder list through the driver until interrupted"},
};

void PrintHelp(std::FILE* out) {
    std::fputs("Usage: tsrnctl COMMAND [OPTIONS] [ARGUMENTS]\n\nCommands:\n", out);
    for (const Command& command : kCommands) {
        std::fprintf(out, "  %.*s\n", static_cast<int>(command.synopsis.size()),
                     command.synopsis.data());
    }
    std::fputs(
        "\nOptions of encipher, decipher and recipher:\n"
        "  --password-stdin      read the password from standard input, one per line\n"
        "                        (recipher: the old password, then the new one)\n"
        "  --no-journal          run without the crash journal\n"
        "  --on-error=abort|ignore\n"
        "                        without a terminal: what to do with a file that cannot\n"
        "                        be read or written (default abort: cancel and undo)\n"
        "\n"
        "Without --password-stdin the passwords are read from the terminal without echo.\n"
        "On a terminal, Ctrl-C asks whether to undo the files done so far or go on;\n"
        "without one, Ctrl-C undoes them.\n"
        "\n"
        "Every run keeps a journal in $TSRN_STATE_DIR/runs (else $XDG_STATE_HOME/tessaryn/runs)\n"
        "until its files are all on disk in one state. After a crash, tsrnctl recover\n"
        "finishes the run (--resume) or brings every file back (--undo); it asks on the\n"
        "terminal when neither is given. It needs the run's password(s) and refuses\n"
        "others. --discard forgets a journal without touching any file.\n"
        "\n"
        "The cipher is Tessaryn's fixed legacy format: deterministic, unauthenticated,\n"
        "with a weak key derivation. A wrong password is not detected: deciphering with\n"
        "it yields garbage (enciphering again with the same wrong password undoes that).\n"
        "\n"
        "Exit status:\n"
        "  0  every file was processed (or the request was done)\n"
        "  1  failed, or some files were skipped or could not be listed\n"
        "  2  usage error (wrong arguments, unusable password input)\n"
        "  3  cancelled, and every file done was brought back as it was\n"
        "\n"
        "  --help     show this help\n"
        "  --version  show the version\n",
        out);
}

}  // namespace
}  // namespace tsrnctl

int main(int argc, char** argv) {
    using namespace tsrnctl;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    const std::string& name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(stdout);
        return kExitOk;
    }
    if (name == "--version") {
        std::printf("tsrnctl %s\n", TSRN_VERSION);
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return command.run(Args(args).subspan(1));
        }
    }
    Complain("unknown command '" + name + "' (try tsrnctl --help)");
    return kExitUsage;
}
