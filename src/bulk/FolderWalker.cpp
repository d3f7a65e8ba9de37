#include "bulk/FolderWalker.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
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

// What a walk needs to know of a folder it opened; the mount id is 0 where
// the kernel does not give it.
bool LookAt(int fd, struct statx& st) {
    return statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_MNT_ID, &st) == 0;
}

std::uint64_t MountOf(const struct statx& st) {
    return (st.stx_mask & STATX_MNT_ID) != 0 ? st.stx_mnt_id : 0;
}

dev_t DeviceOf(const struct statx& st) {
    return makedev(st.stx_dev_major, st.stx_dev_minor);
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

FolderWalker::FolderWalker(std::string folder, OwnFiles own)
    : folder_(std::move(folder)), own_(std::move(own)) {
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
    CloseFd(entered_.fd);
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
    struct statx st {};
    if (root.fd < 0) {
        NoteUnreadable(folder_);
    } else if (LookAt(root.fd, st)) {
        rootDevice_ = DeviceOf(st);
        rootMount_ = MountOf(st);
        root.own = own_.FolderRule(rootDevice_, st.stx_ino);
        if (root.own != nullptr && root.own->names.empty()) {
            NoteSkipped(folderPath_, SkipReason::OwnFile);
            CloseFd(root.fd);
        }
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
    linkNames_.clear();
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
        (HasNoSubfolders(level) || !OpenSearch(level.fd, level.search))) {
        return Climb();
    }
    std::string name;
    if (NextSubfolder(level, name)) {
        return Enter(name, false);
    }
    return Climb();
}

// The folder NextSubfolder has opened (or failed to open) becomes the current one.
int FolderWalker::Enter(const std::string& name, bool sibling) {
    std::string path = folderPath_ + name + '/';
    if (!PathFits(path)) {
        CloseFd(entered_.fd);
        return -1;
    }
    folderPath_ = std::move(path);
    hasEntered_ = true;
    if (entered_.fd < 0) {
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
        if (parent.search != nullptr && NextSubfolder(parent, name)) {
            return Enter(name, true);
        }
    }
}

bool FolderWalker::PushLevel() {
    try {
        levels_.push_back(entered_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    entered_ = Level{};
    hasEntered_ = false;
    return true;
}

// Where a folder's link count is exact (2 plus one per subfolder), a count of
// 2 now means a listing for subfolders now could only come back empty, so
// most folders of a tree are listed once per pass instead of twice. Other
// file systems (btrfs, network and FUSE ones) do not keep that count, so
// they are always listed.
bool FolderWalker::HasNoSubfolders(const Level& level) {
    // Asked now, not when the folder was entered: subfolders may have been
    // made while its files were handled.
    struct stat st {};
    if (level.fd < 0 || fstat(level.fd, &st) != 0 || st.st_nlink != 2) {
        return false;
    }
    // The whole walk is on the root's file system.
    if (!exactLinksKnown_) {
        struct statfs fs {};
        exactLinks_ = fstatfs(level.fd, &fs) == 0 && KeepsExactFolderLinks(fs.f_type);
        exactLinksKnown_ = true;
    }
    return exactLinks_;
}

int FolderWalker::CurrentFolderFd() const {
    return hasEntered_ ? entered_.fd : levels_.back().fd;
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
        fileSearchOwn_ = hasEntered_ ? entered_.own : levels_.back().own;
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
    currentFileFolder_ = dirfd(fileSearch_);
    currentFileName_ = name;
    const bool goOn = ProcessFile(filePath_, size);
    currentFileFolder_ = -1;
    currentFileName_ = nullptr;
    return goOn ? 0 : -1;
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
        if (fileSearchOwn_ != nullptr && fileSearchOwn_->Guards(entry->d_name)) {
            NoteSkipped(fileSearchFolder_ + entry->d_name, SkipReason::OwnFile);
            continue;
        }
        struct stat st {};
        bool statted = (counting_ || !known) &&
                       fstatat(dirfd(fileSearch_), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (!known && !(statted && S_ISREG(st.st_mode))) {
            continue;
        }
        size = statted && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        if (counting_ && statted && S_ISREG(st.st_mode) && st.st_nlink > 1) {
            ++linkNames_[InodeKey{st.st_dev, st.st_ino}];
        }
        return entry->d_name;
    }
    return nullptr;
}

// The next subfolder of the listing, opened into entered_ (fd -1 when it
// cannot be opened). Folders of another mount and the program's own are
// passed over.
bool FolderWalker::NextSubfolder(Level& level, std::string& name) {
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
        if (!isFolder) {
            continue;
        }
        entered_ = Level{};
        entered_.fd =
            openat(level.fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (entered_.fd >= 0 && !Admit(entered_.fd, folderPath_ + entry->d_name, entered_)) {
            CloseFd(entered_.fd);
            continue;
        }
        name = entry->d_name;
        return true;
    }
    return false;
}

// A folder on another mount (a bind mount of the same file system included)
// or one of the program's own is left out and noted.
bool FolderWalker::Admit(int fd, const std::string& path, Level& looked) {
    struct statx st {};
    if (!LookAt(fd, st)) {
        return true;  // its listing will tell
    }
    const std::uint64_t mount = MountOf(st);
    if (DeviceOf(st) != rootDevice_ || (rootMount_ != 0 && mount != rootMount_)) {
        NoteSkipped(path + '/', SkipReason::OtherFileSystem);
        return false;
    }
    looked.own = own_.FolderRule(DeviceOf(st), st.stx_ino);
    if (looked.own != nullptr && looked.own->names.empty()) {
        NoteSkipped(path + '/', SkipReason::OwnFile);
        return false;
    }
    return true;
}

std::size_t FolderWalker::NamesFound(dev_t device, ino_t inode) const {
    auto it = linkNames_.find(InodeKey{device, inode});
    return it == linkNames_.end() ? 0 : it->second;
}

void FolderWalker::NoteSkipped(const std::string& path, SkipReason reason) {
    for (const SkippedFile& skipped : skipped_) {
        if (skipped.path == path) {
            return;
        }
    }
    skipped_.push_back(SkippedFile{path, reason});
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
