#include "setup/FolderGuard.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <system_error>

#include "platform/Paths.h"
#include "registry/RegistryStore.h"
#include "resources/StringTable.h"
#include "setup/InstallFileTable.h"
#include "setup/InstallState.h"
#include "setup/RegistryEntries.h"
#include "setup/VersionNote.h"

namespace tsrn::setup {
namespace fs = std::filesystem;
namespace {

// Folders of the system whose contents belong to others.
constexpr std::array<std::string_view, 20> kSystemFolders{
    "/usr/local/bin",   "/usr/local/sbin",    "/usr/local/lib",   "/usr/local/lib64",
    "/usr/local/share", "/usr/local/etc",     "/usr/local/games", "/usr/local/include",
    "/usr/local/src",   "/usr/local/libexec", "/usr/local/man",   "/usr/local/opt",
    "/var/lib",         "/var/log",           "/var/cache",       "/var/tmp",
    "/var/spool",       "/var/mail",          "/var/opt",         "/var/local",
};
// Trees that never hold a folder of ours; /usr/local is the exception in /usr.
constexpr std::array<std::string_view, 7> kSystemTrees{"/proc", "/sys", "/dev", "/run",
                                                       "/boot", "/etc", "/usr"};
// Folders directly in the home folder that hold the user's documents.
constexpr std::array<std::string_view, 9> kUserFolders{
    "Desktop", "Documents", "Downloads", "Music", "Pictures",
    "Public",  "Templates", "Videos",    "bin",
};

fs::path Resolved(const fs::path& path) {
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec) {
        resolved = path.lexically_normal();
    }
    if (!resolved.has_filename() && resolved.has_relative_path()) {
        resolved = resolved.parent_path();  // "/opt/x/" -> "/opt/x"
    }
    return resolved;
}

bool IsWithin(const fs::path& path, const fs::path& tree) {
    auto [treeEnd, pathAt] = std::mismatch(tree.begin(), tree.end(), path.begin(), path.end());
    return treeEnd == tree.end();
}

std::size_t Depth(const fs::path& path) {
    std::size_t depth = 0;
    for (const auto& part : path.relative_path()) {
        if (!part.empty()) {
            ++depth;
        }
    }
    return depth;
}

bool UnsafeInHome(const fs::path& folder, const fs::path& home) {
    if (IsWithin(home, folder)) {
        return true;  // the home folder or one of its ancestors
    }
    if (folder.parent_path() == home) {
        std::string name = folder.filename().string();
        if (name.starts_with('.')) {
            return true;  // ~/.config, ~/.local, ...
        }
        for (std::string_view user : kUserFolders) {
            if (name == user) {
                return true;
            }
        }
    }
    // ~/.local/share, ~/.local/lib, ~/.local/opt, ...
    return folder.parent_path() == home / ".local";
}

}  // namespace

bool IsFolderSafeToEmpty(const std::string& folder, const InstallPaths& paths) {
    if (folder.empty()) {
        return false;
    }
    const fs::path resolved = Resolved(fs::path(folder));
    if (!resolved.is_absolute() || Depth(resolved) <= 1) {
        return false;
    }
    const bool inLocal = IsWithin(resolved, "/usr/local") && Depth(resolved) >= 3;
    for (std::string_view tree : kSystemTrees) {
        if (IsWithin(resolved, fs::path(tree)) && !inLocal) {
            return false;
        }
    }
    for (std::string_view system : kSystemFolders) {
        if (resolved == fs::path(system)) {
            return false;
        }
    }
    for (const fs::path& own : {paths.applicationsFolder, paths.registryFolder}) {
        if (!own.empty() && resolved == Resolved(own)) {
            return false;
        }
    }
    return paths.homeFolder.empty() || !UnsafeInHome(resolved, Resolved(paths.homeFolder));
}

bool HoldsEarlierInstallation(const std::string& folder, registry::RegistryDatabase& registry) {
    std::error_code ec;
    const fs::path program = fs::path(folder) / std::string(kMainProgram);
    if (fs::is_regular_file(fs::symlink_status(program, ec)) && ReadVersionNote(program)) {
        return true;
    }
    registry::RegistryStore uninstall(registry, registry::Hive::LocalMachine,
                                      std::string(kUninstallRoot));
    const std::string remover = uninstall.GetString(
        std::string(text::setup::Text(res::setup::str::kProductVersionName)) + "\\",
        "UninstallString", "");
    if (remover.empty()) {
        return false;
    }
    return WithTrailingSlash(fs::weakly_canonical(fs::path(remover).parent_path(), ec).string()) ==
           WithTrailingSlash(fs::weakly_canonical(fs::path(folder), ec).string());
}

FolderCheck CheckInstallFolder(const std::string& typed, const InstallPaths& paths,
                               registry::RegistryDatabase& registry) {
    FolderCheck check;
    if (typed.empty()) {
        return check;
    }
    auto absolute = FullPath(typed);
    if (!absolute) {
        check.verdict = FolderVerdict::NotAFolder;
        return check;
    }
    check.folder = *absolute;
    if (!IsFolderSafeToEmpty(check.folder, paths)) {
        check.verdict = FolderVerdict::Unsafe;
        return check;
    }
    std::error_code ec;
    auto status = fs::status(check.folder, ec);
    if (!fs::exists(status)) {
        check.verdict = FolderVerdict::Accepted;
        return check;
    }
    if (!fs::is_directory(status)) {
        check.verdict = FolderVerdict::NotAFolder;
        return check;
    }
    bool empty = fs::is_empty(check.folder, ec);
    check.verdict = (ec || (!empty && !HoldsEarlierInstallation(check.folder, registry)))
                        ? FolderVerdict::NotEmpty
                        : FolderVerdict::Accepted;
    return check;
}

int RefusalTextId(FolderVerdict verdict) {
    using namespace res::setup::str;
    switch (verdict) {
        case FolderVerdict::Empty:
            return kFolderMissing;
        case FolderVerdict::Unsafe:
            return kFolderUnsafe;
        case FolderVerdict::NotAFolder:
            return kFolderNotAFolder;
        case FolderVerdict::NotEmpty:
            return kFolderNotEmpty;
        case FolderVerdict::Accepted:
            break;
    }
    return 0;
}

std::string RefusalText(FolderVerdict verdict, const std::string& folder) {
    using namespace res::setup::str;
    switch (verdict) {
        case FolderVerdict::Empty:
            return std::string(text::setup::Text(kFolderMissing));
        case FolderVerdict::Unsafe:
            return text::setup::FormatText<kFolderUnsafe>(folder);
        case FolderVerdict::NotAFolder:
            return text::setup::FormatText<kFolderNotAFolder>(folder);
        case FolderVerdict::NotEmpty:
            return text::setup::FormatText<kFolderNotEmpty>(folder);
        case FolderVerdict::Accepted:
            break;
    }
    return {};
}

}  // namespace tsrn::setup
