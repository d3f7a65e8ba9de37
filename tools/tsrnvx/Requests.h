#pragma once
// What the request groups share: the mount, its entries, open files and the
// way an entry is looked up and answered.

#define FUSE_USE_VERSION 314
#include <fuse_lowlevel.h>
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>

#include "MountContext.h"

namespace tsrn::vx::requests {

// How long the kernel may keep names and attributes: every change goes
// through this driver, which answers with fresh attributes.
inline constexpr double kCacheSeconds = 1.0;

struct OpenFile : Handle {
    explicit OpenFile(OpenFileRegistry& openFiles) : registry(openFiles) {}
    ~OpenFile() override {
        if (registryId != 0) {
            registry.Remove(registryId);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    OpenFileRegistry& registry;
    UniqueFd fd;
    std::shared_ptr<std::shared_mutex> lock;
    std::string absolutePath;
    std::uint64_t registryId = 0;
    bool append = false;
};

inline MountContext& Mount(fuse_req_t request) {
    return *static_cast<MountContext*>(fuse_req_userdata(request));
}
inline Inode& InodeOf(fuse_req_t request, fuse_ino_t id) {
    return Mount(request).inodes.Get(id);
}
inline OpenFile& FileOf(const fuse_file_info* fi) {
    return *reinterpret_cast<OpenFile*>(fi->fh);
}

std::string ProcPath(int fd);
// A single component that stays in its folder.
bool ValidName(const char* name);
[[nodiscard]] int StatOf(const Inode& inode, struct stat& st);
// Looks `name` up in `parent` without following it and counts the lookup.
[[nodiscard]] int Lookup(MountContext& mount, Inode& parent, const char* name,
                         fuse_entry_param& entry);
// Answers with the entry, or the error when rc is not 0.
void ReplyEntry(fuse_req_t request, int rc, const fuse_entry_param& entry);
// Size changes of a ciphered file re-encode its end, under the file's lock.
[[nodiscard]] int ResizeLocked(int fd, std::shared_mutex& lock, const FolderRules& rules,
                               off_t size);

// The request groups.
void LookupEntry(fuse_req_t, fuse_ino_t, const char*);
void Forget(fuse_req_t, fuse_ino_t, std::uint64_t);
void ForgetMulti(fuse_req_t, size_t, fuse_forget_data*);
void GetAttr(fuse_req_t, fuse_ino_t, fuse_file_info*);
void SetAttr(fuse_req_t, fuse_ino_t, struct stat*, int, fuse_file_info*);
void ReadLink(fuse_req_t, fuse_ino_t);
void StatFs(fuse_req_t, fuse_ino_t);

void MakeNode(fuse_req_t, fuse_ino_t, const char*, mode_t, dev_t);
void MakeDir(fuse_req_t, fuse_ino_t, const char*, mode_t);
void MakeSymlink(fuse_req_t, const char*, fuse_ino_t, const char*);
void Unlink(fuse_req_t, fuse_ino_t, const char*);
void RemoveDir(fuse_req_t, fuse_ino_t, const char*);
void Link(fuse_req_t, fuse_ino_t, fuse_ino_t, const char*);
void Rename(fuse_req_t, fuse_ino_t, const char*, fuse_ino_t, const char*, unsigned int);

void OpenDir(fuse_req_t, fuse_ino_t, fuse_file_info*);
void ReadDir(fuse_req_t, fuse_ino_t, size_t, off_t, fuse_file_info*);
void ReadDirPlus(fuse_req_t, fuse_ino_t, size_t, off_t, fuse_file_info*);
void ReleaseDir(fuse_req_t, fuse_ino_t, fuse_file_info*);
void SyncDir(fuse_req_t, fuse_ino_t, int, fuse_file_info*);

void Open(fuse_req_t, fuse_ino_t, fuse_file_info*);
void Create(fuse_req_t, fuse_ino_t, const char*, mode_t, fuse_file_info*);
void Read(fuse_req_t, fuse_ino_t, size_t, off_t, fuse_file_info*);
void Write(fuse_req_t, fuse_ino_t, const char*, size_t, off_t, fuse_file_info*);
void Flush(fuse_req_t, fuse_ino_t, fuse_file_info*);
void Release(fuse_req_t, fuse_ino_t, fuse_file_info*);
void Sync(fuse_req_t, fuse_ino_t, int, fuse_file_info*);
void Allocate(fuse_req_t, fuse_ino_t, int, off_t, off_t, fuse_file_info*);

void SetXattr(fuse_req_t, fuse_ino_t, const char*, const char*, size_t, int);
void GetXattr(fuse_req_t, fuse_ino_t, const char*, size_t);
void ListXattr(fuse_req_t, fuse_ino_t, size_t);
void RemoveXattr(fuse_req_t, fuse_ino_t, const char*);

}  // namespace tsrn::vx::requests
