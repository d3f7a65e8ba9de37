#pragma once
// Key paths of the registry database as lists of names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsrn::registry {

// Names are compared after ASCII case folding only: bytes >= 0x80 (UTF-8) are
// compared exactly.
std::string FoldRegistryName(std::string_view name);

// A key path as its names, in the spelling the caller used. Empty names
// (leading, trailing or doubled backslashes) are dropped, so "A\B\" and
// "A\\B" name the same key as "A\B".
class RegistryKeyPath {
  public:
    RegistryKeyPath() = default;
    // Nothing for a text holding a NUL byte.
    [[nodiscard]] static std::optional<RegistryKeyPath> Parse(std::string_view text);

    RegistryKeyPath Concat(const RegistryKeyPath& below) const;

    bool IsRoot() const { return names_.empty(); }
    std::size_t Depth() const { return names_.size(); }
    const std::string& Name(std::size_t index) const { return names_[index]; }
    // The folded path of the first `depth` names joined with backslashes; the
    // root is the empty text.
    std::string FoldedPrefix(std::size_t depth) const;
    std::string Folded() const { return FoldedPrefix(names_.size()); }

  private:
    std::vector<std::string> names_;
};

}  // namespace tsrn::registry
