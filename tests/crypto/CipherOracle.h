#pragma once
// The cipher written out literally, nibble by nibble and round by round, as
// the reference every fast form is compared with. Deliberately slow and plain.

#include <cstdint>
#include <vector>

#include "crypto/Cipher.h"

namespace tsrn::test {

using Bytes = std::vector<std::uint8_t>;

struct OracleOptions {
    // The classic mistake: index the eighth substitution by nibble 7.
    bool eighthByTopNibble = false;
};

std::uint32_t OracleRound(std::uint32_t a, std::uint32_t k, OracleOptions options = {});
void OracleEncipherBlock(std::uint32_t& a, std::uint32_t& b, const crypto::CipherKey& key);
void OracleDecipherBlock(std::uint32_t& a, std::uint32_t& b, const crypto::CipherKey& key);

// Whole blocks only; the bytes after the last whole block are copied unchanged.
Bytes OracleEncipherBuffer(const Bytes& in, std::uint32_t position, const crypto::CipherKey& key);
Bytes OracleDecipherBuffer(const Bytes& in, std::uint32_t position, const crypto::CipherKey& key);
// A whole file: blocks at their offsets and the tail stream over the rest.
Bytes OracleEncipherFile(const Bytes& plain, const crypto::CipherKey& key);

}  // namespace tsrn::test
