#pragma once
// Small real trees for the walk and run tests.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "ReferenceFormat.h"

namespace tsrn::test {

inline void MakeFile(const std::filesystem::path& path, std::size_t length,
                     std::uint32_t seed = 1) {
    WriteBytes(path, RandomBytes(length, seed));
}

// The order a depth-first, pre-order walk must give, from the listing order:
// a folder's regular files first, then each real subfolder in turn.
inline void ExpectedOrder(const std::string& folder, std::vector<std::string>& out) {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat st {};
            lstat((folder + name).c_str(), &st);
            if (S_ISREG(st.st_mode))
                files.push_back(folder + name);
            if (S_ISDIR(st.st_mode))
                folders.push_back(folder + name + "/");
        }
        closedir(dir);
    }
    out.insert(out.end(), files.begin(), files.end());
    for (const auto& sub : folders)
        ExpectedOrder(sub, out);
}

inline void MakeSocket(const std::filesystem::path& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string text = path.string();
    std::copy(text.begin(), text.end(), address.sun_path);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(fd);
}

// A chain of folders whose full path runs past PATH_MAX, made and removed
// relative to open folders (plain paths of that length cannot be used).
inline std::string MakeDeepChain(const std::filesystem::path& root, std::string& lastFolder) {
    const std::string name(200, 'd');
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    std::string path = root.string() + "/";
    while (path.size() < PATH_MAX + 300) {
        mkdirat(fd, name.c_str(), 0755);
        int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        path += name + "/";
    }
    int file = openat(fd, "deep", O_CREAT | O_WRONLY, 0644);
    close(file);
    close(fd);
    lastFolder = path;
    return name;
}

inline void RemoveTreeAt(int parent, const char* name) {
    int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) {
        unlinkat(parent, name, 0);
        return;
    }
    if (DIR* dir = fdopendir(fd)) {
        std::vector<std::string> names;
        while (dirent* entry = readdir(dir)) {
            std::string child = entry->d_name;
            if (child != "." && child != "..")
                names.push_back(child);
        }
        for (const auto& child : names)
            RemoveTreeAt(dirfd(dir), child.c_str());
        closedir(dir);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace tsrn::test
