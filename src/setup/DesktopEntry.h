#pragma once
// A freedesktop menu entry (.desktop file) that starts one program, the
// counterpart of a shell link.

#include <string>
#include <vector>

namespace tsrn::setup {

struct DesktopEntry {
    std::string name;
    std::string program;  // absolute path of the program
    std::vector<std::string> arguments;
    std::string icon;              // empty: none
    std::string workingDirectory;  // empty: none
    std::string comment;           // empty: none
    bool terminal = false;

    // The file's text. Paths are quoted for the Exec key and escaped so that no
    // character of a path can end a line or start another key.
    std::string Text() const;
    [[nodiscard]] bool Save(const std::string& path) const;
};

// A path quoted as one argument of an Exec key (before string escaping).
std::string QuoteExecArgument(const std::string& argument);

}  // namespace tsrn::setup
