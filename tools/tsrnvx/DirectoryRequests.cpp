// Listing folders. With readdirplus the attributes travel with the names, so
// listing a folder and then opening its files costs no lookup per file.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "AccessRules.h"
#include "Requests.h"

namespace tsrn::vx::requests {
namespace {

struct DirHandle : Handle {
    explicit DirHandle(DIR* opened) : dir(opened) {}
    ~DirHandle() override { ::closedir(dir); }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;

    DIR* dir;
    off_t offset = 0;
    dirent* pending = nullptr;  // read but not yet handed out
};

DirHandle& DirOf(const fuse_file_info* fi) {
    return *reinterpret_cast<DirHandle*>(fi->fh);
}

bool IsDots(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Adds one entry to `out`; 0 when it did not fit (nothing counted then).
size_t AddEntry(fuse_req_t request, MountContext& mount, Inode& folder, const dirent& found,
                bool plus, char* out, size_t room, off_t next, bool& skip) {
    skip = false;
    if (!plus || IsDots(found.d_name)) {
        struct stat st {};
        st.st_ino = found.d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(found.d_type));
        if (!plus) {
            size_t size = fuse_add_direntry(request, out, room, found.d_name, &st, next);
            return size > room ? 0 : size;
        }
        fuse_entry_param entry{};
        entry.attr = st;
        size_t size = fuse_add_direntry_plus(request, out, room, found.d_name, &entry, next);
        return size > room ? 0 : size;
    }
    fuse_entry_param entry{};
    if (Lookup(mount, folder, found.d_name, entry) != 0) {
        skip = true;  // gone since it was listed
        return 0;
    }
    size_t size = fuse_add_direntry_plus(request, out, room, found.d_name, &entry, next);
    if (size > room) {
        mount.inodes.Forget(entry.ino, 1);
        return 0;
    }
    return size;
}

void List(fuse_req_t request, fuse_ino_t id, size_t size, off_t offset, fuse_file_info* fi,
          bool plus) {
    MountContext& mount = Mount(request);
    Inode& folder = mount.inodes.Get(id);
    DirHandle& handle = DirOf(fi);
    if (offset != handle.offset) {
        ::seekdir(handle.dir, offset);
        handle.pending = nullptr;
        handle.offset = offset;
    }
    std::vector<char> buffer(size);
    size_t used = 0;
    int error = 0;
    for (;;) {
        if (handle.pending == nullptr) {
            errno = 0;
            handle.pending = ::readdir(handle.dir);
            if (handle.pending == nullptr) {
                error = errno;
                break;
            }
        }
        off_t next = handle.pending->d_off;
        bool skip = false;
        size_t added = AddEntry(request, mount, folder, *handle.pending, plus, buffer.data() + used,
                                size - used, next, skip);
        if (added == 0 && !skip) {
            break;
        }
        used += added;
        handle.pending = nullptr;
        handle.offset = next;
    }
    if (error != 0 && used == 0) {
        fuse_reply_err(request, error);
        return;
    }
    fuse_reply_buf(request, buffer.data(), used);
}

}  // namespace

void OpenDir(fuse_req_t request, fuse_ino_t id, fuse_file_info* fi) {
    MountContext& mount = Mount(request);
    Inode& folder = mount.inodes.Get(id);
    if (int rc = access::List(mount.RulesOf(folder)); rc != 0) {
        fuse_reply_err(request, -rc);
        return;
    }
    int fd = ::openat(folder.fd.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fuse_reply_err(request, errno);
        return;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        int error = errno;
        ::close(fd);
        fuse_reply_err(request, error);
        return;
    }
    auto* handle = new DirHandle(dir);
    mount.handles.Add(handle);
    fi->fh = reinterpret_cast<std::uint64_t>(handle);
    if (fuse_reply_open(request, fi) != 0) {
        mount.handles.Close(handle);
    }
}

void ReadDir(fuse_req_t request, fuse_ino_t id, size_t size, off_t offset, fuse_file_info* fi) {
    List(request, id, size, offset, fi, false);
}

void ReadDirPlus(fuse_req_t request, fuse_ino_t id, size_t size, off_t offset, fuse_file_info* fi) {
    List(request, id, size, offset, fi, true);
}

void ReleaseDir(fuse_req_t request, fuse_ino_t, fuse_file_info* fi) {
    Mount(request).handles.Close(&DirOf(fi));
    fuse_reply_err(request, 0);
}

void SyncDir(fuse_req_t request, fuse_ino_t, int, fuse_file_info* fi) {
    int rc = ::fsync(::dirfd(DirOf(fi).dir));
    fuse_reply_err(request, rc == 0 ? 0 : errno);
}

}  // namespace tsrn::vx::requests
