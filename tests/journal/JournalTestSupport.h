#pragma once
// Trees of files of every size class, the bytes each file must hold before
// and after a run, and driving a run or a recovery to its end.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "bulk/ChunkCipher.h"
#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "journal/JournalFormat.h"

namespace tsrn::test {

using Bytes = std::vector<std::uint8_t>;

inline bulk::KeyPair TestKeys() {
    return bulk::KeyPair{crypto::DeriveKey("old secret"), crypto::DeriveKey("new secret")};
}

// Sizes around the block, page and chunk edges, and a few larger files.
inline const std::vector<std::size_t>& SizeClasses() {
    static const std::vector<std::size_t> sizes = {
        0, 1, 7, 8, 13, 4095, 4096, 4097, 8192 + 5, 65536, 65536 + 3, 300001, (1u << 20) + 7};
    return sizes;
}

struct TreeFile {
    std::filesystem::path path;
    Bytes original;
    mode_t mode = 0644;
};

class TestTree {
  public:
    // `scale` repeats the size classes over that many folders.
    TestTree(const std::filesystem::path& root, int scale, std::uint32_t seed) : root_(root) {
        std::mt19937 random(seed);
        for (int folder = 0; folder < scale; ++folder) {
            const std::filesystem::path dir =
                folder == 0 ? root : root / ("d" + std::to_string(folder)) / "inner";
            for (std::size_t size : SizeClasses()) {
                TreeFile file;
                file.path = dir / ("f" + std::to_string(size));
                file.original.resize(size);
                for (auto& b : file.original) {
                    b = static_cast<std::uint8_t>(random());
                }
                file.mode = size == 4097 ? 0444 : 0644;  // read-only files are done too
                WriteBytes(file.path, file.original);
                chmod(file.path.c_str(), file.mode);
                files_.push_back(std::move(file));
            }
        }
    }

    const std::filesystem::path& Root() const { return root_; }
    const std::vector<TreeFile>& Files() const { return files_; }

    static Bytes Transformed(const Bytes& original, bulk::CipherMode mode,
                             const bulk::KeyPair& keys) {
        Bytes data = original;
        bulk::ChunkCipher(mode, false, keys).Apply(data.data(), data.size(), 0, true);
        return data;
    }

    // The number of files that do not hold what `state` says (with a note of the first).
    std::size_t Differences(journal::FileState state, bulk::CipherMode mode,
                            const bulk::KeyPair& keys, std::string& first) const {
        std::size_t wrong = 0;
        for (const TreeFile& file : files_) {
            const Bytes want = state == journal::FileState::Old
                                   ? file.original
                                   : Transformed(file.original, mode, keys);
            struct stat st {};
            lstat(file.path.c_str(), &st);
            if (ReadBytes(file.path) != want || (st.st_mode & 07777) != file.mode) {
                if (wrong++ == 0) {
                    first = file.path.string();
                }
            }
        }
        return wrong;
    }

    // Puts the tree in the state a run of `mode` starts from: deciphering
    // starts from enciphered files, reciphering from files under the old key.
    void PrepareFor(bulk::CipherMode mode, const bulk::KeyPair& keys) {
        if (mode == bulk::CipherMode::Encipher) {
            return;
        }
        for (TreeFile& file : files_) {
            Bytes start = Transformed(file.original, bulk::CipherMode::Encipher, keys);
            chmod(file.path.c_str(), 0644);
            WriteBytes(file.path, start);
            chmod(file.path.c_str(), file.mode);
            file.original = start;
        }
    }

  private:
    std::filesystem::path root_;
    std::vector<TreeFile> files_;
};

}  // namespace tsrn::test
