// tsrnctl serve [--use FILE] [--password-stdin]: Tessaryn without a desktop.
// Loads the folder list (the registry database, or a list file), starts the
// driver through the same link the program uses, registers every folder as
// the program does at start, and serves until interrupted; then closing the
// link unloads the driver, which unmounts everything.

#include <signal.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "AcceptingDriver.h"
#include "Commands.h"
#include "ConsolePrompter.h"
#include "PasswordInput.h"
#include "crypto/KeyDerivation.h"
#include "driver/DriverClient.h"
#include "folders/AppState.h"
#include "folders/FolderPaths.h"
#include "folders/ProtectedFolders.h"
#include "platform/Locations.h"
#include "platform/MountTable.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"

namespace tsrnctl {
namespace {

struct ServeOptions {
    bool passwordStdin = false;
    std::optional<std::string> listFile;
};

std::optional<ServeOptions> ParseServeOptions(Args args) {
    ServeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--password-stdin") {
            options.passwordStdin = true;
        } else if (args[i] == "--use" && i + 1 < args.size()) {
            options.listFile = args[++i];
        } else if (args[i].rfind("--use=", 0) == 0) {
            options.listFile = args[i].substr(6);
        } else {
            Complain("serve: unexpected argument '" + args[i] + "'");
            return std::nullopt;
        }
    }
    return options;
}

// The stored check word, as the program compares it at start; nothing when
// no password has been set yet.
std::optional<std::uint32_t> StoredCheckValue(tsrn::registry::RegistryStore& store) {
    std::array<std::uint8_t, 4> bytes{};
    if (!store.GetBinary(tsrn::registry::kSettingsKey, "pwd", bytes.data(), bytes.size())) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void PrintFolders(const tsrn::folders::FolderList& list) {
    for (std::size_t i = 0; i < list.Size(); ++i) {
        const std::uint32_t state = list.State(i);
        std::printf("slot %zu  state 0x%02X  %s  %s\n", i + 1, static_cast<unsigned>(state),
                    (state & 3u) == 0 ? "refused" : "served", list.LongPath(i).c_str());
    }
    std::fflush(stdout);
}

// A folder of the list that a running driver serves already: a second mount
// over it would cipher every byte twice.
std::optional<std::string> AlreadyServed(const tsrn::folders::AppState& state,
                                         tsrn::registry::RegistryStore& store) {
    const std::vector<std::string> served = tsrn::ServedFolders();
    if (served.empty()) {
        return std::nullopt;
    }
    tsrn::folders::AppState dry = state;
    AcceptingDriver driver;
    ConsolePrompter quiet(nullptr, false);
    tsrn::folders::ProtectedFolders folders(driver, dry, quiet);
    folders.LoadFolderList(store);
    const tsrn::folders::FolderList& list = folders.List();
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (list.Kind(i) != tsrn::folders::FolderKind::User) {
            continue;
        }
        for (const std::string& mount : served) {
            if (tsrn::folders::FoldersOverlap(list.LongPath(i), mount)) {
                return list.LongPath(i);
            }
        }
    }
    return std::nullopt;
}

// Blocks until SIGINT, SIGTERM or SIGHUP arrives.
void AwaitStop() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    int received = 0;
    sigwait(&set, &received);
}

}  // namespace

int RunServe(Args args) {
    const auto options = ParseServeOptions(args);
    if (!options) {
        return kExitUsage;
    }
    // Stop signals are taken by sigwait only; the driver program is started
    // with its own signal mask cleared by the link.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    tsrn::registry::RegistryDatabase database(tsrn::registry::RegistryDatabase::DefaultDirectory());
    tsrn::registry::RegistryStore store(database);
    PasswordInput input(options->passwordStdin);
    std::optional<std::string> password = input.Read("Password: ", false);
    if (!password || !tsrn::crypto::PasswordLengthAllowed(*password)) {
        Complain("serve: no usable password");
        return kExitUsage;
    }
    if (const auto stored = StoredCheckValue(store)) {
        if (tsrn::crypto::StoredCheckWord(*password) != (*stored & 0xFFFFu)) {
            Complain("serve: wrong password");
            return kExitFailed;
        }
    } else {
        Complain("serve: no password is stored yet; the one given is used unchecked");
    }

    tsrn::folders::AppState state;
    state.currentPassword = *password;
    state.keyLoaded = true;
    state.listFileMode = options->listFile.has_value();
    state.listFilePath = options->listFile.value_or("");
    if (const auto served = AlreadyServed(state, store)) {
        Complain("serve: '" + *served + "' is served by a running Tessaryn driver already");
        return kExitFailed;
    }

    tsrn::driver::DriverClient driver(tsrn::DriverDirectory() / "tsrnvx");
    if (!driver.Open()) {
        Complain("serve: the driver could not be started from " +
                 (tsrn::DriverDirectory() / "tsrnvx").string());
        return kExitFailed;
    }
    if (!driver.SetPassword(*password)) {
        Complain("serve: the driver did not take the password");
        return kExitFailed;
    }
    if (!driver.InitializeDriver()) {
        Complain("serve: the driver did not initialise");
        return kExitFailed;
    }

    ConsolePrompter prompter(nullptr, false);
    tsrn::folders::ProtectedFolders folders(driver, state, prompter);
    folders.LoadFolderList(store);
    folders.LoadGlobalProtection(store);
    if (!folders.SendGlobalProtection()) {
        Complain("serve: the global protection word was not taken");
    }
    PrintFolders(folders.List());
    std::puts("serving; interrupt (Ctrl-C) to stop");
    std::fflush(stdout);

    AwaitStop();
    driver.Close();
    return kExitOk;
}

}  // namespace tsrnctl
