#include "bulk/ChunkCipher.h"

#include "crypto/KeyDerivation.h"

namespace tsrn::bulk {

KeyPair KeysFromSlots() {
    const auto& slots = crypto::KeySlots::Instance();
    return KeyPair{slots.Key(crypto::KeySlot::Current), slots.Key(crypto::KeySlot::New)};
}

ChunkCipher::ChunkCipher(CipherMode mode, bool rollingBack, const KeyPair& keys)
    : mode_(mode), rollingBack_(rollingBack), keys_(keys) {
    const auto& k0 = keys.current;
    const auto& k1 = keys.next;
    switch (mode) {
        case CipherMode::Encipher:
            steps_[0] = {rollingBack ? Op::Decipher : Op::Encipher, k0};
            stepCount_ = 1;
            tailKeys_[0] = k0;
            tailCount_ = 1;
            break;
        case CipherMode::Decipher:
            steps_[0] = {rollingBack ? Op::Encipher : Op::Decipher, k0};
            stepCount_ = 1;
            tailKeys_[0] = k0;
            tailCount_ = 1;
            break;
        case CipherMode::Recipher:
            steps_[0] = {Op::Decipher, rollingBack ? k1 : k0};
            steps_[1] = {Op::Encipher, rollingBack ? k0 : k1};
            stepCount_ = 2;
            // The tail stream is a XOR, so its two passes undo themselves in either order.
            tailKeys_[0] = k0;
            tailKeys_[1] = k1;
            tailCount_ = 2;
            break;
    }
}

void ChunkCipher::Apply(std::uint8_t* data, std::size_t length, std::uint64_t offset,
                        bool fileEnd) const {
    const auto position = static_cast<std::uint32_t>(offset);
    const auto blockBytes = static_cast<std::uint32_t>(length - length % 8);
    for (int i = 0; i < stepCount_; ++i) {
        if (steps_[i].op == Op::Encipher) {
            crypto::EncipherBuffer(data, data, blockBytes, position, steps_[i].key);
        } else {
            crypto::DecipherBuffer(data, data, blockBytes, position, steps_[i].key);
        }
    }
    const auto tailBytes = static_cast<std::uint32_t>(length % 8);
    if (fileEnd && tailBytes != 0) {
        for (int i = 0; i < tailCount_; ++i) {
            crypto::CipherTail(data + blockBytes, data + blockBytes, tailBytes,
                               position + blockBytes, tailKeys_[i]);
        }
    }
}

}  // namespace tsrn::bulk
