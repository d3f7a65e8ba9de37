#include "CipheredFile.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "PositionalIo.h"

namespace tsrn::vx {
namespace {

// Work is done in pieces of this size so a large extension never needs a
// buffer of its own size; a multiple of 8 keeps every piece block-aligned.
constexpr off_t kPiece = 1 << 20;

off_t AlignDown(off_t value) {
    return value & ~off_t{7};
}
off_t AlignUp(off_t value) {
    return (value + 7) & ~off_t{7};
}
off_t TailStart(off_t length) {
    return AlignDown(length);
}
// Positions in the format are file offsets modulo 2^32.
std::uint32_t Position(off_t offset) {
    return static_cast<std::uint32_t>(offset);
}

ssize_t ReadFully(int fd, std::uint8_t* buffer, std::size_t size, off_t offset) {
    const IoDone done = ReadAt(fd, buffer, size, offset);
    return done.error != 0 ? -done.error : static_cast<ssize_t>(done.bytes);
}

int WriteFully(int fd, const std::uint8_t* buffer, std::size_t size, off_t offset) {
    return -WriteAt(fd, buffer, size, offset).error;
}

// `start` is a multiple of 8; the region either ends on a block boundary
// below the tail or reaches into the tail of a file of `length` bytes.
void Decode(std::uint8_t* buffer, off_t size, off_t start, off_t length,
            const crypto::CipherKey& key) {
    off_t blocks = std::clamp(TailStart(length) - start, off_t{0}, size);
    crypto::DecipherBuffer(buffer, buffer, static_cast<std::uint32_t>(blocks), Position(start),
                           key);
    if (size > blocks) {
        crypto::CipherTail(buffer + blocks, buffer + blocks,
                           static_cast<std::uint32_t>(size - blocks), Position(start + blocks),
                           key);
    }
}

void EncodeFrom(const std::uint8_t* plain, std::uint8_t* stored, off_t size, off_t start,
                off_t length, const crypto::CipherKey& key) {
    off_t blocks = std::clamp(TailStart(length) - start, off_t{0}, size);
    crypto::EncipherBuffer(plain, stored, static_cast<std::uint32_t>(blocks), Position(start), key);
    if (size > blocks) {
        crypto::CipherTail(plain + blocks, stored + blocks,
                           static_cast<std::uint32_t>(size - blocks), Position(start + blocks),
                           key);
    }
}

void Encode(std::uint8_t* buffer, off_t size, off_t start, off_t length,
            const crypto::CipherKey& key) {
    EncodeFrom(buffer, buffer, size, start, length, key);
}

// Extensions larger than this are first tried as a bare size change, so a
// length past the file system's largest file fails before any byte is written.
constexpr off_t kProbeAbove = kPiece;

// Blocks for data and for the file system's own bookkeeping of them.
unsigned long long BytesNeeded(off_t bytes, unsigned long blockSize) {
    auto data = static_cast<unsigned long long>(bytes);
    unsigned long long block = blockSize == 0 ? 4096 : blockSize;
    unsigned long long rounded = (data + block - 1) / block * block;
    return rounded + rounded / 256 + 16 * block;
}

std::vector<std::uint8_t>& Scratch() {
    thread_local std::vector<std::uint8_t> scratch;
    return scratch;
}

}  // namespace

int CipheredFile::Length(off_t& length) const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        return -errno;
    }
    length = st.st_size;
    return 0;
}

ssize_t CipheredFile::ReadInPlace(std::vector<std::uint8_t>& buffer, std::size_t size, off_t offset,
                                  std::size_t& skip) const {
    skip = 0;
    off_t length = 0;
    if (int rc = Length(length); rc != 0) {
        return rc;
    }
    if (offset < 0) {
        return -EINVAL;
    }
    if (offset >= length || size == 0) {
        return 0;
    }
    off_t end = std::min(offset + static_cast<off_t>(size), length);
    off_t start = AlignDown(offset);
    off_t stop = std::min(AlignUp(end), length);
    if (buffer.size() < static_cast<std::size_t>(stop - start)) {
        buffer.resize(static_cast<std::size_t>(stop - start));
    }
    ssize_t got = ReadFully(fd_, buffer.data(), static_cast<std::size_t>(stop - start), start);
    if (got < 0) {
        return got;
    }
    if (got != stop - start) {
        return -EIO;  // the file shrank under us: something bypassed the lock
    }
    Decode(buffer.data(), stop - start, start, length, key_);
    skip = static_cast<std::size_t>(offset - start);
    return end - offset;
}

ssize_t CipheredFile::Read(std::uint8_t* out, std::size_t size, off_t offset) const {
    auto& scratch = Scratch();
    std::size_t skip = 0;
    ssize_t got = ReadInPlace(scratch, size, offset, skip);
    if (got > 0) {
        std::memcpy(out, scratch.data() + skip, static_cast<std::size_t>(got));
    }
    return got;
}

ssize_t CipheredFile::Write(const std::uint8_t* data, std::size_t size, off_t offset) {
    if (offset < 0) {
        return -EINVAL;
    }
    if (size == 0) {
        return 0;
    }
    off_t length = 0;
    if (int rc = Length(length); rc != 0) {
        return rc;
    }
    off_t end = offset + static_cast<off_t>(size);
    off_t newLength = std::max(length, end);
    off_t start = AlignDown(offset);
    off_t stop = std::min(AlignUp(end), newLength);
    Patch patch{data, size, offset};
    if (newLength > length) {
        // The old tail becomes blocks (or a longer tail) and the gap becomes
        // enciphered zeros: everything from the old tail on is rewritten.
        int rc = Extend(std::min(start, TailStart(length)), length, newLength, patch);
        return rc != 0 ? rc : static_cast<ssize_t>(size);
    }
    int rc = Rewrite(start, stop, length, newLength, patch);
    return rc != 0 ? rc : static_cast<ssize_t>(size);
}

int CipheredFile::Resize(off_t newLength) {
    if (newLength < 0) {
        return -EINVAL;
    }
    off_t length = 0;
    if (int rc = Length(length); rc != 0) {
        return rc;
    }
    if (newLength == length) {
        return 0;
    }
    if (newLength < length) {
        return Shrink(length, newLength);
    }
    return Extend(TailStart(length), length, newLength, Patch{});
}

int CipheredFile::CheckRoom(off_t oldLength, off_t newLength) {
    if (newLength - oldLength > kProbeAbove) {
        // Growing without data allocates nothing and lets the file system
        // judge the length itself; the old length comes back below.
        if (::ftruncate(fd_, newLength) != 0) {
            return -errno;
        }
        if (::ftruncate(fd_, oldLength) != 0) {
            return -errno;
        }
    }
    struct statvfs fs {};
    if (::fstatvfs(fd_, &fs) != 0) {
        return -errno;
    }
    unsigned long long available = static_cast<unsigned long long>(fs.f_bavail) *
                                   (fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize);
    return BytesNeeded(newLength - oldLength, fs.f_frsize) > available ? -ENOSPC : 0;
}

int CipheredFile::Extend(off_t start, off_t oldLength, off_t newLength, const Patch& patch) {
    if (int rc = CheckRoom(oldLength, newLength); rc != 0) {
        return rc;
    }
    // The stored old tail is rewritten as block bytes; kept to put back.
    off_t tailStart = TailStart(oldLength);
    std::uint8_t oldTail[8] = {};
    auto tailSize = static_cast<std::size_t>(oldLength - tailStart);
    if (tailSize > 0) {
        ssize_t got = ReadFully(fd_, oldTail, tailSize, tailStart);
        if (got < 0) {
            return static_cast<int>(got);
        }
        if (static_cast<std::size_t>(got) != tailSize) {
            return -EIO;
        }
    }
    int rc = Rewrite(start, newLength, oldLength, newLength, patch);
    if (rc != 0) {
        if (::ftruncate(fd_, oldLength) == 0 && tailSize > 0) {
            WriteFully(fd_, oldTail, tailSize, tailStart);
        }
    }
    return rc;
}

int CipheredFile::Shrink(off_t oldLength, off_t newLength) {
    off_t tailStart = TailStart(newLength);
    if (tailStart < newLength) {
        // The bytes that become the new tail were a block (or the old tail).
        off_t regionEnd = std::min(tailStart + 8, oldLength);
        std::uint8_t region[8] = {};
        ssize_t got =
            ReadFully(fd_, region, static_cast<std::size_t>(regionEnd - tailStart), tailStart);
        if (got < 0) {
            return static_cast<int>(got);
        }
        if (got != regionEnd - tailStart) {
            return -EIO;
        }
        Decode(region, regionEnd - tailStart, tailStart, oldLength, key_);
        Encode(region, newLength - tailStart, tailStart, newLength, key_);
        if (int rc =
                WriteFully(fd_, region, static_cast<std::size_t>(newLength - tailStart), tailStart);
            rc != 0) {
            return rc;
        }
    }
    return ::ftruncate(fd_, newLength) == 0 ? 0 : -errno;
}

int CipheredFile::Rewrite(off_t start, off_t end, off_t oldLength, off_t newLength,
                          const Patch& patch) {
    auto& scratch = Scratch();
    off_t patchEnd = patch.offset + static_cast<off_t>(patch.size);
    for (off_t piece = start; piece < end; piece += kPiece) {
        off_t pieceEnd = std::min(piece + kPiece, end);
        auto pieceSize = static_cast<std::size_t>(pieceEnd - piece);
        if (patch.offset <= piece && pieceEnd <= patchEnd) {
            // Wholly new bytes: enciphered straight from the caller's buffer.
            scratch.resize(pieceSize);
            EncodeFrom(patch.data + (piece - patch.offset), scratch.data(), pieceEnd - piece, piece,
                       newLength, key_);
            if (int rc = WriteFully(fd_, scratch.data(), pieceSize, piece); rc != 0) {
                return rc;
            }
            continue;
        }
        scratch.assign(pieceSize, 0);
        off_t oldEnd = std::min(pieceEnd, oldLength);
        if (piece < oldEnd) {
            ssize_t got =
                ReadFully(fd_, scratch.data(), static_cast<std::size_t>(oldEnd - piece), piece);
            if (got < 0) {
                return static_cast<int>(got);
            }
            if (got != oldEnd - piece) {
                return -EIO;
            }
            Decode(scratch.data(), oldEnd - piece, piece, oldLength, key_);
        }
        off_t from = std::max(piece, patch.offset);
        off_t to = std::min(pieceEnd, patchEnd);
        if (from < to) {
            std::memcpy(scratch.data() + (from - piece), patch.data + (from - patch.offset),
                        static_cast<std::size_t>(to - from));
        }
        Encode(scratch.data(), pieceEnd - piece, piece, newLength, key_);
        if (int rc = WriteFully(fd_, scratch.data(), scratch.size(), piece); rc != 0) {
            return rc;
        }
    }
    return 0;
}

}  // namespace tsrn::vx
