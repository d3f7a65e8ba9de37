#include "setup/DesktopEntry.h"

#include <fstream>

namespace tsrn::setup {
namespace {

// The escapes every string value of a desktop entry understands.
std::string EscapeValue(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    if (!out.empty() && out.front() == ' ') {
        out.replace(0, 1, "\\s");
    }
    return out;
}

}  // namespace

std::string QuoteExecArgument(const std::string& argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        if (c == '%') {
            out += '%';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string DesktopEntry::Text() const {
    std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\n";
    text += "Name=" + EscapeValue(name) + "\n";
    if (!comment.empty()) {
        text += "Comment=" + EscapeValue(comment) + "\n";
    }
    std::string exec = QuoteExecArgument(program);
    for (const std::string& argument : arguments) {
        exec += " " + QuoteExecArgument(argument);
    }
    text += "Exec=" + EscapeValue(exec) + "\n";
    if (!icon.empty()) {
        text += "Icon=" + EscapeValue(icon) + "\n";
    }
    if (!workingDirectory.empty()) {
        text += "Path=" + EscapeValue(workingDirectory) + "\n";
    }
    text += std::string("Terminal=") + (terminal ? "true" : "false") + "\n";
    text += "Categories=Utility;Security;\n";
    return text;
}

bool DesktopEntry::Save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << Text();
    out.close();
    return static_cast<bool>(out);
}

}  // namespace tsrn::setup
