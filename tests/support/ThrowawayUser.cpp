#include "ThrowawayUser.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "Mounts.h"
#include "ProcessArgs.h"

namespace tsrn::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// NUL-terminated views of `strings` for exec, prepared before fork.
// Waits for `child` until `deadline`; kills its process group past it.
int Reap(pid_t child, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            break;
        }
        if (done < 0) {
            return -1;
        }
        if (Clock::now() >= deadline) {
            ::kill(-child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

std::vector<pid_t> ProcessesOf(uid_t uid) {
    std::vector<pid_t> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        struct stat info {};
        if (name.find_first_not_of("0123456789") == std::string::npos &&
            ::stat(entry.path().c_str(), &info) == 0 && info.st_uid == uid) {
            found.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return found;
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    std::vector<char*> pointers = NullTerminated(args);
    pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
        }
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
    return Reap(child, Clock::now() + std::chrono::seconds(60));
}

bool UserExists(const std::string& name) {
    return ::getpwnam(name.c_str()) != nullptr;
}

bool GroupExists(const std::string& name) {
    return ::getgrnam(name.c_str()) != nullptr;
}

ThrowawayUser::ThrowawayUser() : name_("tsrnu" + std::to_string(::getpid())) {
    if (::geteuid() != 0) {
        error_ = "not root: no throwaway user can be made";
        return;
    }
    // A user of this name is left from an earlier process with our pid.
    if (UserExists(name_)) {
        RunProgram({"userdel", "--force", name_});
    }
    if (GroupExists(name_)) {
        RunProgram({"groupdel", name_});
    }
    std::string pattern = (fs::temp_directory_path() / (name_ + "-home-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = "no home directory could be made under " + fs::temp_directory_path().string();
        return;
    }
    home_ = pattern;
    if (RunProgram({"useradd", "--system", "--user-group", "--no-create-home", "--home-dir",
                    home_.string(), "--shell", "/usr/sbin/nologin", name_}) != 0) {
        error_ = "useradd failed for " + name_;
        return;
    }
    created_ = true;
    const passwd* entry = ::getpwnam(name_.c_str());
    if (entry == nullptr || ::chown(home_.c_str(), entry->pw_uid, entry->pw_gid) != 0) {
        error_ = "the new user " + name_ + " could not be given its home";
        return;
    }
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
    ::chmod(home_.c_str(), 0700);
}

ThrowawayUser::~ThrowawayUser() {
    Remove();
}

void ThrowawayUser::Remove() {
    if (created_ && uid_ != 0) {
        for (pid_t pid : ProcessesOf(uid_)) {
            ::kill(pid, SIGKILL);
        }
        Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        while (!ProcessesOf(uid_).empty() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!home_.empty()) {
        // Deepest first: later mounts stand on earlier ones.
        const std::vector<std::string> points = MountsBelow(home_);
        for (auto point = points.rbegin(); point != points.rend(); ++point) {
            ::umount2(point->c_str(), MNT_DETACH);
        }
        std::error_code ec;
        fs::remove_all(home_, ec);
    }
    if (created_) {
        RunProgram({"userdel", "--force", name_});
        if (GroupExists(name_)) {
            RunProgram({"groupdel", name_});
        }
    }
}

int ThrowawayUser::Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       const fs::path& log, std::chrono::seconds limit) const {
    if (!Valid()) {
        return -1;
    }
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = env;
    std::vector<char*> argPointers = NullTerminated(args);
    std::vector<char*> envPointers = NullTerminated(environment);
    const std::string logPath = log.string();
    const std::string home = home_.string();
    const gid_t groups[] = {gid_};
    pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        ::setpgid(0, 0);
        int out = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (out < 0 || in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 ||
            ::setgroups(1, groups) != 0 || ::setresgid(gid_, gid_, gid_) != 0 ||
            ::setresuid(uid_, uid_, uid_) != 0 || ::chdir(home.c_str()) != 0) {
            ::_exit(126);
        }
        ::execve(argPointers[0], argPointers.data(), envPointers.data());
        ::_exit(127);
    }
    ::setpgid(child, child);
    return Reap(child, Clock::now() + limit);
}

}  // namespace tsrn::test
