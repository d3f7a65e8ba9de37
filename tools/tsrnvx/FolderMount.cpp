#include "FolderMount.h"

#define FUSE_USE_VERSION 314
#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "FusermountHelper.h"
#include "Log.h"
#include "LowLevelOps.h"

namespace tsrn::vx {
namespace {

constexpr const char* kOptions = "fsname=tsrnvx,subtype=tsrnvx,default_permissions";

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

void LazyUnmount(const std::string& path) {
    if (RunningAsRoot()) {
        if (::umount2(path.c_str(), MNT_DETACH) != 0 && errno != EINVAL) {
            Log("cannot unmount %s: %s", path.c_str(), std::strerror(errno));
        }
    } else if (!UnmountThroughFusermount(path)) {
        Log("cannot unmount %s through fusermount3", path.c_str());
    }
}

// As root the driver mounts itself; an ordinary user's mount is made by
// fusermount3. Either way the session only gets the device descriptor, so
// libfuse never unmounts anything on its own.
int MountDevice(const std::string& path) {
    if (!RunningAsRoot()) {
        return MountThroughFusermount(path, kOptions);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return -1;
    }
    int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char data[160];
    std::snprintf(data, sizeof data,
                  "fd=%d,rootmode=%o,user_id=%u,group_id=%u,default_permissions,allow_other", fd,
                  st.st_mode & S_IFMT, ::getuid(), ::getgid());
    if (::mount("tsrnvx", path.c_str(), "fuse.tsrnvx", MS_NOSUID | MS_NODEV, data) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The kernel reads ahead 128 KiB at a time on a new mount; requests of up to
// 1 MiB cost fewer round trips. Only root may change it; failing is harmless.
void RaiseReadahead(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return;
    }
    char knob[96];
    std::snprintf(knob, sizeof knob, "/sys/class/bdi/%u:%u/read_ahead_kb", major(st.st_dev),
                  minor(st.st_dev));
    int fd = ::open(knob, O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        [[maybe_unused]] ssize_t put = ::write(fd, "1024", 4);
        ::close(fd);
    }
}

fuse_session* NewSession(MountContext* context) {
    std::vector<std::string> words{"tsrnvx", "-o", kOptions};
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    fuse_session* session =
        fuse_session_new(&args, &LowLevelOperations(), sizeof(fuse_lowlevel_ops), context);
    fuse_opt_free_args(&args);
    return session;
}

}  // namespace

std::unique_ptr<FolderMount> FolderMount::Start(const std::string& path, FolderTable& table,
                                                OpenFileRegistry& openFiles, FileLockTable& locks,
                                                WorkerPool& pool, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<FolderMount> mount(
        new FolderMount(std::make_unique<MountContext>(path, UniqueFd(fd), table, openFiles, locks,
                                                       RunningAsRoot()),
                        pool));
    mount->session_ = NewSession(mount->context_.get());
    if (mount->session_ == nullptr) {
        error = "cannot create the file system session";
        return nullptr;
    }
    int device = MountDevice(path);
    if (device < 0) {
        error = "mount refused";
        return nullptr;
    }
    std::string devicePath = "/dev/fd/" + std::to_string(device);
    if (fuse_session_mount(mount->session_, devicePath.c_str()) != 0) {
        ::close(device);
        LazyUnmount(path);
        error = "mount refused";
        return nullptr;
    }
    mount->mounted_ = true;
    mount->channel_ = pool.Add(mount->session_);
    if (!mount->channel_) {
        mount->Detach();
        error = "cannot serve the mount";
        return nullptr;
    }
    if (RunningAsRoot()) {
        RaiseReadahead(path);
    }
    return mount;
}

void FolderMount::Detach(std::unique_ptr<FolderTable> rules) {
    if (mounted_ && !detached_) {
        if (rules) {
            context_->Freeze(std::move(rules));
        }
        detached_ = true;
        LazyUnmount(context_->mountPath);
    }
}

bool FolderMount::Release() {
    if (channel_ && !pool_.Remove(*channel_)) {
        return false;
    }
    channel_.reset();
    if (session_ != nullptr) {
        // Closing the device ends a connection the kernel still holds.
        fuse_session_destroy(session_);
        session_ = nullptr;
    }
    return true;
}

FolderMount::~FolderMount() {
    Detach();
    while (!Release()) {
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
}

}  // namespace tsrn::vx
