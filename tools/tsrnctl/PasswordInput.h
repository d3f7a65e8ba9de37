#pragma once
// Passwords for tsrnctl: from the terminal without echo, or one per line from
// standard input. Buffers holding a password are wiped when dropped.

#include <cstdio>
#include <optional>
#include <string>

namespace tsrnctl {

class PasswordInput {
  public:
    explicit PasswordInput(bool fromStdin) : fromStdin_(fromStdin) {}

    // Nothing (after a message on standard error) when no password could be
    // read, or it is longer than the cipher admits. With `confirm`, the
    // terminal asks twice and refuses two different entries.
    [[nodiscard]] std::optional<std::string> Read(const char* prompt, bool confirm);

  private:
    [[nodiscard]] std::optional<std::string> ReadLine(std::FILE* in);
    [[nodiscard]] std::optional<std::string> ReadFromTerminal(const char* prompt);

    bool fromStdin_;
};

}  // namespace tsrnctl
