#include "PasswordInput.h"

#include <termios.h>
#include <unistd.h>

#include "Commands.h"
#include "crypto/KeyDerivation.h"
#include "crypto/SecretWipe.h"

namespace tsrnctl {

std::optional<std::string> PasswordInput::ReadLine(std::FILE* in) {
    std::string line;
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        line.push_back(static_cast<char>(c));
    }
    if (c == EOF && line.empty()) {
        return std::nullopt;
    }
    return line;
}

std::optional<std::string> PasswordInput::ReadFromTerminal(const char* prompt) {
    std::FILE* tty = std::fopen("/dev/tty", "r+");
    if (tty == nullptr) {
        Complain("no terminal to read the password from (use --password-stdin)");
        return std::nullopt;
    }
    std::fputs(prompt, tty);
    std::fflush(tty);
    termios saved{};
    const bool haveTermios = tcgetattr(fileno(tty), &saved) == 0;
    if (haveTermios) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
    }
    std::optional<std::string> line = ReadLine(tty);
    if (haveTermios) {
        tcsetattr(fileno(tty), TCSAFLUSH, &saved);
    }
    std::fputs("\n", tty);
    std::fclose(tty);
    return line;
}

std::optional<std::string> PasswordInput::Read(const char* prompt, bool confirm) {
    std::optional<std::string> password;
    if (fromStdin_) {
        password = ReadLine(stdin);
        if (!password) {
            Complain("standard input holds no password line");
        }
    } else {
        password = ReadFromTerminal(prompt);
        if (password && confirm) {
            std::optional<std::string> again = ReadFromTerminal("Repeat password: ");
            const bool same = again && *again == *password;
            if (again) {
                tsrn::crypto::WipeSecret(*again);
            }
            if (!same) {
                tsrn::crypto::WipeSecret(*password);
                Complain("the two passwords differ");
                return std::nullopt;
            }
        }
    }
    if (password && !tsrn::crypto::PasswordLengthAllowed(*password)) {
        tsrn::crypto::WipeSecret(*password);
        Complain("passwords longer than 252 bytes are not supported");
        return std::nullopt;
    }
    return password;
}

}  // namespace tsrnctl
