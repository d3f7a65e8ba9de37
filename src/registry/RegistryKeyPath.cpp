#include "registry/RegistryKeyPath.h"

namespace tsrn::registry {

std::string FoldRegistryName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::optional<RegistryKeyPath> RegistryKeyPath::Parse(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    RegistryKeyPath path;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            path.names_.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return path;
}

RegistryKeyPath RegistryKeyPath::Concat(const RegistryKeyPath& below) const {
    RegistryKeyPath joined = *this;
    joined.names_.insert(joined.names_.end(), below.names_.begin(), below.names_.end());
    return joined;
}

std::string RegistryKeyPath::FoldedPrefix(std::size_t depth) const {
    std::string text;
    for (std::size_t i = 0; i < depth && i < names_.size(); ++i) {
        if (i > 0) {
            text += '\\';
        }
        text += FoldRegistryName(names_[i]);
    }
    return text;
}

}  // namespace tsrn::registry
