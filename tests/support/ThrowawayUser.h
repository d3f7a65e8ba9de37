#pragma once
// A system user of its own for one test process ("tsrnu<pid>"), with a home
// directory under $TMPDIR that it owns, removed with its group and home at
// the end. Only root can make one; Error() then says why not.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tsrn::test {

class ThrowawayUser {
  public:
    ThrowawayUser();
    ~ThrowawayUser();
    ThrowawayUser(const ThrowawayUser&) = delete;
    ThrowawayUser& operator=(const ThrowawayUser&) = delete;

    bool Valid() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    const std::string& Name() const { return name_; }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }
    const std::filesystem::path& Home() const { return home_; }

    // Runs `argv` as this user with exactly `env`, standard output and error
    // going to `log`. Returns the exit status, 128 + signal when it died, or -1
    // when it could not start or outlived `limit` (then its group is killed).
    int Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::filesystem::path& log, std::chrono::seconds limit) const;

  private:
    void Remove();

    std::string name_;
    std::string error_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::filesystem::path home_;
    bool created_ = false;
};

// Whether `name` has an entry in the user or group database.
bool UserExists(const std::string& name);
bool GroupExists(const std::string& name);
// Runs a program (no shell) as the caller; its exit status, or -1.
int RunProgram(const std::vector<std::string>& argv);

}  // namespace tsrn::test
