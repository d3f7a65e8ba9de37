#pragma once
// Whole files read and written as bytes or text, and small trees made from a
// table and taken back as one.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tsrn::test {

using Bytes = std::vector<std::uint8_t>;

// Empty when the file cannot be read.
Bytes ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// Replaces the file, making its parent folders first.
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
void WriteText(const std::filesystem::path& path, std::string_view text);

// Relative path -> contents of every regular file below a folder.
using TreeTable = std::map<std::string, std::string>;

void MakeTree(const std::filesystem::path& root, const TreeTable& files);
// Regular files only, found without following links.
TreeTable ReadTree(const std::filesystem::path& root);

}  // namespace tsrn::test
