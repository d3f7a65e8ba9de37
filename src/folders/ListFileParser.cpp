#include "folders/ListFileParser.h"

#include <cstring>

namespace tsrn::folders {

namespace {

// Hands out the file's lines as fgets into a 500-byte buffer would.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    bool Next(std::string& line) {
        line.clear();
        while (pos_ < bytes_.size() && line.size() < kListFileLineBuffer - 1) {
            char c = bytes_[pos_++];
            if (c == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') {
                c = bytes_[pos_++];
            }
            line += c;
            if (c == '\n') {
                break;
            }
        }
        if (line.empty()) {
            return false;
        }
        line.resize(std::strlen(line.c_str()));
        return true;
    }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool IsHeader(std::string_view line) {
    return line.size() == 9 && StartsWithNoCase(line, "[pathes]") && line[8] == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::vector<std::string> ParseListFile(std::string_view bytes) {
    LineReader reader(bytes);
    std::string line;
    bool inSection = false;
    while (!inSection && reader.Next(line)) {
        inSection = IsHeader(line);
    }
    std::vector<std::string> names;
    while (inSection && reader.Next(line)) {
        if (line.starts_with('[')) {
            break;
        }
        if (!StartsWithNoCase(line, "path=")) {
            continue;
        }
        const std::string_view name = Trim(line).substr(5);
        if (!name.empty()) {
            names.emplace_back(name);
        }
    }
    return names;
}

}  // namespace tsrn::folders
