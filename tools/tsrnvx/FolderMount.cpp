#include "FolderMount.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "FusermountHelper.h"
#include "Log.h"
#include "VxOperations.h"

namespace tsrn::vx {
namespace {

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

// As root the session mounts itself; an ordinary user's mount is made by
// fusermount3 and the session takes over its device descriptor.
bool MountSession(fuse* session, const std::string& path, const std::string& options) {
    if (RunningAsRoot()) {
        return fuse_mount(session, path.c_str()) == 0;
    }
    int device = MountThroughFusermount(path, options);
    if (device < 0) {
        return false;
    }
    std::string devicePath = "/dev/fd/" + std::to_string(device);
    if (fuse_mount(session, devicePath.c_str()) != 0) {
        ::close(device);
        UnmountThroughFusermount(path);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<FolderMount> FolderMount::Start(const std::string& path, FolderTable& table,
                                                OpenFileRegistry& openFiles, FileLockTable& locks,
                                                std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    bool asRoot = RunningAsRoot();
    std::unique_ptr<FolderMount> mount(new FolderMount(
        std::make_unique<MountContext>(path, UniqueFd(fd), table, openFiles, locks, asRoot)));

    std::string options = "fsname=tsrnvx,subtype=tsrnvx,default_permissions";
    if (asRoot) {
        options += ",allow_other";
    }
    std::vector<std::string> words{"tsrnvx", "-o", options};
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    mount->fuse_ = fuse_new(&args, &VxOperations(), sizeof(fuse_operations), mount->context_.get());
    if (mount->fuse_ == nullptr) {
        error = "cannot create the file system session";
        return nullptr;
    }
    if (!MountSession(mount->fuse_, path, options)) {
        fuse_destroy(mount->fuse_);
        mount->fuse_ = nullptr;
        error = "mount refused";
        return nullptr;
    }
    mount->loop_ = std::thread([raw = mount.get()] { raw->Serve(); });
    return mount;
}

void FolderMount::Serve() {
    fuse_loop_config* config = fuse_loop_cfg_create();
    fuse_loop_cfg_set_clone_fd(config, 0);
    fuse_loop_cfg_set_idle_threads(config, 4);
    fuse_loop_cfg_set_max_threads(config, 16);
    fuse_loop_mt(fuse_, config);
    fuse_loop_cfg_destroy(config);
    finished_.store(true);
}

void FolderMount::Detach(std::unique_ptr<FolderTable> rules) {
    if (!detached_ && fuse_ != nullptr) {
        if (rules) {
            context_->Freeze(std::move(rules));
        }
        detached_ = true;
        LazyUnmount(context_->mountPath);
    }
}

void FolderMount::Join() {
    if (loop_.joinable()) {
        loop_.join();
    }
    if (fuse_ != nullptr) {
        // The connection is gone, so this only releases the session.
        fuse_unmount(fuse_);
        fuse_destroy(fuse_);
        fuse_ = nullptr;
    }
}

FolderMount::~FolderMount() {
    Detach();
    Join();
}

}  // namespace tsrn::vx
