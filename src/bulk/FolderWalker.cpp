#include "bulk/FolderWalker.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <new>

namespace tsrn::bulk {

namespace {

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

bool KeepsExactFolderLinks(decltype(statfs::f_type) type) {
    return type == EXT4_SUPER_MAGIC || type == XFS_SUPER_MAGIC || type == TMPFS_MAGIC;
}

void CloseSearch(DIR*& search) {
    if (search != nullptr) {
        closedir(search);
        search = nullptr;
    }
}

}  // namespace

FolderWalker::FolderWalker(std::string folder) : folder_(std::move(folder)) {
    Rewind();
}

FolderWalker::~FolderWalker() {
    CloseAll();
}

void FolderWalker::CloseFileSearch() {
    CloseSearch(fileSearch_);
}

void FolderWalker::CloseAll() {
    CloseFileSearch();
    CloseFd(enteredFd_);
    hasEntered_ = false;
    for (Level& level : levels_) {
        CloseSearch(level.search);
        CloseFd(level.fd);
    }
    levels_.clear();
}

void FolderWalker::Rewind() {
    CloseAll();
    folderPath_ = folder_;
    if (!folderPath_.empty() && folderPath_.back() != '/') {
        folderPath_ += '/';
    }
    // The root itself may be a link chosen by the user; only links inside
    // the tree are never followed.
    Level root;
    root.fd = open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root.fd < 0) {
        NoteUnreadable(folder_);
    }
    levels_.push_back(root);
    phase_ = 0;
    finished_ = false;
    rootRefused_ = !PathFits(folderPath_);
    processed_.Clear();
}

int FolderWalker::CountingPass() {
    Rewind();
    totalBytes_ = 0;
    counting_ = true;
    int result = 0;
    while ((result = WalkStep()) == 0) {
    }
    counting_ = false;
    Rewind();
    return result;
}

int FolderWalker::WalkStep() {
    if (rootRefused_) {
        return -1;
    }
    if (finished_) {
        return 1;
    }
    switch (phase_) {
        case 1:
            return SearchSubfolders();
        case 2:
        case 4: {
            int result = NextFileInFolder();
            if (result == -1) {
                return -1;
            }
            if (result == 1) {
                phase_ = phase_ == 2 ? 3 : 5;
            }
            return 0;
        }
        case 3:
        case 5:
            if (!PushLevel()) {
                CloseAll();
                return -1;
            }
            return SearchSubfolders();
        default: {
            int result = NextFileInFolder();
            if (result == -1) {
                return -1;
            }
            if (result == 1) {
                phase_ = 1;
            }
            return 0;
        }
    }
}

int FolderWalker::SearchSubfolders() {
    Level& level = levels_.back();
    if (level.search == nullptr &&
        (HasNoSubfolders(level.fd) || !OpenSearch(level.fd, level.search))) {
        return Climb();
    }
    std::string name;
    if (NextSubfolderName(level, name)) {
        return Enter(level, name, false);
    }
    return Climb();
}

int FolderWalker::Enter(Level& parent, const std::string& name, bool sibling) {
    std::string path = folderPath_ + name + '/';
    if (!PathFits(path)) {
        return -1;
    }
    folderPath_ = std::move(path);
    hasEntered_ = true;
    enteredFd_ = openat(parent.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (enteredFd_ < 0) {
        NoteUnreadable(folderPath_);
    }
    int result = NextFileInFolder();
    if (result == -1) {
        return -1;
    }
    if (sibling) {
        phase_ = result == 1 ? 5 : 4;
    } else {
        phase_ = result == 1 ? 3 : 2;
    }
    return 0;
}

int FolderWalker::Climb() {
    for (;;) {
        CloseSearch(levels_.back().search);
        if (levels_.size() == 1) {
            finished_ = true;
            return 1;
        }
        CloseFd(levels_.back().fd);
        levels_.pop_back();
        // "a/b/" -> "a/": cut the folder just finished, keep its separator.
        folderPath_.pop_back();
        std::size_t cut = folderPath_.find_last_of('/');
        folderPath_.resize(cut == std::string::npos ? 0 : cut + 1);
        Level& parent = levels_.back();
        std::string name;
        if (parent.search != nullptr && NextSubfolderName(parent, name)) {
            return Enter(parent, name, true);
        }
    }
}

bool FolderWalker::PushLevel() {
    try {
        levels_.push_back(Level{enteredFd_, nullptr});
    } catch (const std::bad_alloc&) {
        return false;
    }
    enteredFd_ = -1;
    hasEntered_ = false;
    return true;
}

// Where a folder's link count is exact (2 plus one per subfolder), a count of
// 2 now means a listing for subfolders now could only come back empty, so
// most folders of a tree are listed once per pass instead of twice. Other
// file systems (btrfs, network and FUSE ones) do not keep that count, so
// they are always listed.
bool FolderWalker::HasNoSubfolders(int folderFd) {
    struct stat st {};
    if (folderFd < 0 || fstat(folderFd, &st) != 0 || st.st_nlink != 2) {
        return false;
    }
    if (!exactLinksKnown_ || st.st_dev != exactLinksDevice_) {
        struct statfs fs {};
        exactLinks_ = fstatfs(folderFd, &fs) == 0 && KeepsExactFolderLinks(fs.f_type);
        exactLinksDevice_ = st.st_dev;
        exactLinksKnown_ = true;
    }
    return exactLinks_;
}

int FolderWalker::CurrentFolderFd() const {
    return hasEntered_ ? enteredFd_ : levels_.back().fd;
}

bool FolderWalker::OpenSearch(int folderFd, DIR*& search) {
    if (folderFd < 0) {
        return false;
    }
    // A listing of its own, so two listings of one folder never share a position.
    int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    search = fdopendir(fd);
    if (search == nullptr) {
        close(fd);
        return false;
    }
    return true;
}

int FolderWalker::NextFileInFolder() {
    if (fileSearch_ == nullptr) {
        if (!OpenSearch(CurrentFolderFd(), fileSearch_)) {
            return 1;
        }
        fileSearchFolder_ = folderPath_;
    }
    std::uint64_t size = 0;
    const char* name = NextFileName(size);
    if (name == nullptr) {
        CloseFileSearch();
        return 1;
    }
    // One buffer for every path of the walk: no allocation per file.
    filePath_.assign(fileSearchFolder_).append(name);
    if (!PathFits(filePath_)) {
        return -1;
    }
    return ProcessFile(filePath_, size) ? 0 : -1;
}

// The next regular file of the listing (valid until the listing is read
// again), or nullptr at its end.
const char* FolderWalker::NextFileName(std::uint64_t& size) {
    while (dirent* entry = readdir(fileSearch_)) {
        if (IsDotOrDotDot(entry->d_name)) {
            continue;
        }
        bool known = entry->d_type != DT_UNKNOWN;
        if (known && entry->d_type != DT_REG) {
            continue;
        }
        struct stat st {};
        bool statted = (counting_ || !known) &&
                       fstatat(dirfd(fileSearch_), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (!known && !(statted && S_ISREG(st.st_mode))) {
            continue;
        }
        size = statted && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        return entry->d_name;
    }
    return nullptr;
}

bool FolderWalker::NextSubfolderName(Level& level, std::string& name) {
    while (dirent* entry = readdir(level.search)) {
        if (IsDotOrDotDot(entry->d_name)) {
            continue;
        }
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = fstatat(dirfd(level.search), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISDIR(st.st_mode);
        }
        if (isFolder) {
            name = entry->d_name;
            return true;
        }
    }
    return false;
}

bool FolderWalker::ProcessFile(const std::string& path, std::uint64_t size) {
    if (!processed_.Add(path)) {
        return true;
    }
    if (counting_) {
        totalBytes_ += size;
        return true;
    }
    return handler_ ? handler_(path) : true;
}

bool FolderWalker::PathFits(const std::string& path) {
    if (path.size() < PATH_MAX) {
        return true;
    }
    if (refusedPath_.empty()) {
        refusedPath_ = path;
    }
    return false;
}

void FolderWalker::NoteUnreadable(const std::string& path) {
    if (std::find(unreadable_.begin(), unreadable_.end(), path) == unreadable_.end()) {
        unreadable_.push_back(path);
    }
}

}  // namespace tsrn::bulk
