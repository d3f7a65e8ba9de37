#include "bulk/OwnFiles.h"

#include <string.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/Locations.h"

namespace tsrn::bulk {

namespace {

constexpr const char* kSqliteSideFiles[] = {"-wal", "-shm", "-journal"};

}  // namespace

bool OwnFiles::Folder::Guards(const char* name) const {
    if (names.empty()) {
        return true;
    }
    const std::size_t length = strlen(name);
    for (const std::string& own : names) {
        if (length < own.size() || own.compare(0, own.size(), name, own.size()) != 0) {
            continue;
        }
        const char* rest = name + own.size();
        if (*rest == '\0') {
            return true;
        }
        if (!sqlite) {
            continue;
        }
        for (const char* side : kSqliteSideFiles) {
            if (strcmp(rest, side) == 0) {
                return true;
            }
        }
        // A super-journal of a transaction over several databases.
        if (strncmp(rest, "-mj", 3) == 0) {
            return true;
        }
    }
    return false;
}

OwnFiles OwnFiles::OfThisProcess() {
    OwnFiles own;
    own.AddFolder(RegistryDirectory().string(), {"system.db", "user.db"}, true);
    own.AddFolder(StateDirectory().string());
    own.AddFolder(SystemDirectory().string(), {"tsrnvx", "libtsrnfw.so.1", "libtsrnrt.so.1"});
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        own.AddFile(program.string());
        own.AddFolder(program.parent_path().string(),
                      {"tsrn", "tsrnctl", "tsrnvx", "remover", "tsrn.html"});
    }
    return own;
}

void OwnFiles::AddFolder(const std::string& path, std::vector<std::string> names, bool sqlite) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        folders_.push_back(Folder{st.st_dev, st.st_ino, std::move(names), sqlite});
    }
}

void OwnFiles::AddFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        files_.push_back(File{st.st_dev, st.st_ino});
    }
}

const OwnFiles::Folder* OwnFiles::FolderRule(dev_t device, ino_t inode) const {
    for (const Folder& folder : folders_) {
        if (folder.device == device && folder.inode == inode) {
            return &folder;
        }
    }
    return nullptr;
}

bool OwnFiles::IsOwnFile(dev_t device, ino_t inode) const {
    for (const File& file : files_) {
        if (file.device == device && file.inode == inode) {
            return true;
        }
    }
    return false;
}

}  // namespace tsrn::bulk
