#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace tsrn::test {

// Another process holding a file open until the end of the scope: what a
// mail reader, a database or an editor does to a file a run comes across.
class FileHolder {
  public:
    explicit FileHolder(const std::filesystem::path& path, int flags = O_RDONLY) {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            const int fd = open(path.c_str(), flags);
            const char said = fd >= 0 ? 'y' : 'n';
            (void)!write(ready[1], &said, 1);
            pause();
            _exit(0);
        }
        close(ready[1]);
        char said = 0;
        held_ = pid_ > 0 && read(ready[0], &said, 1) == 1 && said == 'y';
        close(ready[0]);
    }
    ~FileHolder() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool Held() const { return held_; }

  private:
    pid_t pid_ = -1;
    bool held_ = false;
};

}  // namespace tsrn::test
