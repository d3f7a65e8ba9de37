#include "FileHelpers.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace tsrn::test {

namespace fs = std::filesystem;

namespace {

void MakeParent(const fs::path& path) {
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
}

void WriteRange(const fs::path& path, const char* data, std::size_t size) {
    MakeParent(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

}  // namespace

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    WriteRange(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void WriteText(const fs::path& path, std::string_view text) {
    WriteRange(path, text.data(), text.size());
}

void MakeTree(const fs::path& root, const TreeTable& files) {
    for (const auto& [name, contents] : files)
        WriteText(root / name, contents);
}

TreeTable ReadTree(const fs::path& root) {
    TreeTable files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file() && !it->is_symlink())
            files[fs::relative(it->path(), root).string()] = ReadText(it->path());
    }
    return files;
}

}  // namespace tsrn::test
