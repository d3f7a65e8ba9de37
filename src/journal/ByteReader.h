#pragma once
// Reads the little-endian fields of a record's payload; every Get fails,
// and reads nothing, when the payload has too few bytes left.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tsrn::journal {

class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    [[nodiscard]] bool Get8(std::uint8_t& value) {
        if (size_ - pos_ < 1) {
            return false;
        }
        value = data_[pos_++];
        return true;
    }
    [[nodiscard]] bool Get32(std::uint32_t& value) {
        if (size_ - pos_ < 4) {
            return false;
        }
        value = 0;
        for (std::size_t i = 4; i-- > 0;) {
            value = (value << 8) | data_[pos_ + i];
        }
        pos_ += 4;
        return true;
    }
    [[nodiscard]] bool Get64(std::uint64_t& value) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (size_ - pos_ < 8 || !Get32(low) || !Get32(high)) {
            return false;
        }
        value = static_cast<std::uint64_t>(high) << 32 | low;
        return true;
    }
    // A u32 length, then that many bytes.
    [[nodiscard]] bool GetString(std::string& text) {
        std::uint32_t length = 0;
        const std::size_t start = pos_;
        if (!Get32(length)) {
            return false;
        }
        if (length > size_ - pos_) {
            pos_ = start;
            return false;
        }
        text.assign(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return true;
    }
    bool AtEnd() const { return pos_ == size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace tsrn::journal
