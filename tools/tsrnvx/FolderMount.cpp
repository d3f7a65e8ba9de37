#include "FolderMount.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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
        return;
    }
    pid_t child = ::fork();
    if (child == 0) {
        ::execlp("fusermount3", "fusermount3", "-u", "-z", "-q", "--", path.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
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
    if (fuse_mount(mount->fuse_, path.c_str()) != 0) {
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
