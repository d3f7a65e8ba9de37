// Opening, reading, writing and sizing files. File data only passes through
// Read and Write, so every byte of a working folder's files is ciphered.

#include <fcntl.h>
#include <linux/falloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "AccessRules.h"
#include "CallerIdentity.h"
#include "CipheredFile.h"
#include "PositionalIo.h"
#include "Requests.h"

namespace tsrn::vx::requests {
namespace {

// The flags the stored file is opened with: never O_APPEND (positions are
// ours to give), never O_TRUNC (done under the file's lock, so the stored file
// is opened for writing then), and a ciphered file is opened for reading too,
// because partial blocks are rewritten.
int StoredFlags(int flags, bool ciphered) {
    int stored = flags & ~(O_APPEND | O_TRUNC | O_CREAT | O_EXCL | O_DIRECT | O_NOCTTY);
    int mode = stored & O_ACCMODE;
    if ((ciphered && mode == O_WRONLY) || ((flags & O_TRUNC) != 0 && mode == O_RDONLY)) {
        stored = (stored & ~O_ACCMODE) | O_RDWR;
    }
    return stored | O_CLOEXEC;
}

int Reopen(const Inode& inode, int flags, bool ciphered) {
    std::string proc = ProcPath(inode.fd.Get());
    // The entry was found without following links; its descriptor is only
    // reopened here, which passes through the /proc link by design.
    int stored = StoredFlags(flags, ciphered) & ~O_NOFOLLOW;
    int fd = ::open(proc.c_str(), stored);
    if (fd < 0 && errno == EACCES && (stored & O_ACCMODE) != (flags & O_ACCMODE)) {
        fd = ::open(proc.c_str(), (stored & ~O_ACCMODE) | (flags & O_ACCMODE));
    }
    return fd < 0 ? -errno : fd;
}

void Close(MountContext& mount, OpenFile* file) {
    mount.handles.Close(file);
}

// Takes over a freshly opened stored file as the handle of `fi`.
int Adopt(MountContext& mount, UniqueFd fd, const std::string& path, int flags,
          const FolderRules& rules, std::uint64_t generation, fuse_file_info* fi) {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return -errno;
    }
    auto file = std::make_unique<OpenFile>(mount.openFiles);
    file->lock = mount.locks.Acquire(st.st_dev, st.st_ino);
    if ((flags & O_TRUNC) != 0 && S_ISREG(st.st_mode) && st.st_size != 0) {
        if (int rc = ResizeLocked(fd.Get(), *file->lock, rules, 0); rc != 0) {
            return rc;
        }
    }
    file->fd = std::move(fd);
    file->absolutePath = path;
    file->append = (flags & O_APPEND) != 0;
    file->registryId = mount.openFiles.Add(path);
    // The page cache holds what reads returned. It is kept from one open to
    // the next only while no folder, state or key changed in between, so a
    // file switched between states or reciphered is read afresh.
    fi->direct_io = 0;
    // Flush does nothing here (no write-back, no locks kept by the driver),
    // so closing a file need not wait for a round trip.
    fi->noflush = 1;
    fi->keep_cache = mount.locks.SameGenerationAsLastOpen(st.st_dev, st.st_ino, generation) ? 1 : 0;
    mount.handles.Add(file.get());
    fi->fh = reinterpret_cast<std::uint64_t>(file.release());
    return 0;
}

std::vector<std::uint8_t>& ReadBuffer() {
    thread_local std::vector<std::uint8_t> buffer;
    return buffer;
}

// A transfer cut short by an error reports what was done before it.
ssize_t Reported(const IoDone& done) {
    return done.error != 0 && done.bytes == 0 ? -done.error : static_cast<ssize_t>(done.bytes);
}

}  // namespace

void Open(fuse_req_t request, fuse_ino_t id, fuse_file_info* fi) {
    MountContext& mount = Mount(request);
    std::uint64_t generation = mount.table.Generation();
    Inode& inode = mount.inodes.Get(id);
    std::string path = mount.inodes.PathOf(inode);
    FolderRules rules = mount.RulesFor(path);
    int rc = access::Open(rules, fi->flags);
    if (rc == 0) {
        int fd = Reopen(inode, fi->flags, rules.Ciphered());
        rc = fd < 0 ? fd : Adopt(mount, UniqueFd(fd), path, fi->flags, rules, generation, fi);
    }
    if (rc != 0) {
        fuse_reply_err(request, -rc);
    } else if (fuse_reply_open(request, fi) != 0) {
        Close(mount, &FileOf(fi));  // the caller is gone: no release will come
    }
}

void Create(fuse_req_t request, fuse_ino_t parentId, const char* name, mode_t mode,
            fuse_file_info* fi) {
    MountContext& mount = Mount(request);
    std::uint64_t generation = mount.table.Generation();
    Inode& parent = mount.inodes.Get(parentId);
    if (!ValidName(name)) {
        fuse_reply_err(request, EINVAL);
        return;
    }
    std::string path = mount.inodes.PathOf(parent, name);
    FolderRules rules = mount.RulesFor(path);
    int rc = access::Create(rules);
    UniqueFd fd;
    if (rc == 0) {
        CallerIdentity caller(mount.asRoot, request);
        int flags =
            StoredFlags(fi->flags, rules.Ciphered()) | O_CREAT | (fi->flags & O_EXCL) | O_NOFOLLOW;
        fd.Reset(::openat(parent.fd.Get(), name, flags, mode & 07777));
        rc = fd.Valid() ? 0 : -errno;
    }
    fuse_entry_param entry{};
    if (rc == 0) {
        rc = Lookup(mount, parent, name, entry);
    }
    if (rc == 0) {
        rc = Adopt(mount, std::move(fd), path, fi->flags, rules, generation, fi);
        if (rc != 0) {
            mount.inodes.Forget(entry.ino, 1);
        }
    }
    if (rc != 0) {
        fuse_reply_err(request, -rc);
    } else if (fuse_reply_create(request, &entry, fi) != 0) {
        Close(mount, &FileOf(fi));
        mount.inodes.Forget(entry.ino, 1);
    }
}

void Read(fuse_req_t request, fuse_ino_t, size_t size, off_t offset, fuse_file_info* fi) {
    OpenFile& file = FileOf(fi);
    FolderRules rules = Mount(request).RulesFor(file.absolutePath);
    auto& buffer = ReadBuffer();
    std::size_t skip = 0;
    ssize_t got;
    if (rules.Ciphered()) {
        std::shared_lock guard(*file.lock);
        got = CipheredFile(file.fd.Get(), rules.key).ReadInPlace(buffer, size, offset, skip);
    } else {
        if (buffer.size() < size) {
            buffer.resize(size);
        }
        got = Reported(ReadAt(file.fd.Get(), buffer.data(), size, offset));
    }
    if (got < 0) {
        fuse_reply_err(request, static_cast<int>(-got));
        return;
    }
    fuse_reply_buf(request, reinterpret_cast<const char*>(buffer.data() + skip),
                   static_cast<size_t>(got));
}

void Write(fuse_req_t request, fuse_ino_t, const char* data, size_t size, off_t offset,
           fuse_file_info* fi) {
    OpenFile& file = FileOf(fi);
    FolderRules rules = Mount(request).RulesFor(file.absolutePath);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    ssize_t put;
    {
        std::unique_lock guard(*file.lock);
        struct stat st {};
        if (file.append && ::fstat(file.fd.Get(), &st) != 0) {
            put = -errno;
        } else {
            off_t at = file.append ? st.st_size : offset;
            put = rules.Ciphered() ? CipheredFile(file.fd.Get(), rules.key).Write(bytes, size, at)
                                   : Reported(WriteAt(file.fd.Get(), bytes, size, at));
        }
    }
    if (put < 0) {
        fuse_reply_err(request, static_cast<int>(-put));
    } else {
        fuse_reply_write(request, static_cast<size_t>(put));
    }
}

void Flush(fuse_req_t request, fuse_ino_t, fuse_file_info*) {
    fuse_reply_err(request, 0);
}

void Release(fuse_req_t request, fuse_ino_t, fuse_file_info* fi) {
    Close(Mount(request), &FileOf(fi));
    fuse_reply_err(request, 0);
}

void Sync(fuse_req_t request, fuse_ino_t, int dataOnly, fuse_file_info* fi) {
    int fd = FileOf(fi).fd.Get();
    int rc = dataOnly != 0 ? ::fdatasync(fd) : ::fsync(fd);
    fuse_reply_err(request, rc == 0 ? 0 : errno);
}

void Allocate(fuse_req_t request, fuse_ino_t, int mode, off_t offset, off_t length,
              fuse_file_info* fi) {
    OpenFile& file = FileOf(fi);
    FolderRules rules = Mount(request).RulesFor(file.absolutePath);
    int rc = access::Change(rules);
    if (rc == 0) {
        std::unique_lock guard(*file.lock);
        if (!rules.Ciphered()) {
            rc = ::fallocate(file.fd.Get(), mode, offset, length) == 0 ? 0 : -errno;
        } else if (mode != 0 && mode != FALLOC_FL_KEEP_SIZE) {
            // Punching or zeroing would leave raw zeros, which are not
            // enciphered zeros; only plain allocation keeps the format.
            rc = -EOPNOTSUPP;
        } else if (offset < 0 || length <= 0) {
            rc = -EINVAL;
        } else {
            struct stat st {};
            rc = ::fstat(file.fd.Get(), &st) == 0 ? 0 : -errno;
            if (rc == 0 && mode == 0 && offset + length > st.st_size) {
                rc = CipheredFile(file.fd.Get(), rules.key).Resize(offset + length);
            }
            if (rc == 0 && ::fallocate(file.fd.Get(), mode, offset, length) != 0 &&
                errno != EOPNOTSUPP) {
                rc = -errno;
            }
        }
    }
    fuse_reply_err(request, -rc);
}

}  // namespace tsrn::vx::requests
