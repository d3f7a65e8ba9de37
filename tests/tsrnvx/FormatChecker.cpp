// tsrn_format_check PASSWORD-FILE PLAIN STORED: whether STORED holds exactly
// the enciphered form of PLAIN under the password (the first line of
// PASSWORD-FILE), rendered by the tests' reference cipher rather than the
// driver's. Used on the raw bytes a mount left behind. Exit 0 when they match,
// 1 when they differ (the first differing offset is printed), 2 on bad use.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "ReferenceFormat.h"
#include "crypto/KeyDerivation.h"

namespace {

constexpr std::size_t kChunk = 1 << 20;  // a multiple of the block size

std::streamsize ReadChunk(std::ifstream& in, tsrn::test::Bytes& chunk) {
    chunk.resize(kChunk);
    in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    return in.gcount();
}

int Compare(std::ifstream& plain, std::ifstream& stored, const tsrn::crypto::CipherKey& key) {
    tsrn::test::Bytes clear;
    tsrn::test::Bytes raw;
    std::uint64_t base = 0;
    for (;;) {
        ReadChunk(plain, clear);
        ReadChunk(stored, raw);
        if (clear.size() != raw.size()) {
            std::cout << "lengths differ: plain " << base + clear.size() << "+, stored "
                      << base + raw.size() << "+\n";
            return 1;
        }
        if (clear.empty()) {
            std::cout << "stored bytes are in the format (" << base << " bytes)\n";
            return 0;
        }
        const tsrn::test::Bytes expected = tsrn::test::ReferenceEncipher(clear, key, base);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != expected[i]) {
                std::cout << "stored byte at offset " << base + i << " is not in the format\n";
                return 1;
            }
        }
        base += raw.size();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: tsrn_format_check PASSWORD-FILE PLAIN STORED\n";
        return 2;
    }
    std::ifstream passwordFile(argv[1]);
    std::string password;
    std::getline(passwordFile, password);
    std::ifstream plain(argv[2], std::ios::binary);
    std::ifstream stored(argv[3], std::ios::binary);
    if (!passwordFile || !plain || !stored) {
        std::cerr << "tsrn_format_check: cannot read the files given\n";
        return 2;
    }
    return Compare(plain, stored, tsrn::crypto::DeriveKey(password));
}
