#pragma once
// Runs the real tsrnctl program as a child process: arguments, standard input,
// captured standard output and error, exit code.

#include <sys/types.h>

#include <string>
#include <vector>

namespace tsrn::test {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ToolPath();

class ToolProcess {
  public:
    ToolProcess(const std::vector<std::string>& args, const std::string& input,
                const std::vector<std::string>& extraEnv = {});
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Reads standard error until it holds `text` (or the program ended).
    bool WaitForError(const std::string& text);
    void Signal(int signal);
    ToolResult Wait();

  private:
    bool ReadSome(int fd, std::string& into);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ToolResult result_;
};

ToolResult RunTool(const std::vector<std::string>& args, const std::string& input = "",
                   const std::vector<std::string>& extraEnv = {});

}  // namespace tsrn::test
