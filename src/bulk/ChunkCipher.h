#pragma once
// The cipher operations one bulk mode applies to each chunk of a file, and
// their exact inverse (used to undo). Chunks are transformed in place; every
// chunk but a file's last must be a multiple of 8 bytes long, so the result
// never depends on how a file is cut into chunks.

#include <cstddef>
#include <cstdint>

#include "bulk/CipherMode.h"
#include "crypto/Cipher.h"

namespace tsrn::bulk {

// The key of the password in force and, for reciphering, the new one.
struct KeyPair {
    crypto::CipherKey current;
    crypto::CipherKey next;
};

// The keys the process holds in its two key slots now.
KeyPair KeysFromSlots();

class ChunkCipher {
  public:
    ChunkCipher(CipherMode mode, bool rollingBack, const KeyPair& keys);

    // `offset` is the chunk's 64-bit file offset; the cipher sees it modulo
    // 2^32. With `fileEnd` the bytes after the last whole block are the
    // file's tail and get the tail stream.
    void Apply(std::uint8_t* data, std::size_t length, std::uint64_t offset, bool fileEnd) const;
    ChunkCipher Inverse() const { return ChunkCipher(mode_, !rollingBack_, keys_); }

  private:
    enum class Op { Encipher, Decipher };
    struct Step {
        Op op = Op::Encipher;
        crypto::CipherKey key;
    };

    CipherMode mode_;
    bool rollingBack_;
    KeyPair keys_;
    Step steps_[2];
    int stepCount_ = 0;
    crypto::CipherKey tailKeys_[2];
    int tailCount_ = 0;
};

}  // namespace tsrn::bulk
