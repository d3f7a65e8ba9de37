#pragma once
// Plaintext access to a file stored in the enciphered format, through its
// descriptor: whole 8-byte blocks at their file offsets, and the last
// length-mod-8 bytes as a XOR stream at position length - length % 8. Because
// the tail's encoding depends on the length, every size change re-encodes the
// bytes around the old and the new end. Callers serialise access per file
// (shared for Read, exclusive for the rest). Results are byte counts or -errno.
//
// The format keeps no holes: every byte of an extension is stored as
// enciphered zeros. An extension is therefore refused before anything is
// written when it cannot fit (ENOSPC) or passes the file system's largest file
// (EFBIG), and one that fails part way is taken back to the old length.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "crypto/Cipher.h"

namespace tsrn::vx {

class CipheredFile {
  public:
    CipheredFile(int fd, const crypto::CipherKey& key) : fd_(fd), key_(key) {}

    [[nodiscard]] ssize_t Read(std::uint8_t* out, std::size_t size, off_t offset) const;
    // Reads into `buffer` (grown as needed) and deciphers there: the
    // plaintext asked for starts `skip` bytes in.
    [[nodiscard]] ssize_t ReadInPlace(std::vector<std::uint8_t>& buffer, std::size_t size,
                                      off_t offset, std::size_t& skip) const;
    [[nodiscard]] ssize_t Write(const std::uint8_t* data, std::size_t size, off_t offset);
    // Grows with enciphered zeros or shrinks, re-encoding the new tail.
    [[nodiscard]] int Resize(off_t newLength);
    [[nodiscard]] int Length(off_t& length) const;

  private:
    struct Patch {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        off_t offset = 0;
    };
    // Rewrites [start, end) (start a multiple of 8) for a file going from
    // oldLength to newLength: old plaintext below oldLength, zeros above it,
    // the patch laid over both.
    [[nodiscard]] int Rewrite(off_t start, off_t end, off_t oldLength, off_t newLength,
                              const Patch& patch);
    [[nodiscard]] int Shrink(off_t oldLength, off_t newLength);
    // Rewrite for a change from oldLength to a larger newLength, guarded.
    [[nodiscard]] int Extend(off_t start, off_t oldLength, off_t newLength, const Patch& patch);
    [[nodiscard]] int CheckRoom(off_t oldLength, off_t newLength);

    int fd_;
    crypto::CipherKey key_;
};

}  // namespace tsrn::vx
