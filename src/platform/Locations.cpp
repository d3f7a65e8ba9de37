#include "platform/Locations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

namespace tsrn {
namespace {

// An environment variable's value; unset and empty are the same.
std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::filesystem::path HomeDirectory() {
    std::string home = Environment("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return ".";
}

// $override, else $xdgVariable/tessaryn when that is absolute (relative ones
// are invalid and ignored), else ~/fallback/tessaryn.
std::filesystem::path Resolve(const char* overrideVariable, const char* xdgVariable,
                              const char* fallback) {
    std::string chosen = Environment(overrideVariable);
    if (!chosen.empty()) {
        return chosen;
    }
    std::filesystem::path xdg = Environment(xdgVariable);
    if (xdg.is_absolute()) {
        return xdg / "tessaryn";
    }
    return HomeDirectory() / fallback / "tessaryn";
}

}  // namespace

std::filesystem::path RegistryDirectory() {
    return Resolve("TSRN_REGISTRY_DIR", "XDG_CONFIG_HOME", ".config");
}

std::filesystem::path SystemDirectory() {
    std::string chosen = Environment("TSRN_SYSTEM_DIR");
    if (!chosen.empty()) {
        return chosen;
    }
    if (geteuid() == 0) {
        return "/usr/local/lib/tessaryn";
    }
    return HomeDirectory() / ".local/lib/tessaryn";
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

std::filesystem::path DriverDirectoryFor(const std::filesystem::path& programFolder,
                                         const std::optional<SystemRecord>& record) {
    std::error_code ec;
    const auto canonical = [&ec](const std::filesystem::path& folder) {
        return std::filesystem::weakly_canonical(folder, ec).lexically_normal();
    };
    if (!programFolder.empty()) {
        if (record && !record->systemFolder.empty() &&
            canonical(record->installFolder + "/") == canonical(programFolder.string() + "/")) {
            return record->systemFolder;
        }
        const std::filesystem::path beside = programFolder.parent_path() / "lib" / "tessaryn";
        if (std::filesystem::is_regular_file(beside / "tsrnvx", ec)) {
            return beside;
        }
    }
    return SystemDirectory();
}

std::filesystem::path DriverDirectory() {
    std::string chosen = Environment("TSRN_SYSTEM_DIR");
    if (!chosen.empty()) {
        return chosen;
    }
    return DriverDirectoryFor(ProgramFolder(), ReadSystemRecord(SystemRecordFile()));
}

std::filesystem::path ConfigDirectory() {
    std::filesystem::path xdg = Environment("XDG_CONFIG_HOME");
    return xdg.is_absolute() ? xdg : HomeDirectory() / ".config";
}

std::filesystem::path AutostartEntryFile() {
    return ConfigDirectory() / "autostart" / "tessaryn.desktop";
}

std::filesystem::path StateDirectory() {
    return Resolve("TSRN_STATE_DIR", "XDG_STATE_HOME", ".local/state");
}

}  // namespace tsrn
