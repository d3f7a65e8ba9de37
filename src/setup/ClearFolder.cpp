#include "setup/ClearFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

namespace tsrn::setup {
namespace {

class Directory {
  public:
    explicit Directory(const std::string& path) {
        int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            dir_ = fdopendir(fd);
            if (dir_ == nullptr) {
                close(fd);
            }
        }
    }
    ~Directory() {
        if (dir_ != nullptr) {
            closedir(dir_);
        }
    }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    bool Valid() const { return dir_ != nullptr; }
    int Fd() const { return dirfd(dir_); }
    dirent* Next() { return readdir(dir_); }

  private:
    DIR* dir_ = nullptr;
};

bool DeleteEntry(int folderFd, const char* name) {
    struct stat info {};
    if (fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        return true;  // subfolders are left alone
    }
    if (S_ISREG(info.st_mode)) {
        fchmodat(folderFd, name, (info.st_mode & 07777) | S_IWUSR, 0);
    }
    return unlinkat(folderFd, name, 0) == 0;
}

}  // namespace

bool ClearFolder(std::string folder) {
    if (folder.empty()) {
        return false;  // never the current directory by accident
    }
    if (folder.back() != '/') {
        folder.push_back('/');
    }
    Directory directory(folder);
    if (!directory.Valid()) {
        return false;
    }
    bool result = true;
    while (dirent* entry = directory.Next()) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (!DeleteEntry(directory.Fd(), entry->d_name)) {
            result = false;
        }
    }
    if (rmdir(folder.c_str()) != 0) {
        result = false;
    }
    return result;
}

}  // namespace tsrn::setup
