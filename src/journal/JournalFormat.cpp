#include "journal/JournalFormat.h"

#include <bit>
#include <cstring>

#include "journal/ByteReader.h"
#include "journal/PageHash.h"

namespace tsrn::journal {

namespace {

constexpr std::size_t kFrame = 12;  // type, length, check
constexpr std::uint32_t kMaxPayload = 64u << 20;

std::uint32_t Check(const std::uint8_t* start, std::size_t length) {
    return static_cast<std::uint32_t>(Hash64(start, length) & 0xFFFFFFFFu);
}

bool ApplyPages(ByteReader& in, JournalContents& contents) {
    std::uint32_t fileNo = 0;
    std::uint8_t state = 0;
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    if (!in.Get32(fileNo) || !in.Get8(state) || !in.Get64(first) || !in.Get32(count) ||
        fileNo >= contents.files.size() || state > 1) {
        return false;
    }
    JournalFileEntry& file = contents.files[fileNo];
    if (first > file.pages.size() || count > file.pages.size() - first) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t hash = 0;
        if (!in.Get64(hash)) {
            return false;
        }
        file.pages[first + i] = PageNote{true, static_cast<FileState>(state), hash};
    }
    return in.AtEnd();
}

bool ApplyRecord(RecordType type, ByteReader& in, JournalContents& contents, bool first) {
    if (first != (type == RecordType::Header)) {
        return false;
    }
    switch (type) {
        case RecordType::Header: {
            std::uint32_t mode = 0;
            JournalHeader& h = contents.header;
            if (!in.Get32(h.version) || !in.Get32(mode) || !in.Get32(h.salt) ||
                !in.Get32(h.currentKeyId) || !in.Get32(h.nextKeyId) || !in.GetString(h.folder) ||
                mode > 2) {
                return false;
            }
            h.mode = static_cast<bulk::CipherMode>(mode);
            return in.AtEnd();
        }
        case RecordType::File: {
            std::uint32_t fileNo = 0;
            JournalFileEntry entry;
            if (!in.Get32(fileNo) || !in.Get64(entry.length) || !in.GetString(entry.path) ||
                !in.Get32(entry.permissions) || entry.permissions > 07777 ||
                fileNo != contents.files.size() || PageCount(entry.length) > (1ull << 40)) {
                return false;
            }
            entry.pages.resize(PageCount(entry.length));
            contents.files.push_back(std::move(entry));
            return in.AtEnd();
        }
        case RecordType::Pages:
            return ApplyPages(in, contents);
        case RecordType::Done: {
            std::uint32_t fileNo = 0;
            std::uint8_t state = 0;
            if (!in.Get32(fileNo) || !in.Get8(state) || fileNo >= contents.files.size() ||
                state > 1) {
                return false;
            }
            contents.files[fileNo].done = static_cast<FileState>(state);
            return in.AtEnd();
        }
        case RecordType::Undoing:
            contents.undoing = true;
            return in.AtEnd();
        case RecordType::Failed:
            contents.failed = true;
            return in.AtEnd();
        case RecordType::Complete: {
            std::uint8_t state = 0;
            if (!in.Get8(state) || state > 1 || !in.GetString(contents.completePlace)) {
                return false;
            }
            contents.complete = static_cast<FileState>(state);
            return in.AtEnd();
        }
    }
    return false;
}

}  // namespace

std::size_t RecordEncoder::Begin(RecordType type) {
    const std::size_t start = bytes_.size();
    Put32(static_cast<std::uint32_t>(type));
    Put32(0);
    return start;
}

void RecordEncoder::Finish(std::size_t start) {
    const auto payload = static_cast<std::uint32_t>(bytes_.size() - start - 8);
    for (int i = 0; i < 4; ++i) {
        bytes_[start + 4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(payload >> (8 * i));
    }
    Put32(Check(bytes_.data() + start, bytes_.size() - start));
}

void RecordEncoder::Put32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void RecordEncoder::Put64(std::uint64_t value) {
    Put32(static_cast<std::uint32_t>(value));
    Put32(static_cast<std::uint32_t>(value >> 32));
}

// A large file's flush carries thousands of hashes: copied at once, not byte by byte.
void RecordEncoder::Put64s(const std::uint64_t* values, std::size_t count) {
    if (count == 0) {
        return;
    }
    if constexpr (std::endian::native == std::endian::little) {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + count * sizeof(std::uint64_t));
        std::memcpy(bytes_.data() + at, values, count * sizeof(std::uint64_t));
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            Put64(values[i]);
        }
    }
}

void RecordEncoder::PutString(std::string_view text) {
    Put32(static_cast<std::uint32_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void RecordEncoder::Header(const JournalHeader& header) {
    const std::size_t start = Begin(RecordType::Header);
    Put32(header.version);
    Put32(static_cast<std::uint32_t>(header.mode));
    Put32(header.salt);
    Put32(header.currentKeyId);
    Put32(header.nextKeyId);
    PutString(header.folder);
    Finish(start);
}

void RecordEncoder::File(std::uint32_t fileNo, std::uint64_t length, std::string_view path,
                         std::uint32_t permissions) {
    const std::size_t start = Begin(RecordType::File);
    Put32(fileNo);
    Put64(length);
    PutString(path);
    Put32(permissions);
    Finish(start);
}

void RecordEncoder::Pages(std::uint32_t fileNo, FileState state, std::uint64_t firstPage,
                          const std::uint64_t* hashes, std::size_t count) {
    const std::size_t start = Begin(RecordType::Pages);
    Put32(fileNo);
    bytes_.push_back(static_cast<std::uint8_t>(state));
    Put64(firstPage);
    Put32(static_cast<std::uint32_t>(count));
    Put64s(hashes, count);
    Finish(start);
}

void RecordEncoder::Done(std::uint32_t fileNo, FileState state) {
    const std::size_t start = Begin(RecordType::Done);
    Put32(fileNo);
    bytes_.push_back(static_cast<std::uint8_t>(state));
    Finish(start);
}

void RecordEncoder::Complete(FileState state, std::string_view place) {
    const std::size_t start = Begin(RecordType::Complete);
    bytes_.push_back(static_cast<std::uint8_t>(state));
    PutString(place);
    Finish(start);
}

void RecordEncoder::Marker(RecordType type) {
    Finish(Begin(type));
}

void AppendRecord(std::vector<std::uint8_t>& bytes, std::uint32_t type,
                  const std::vector<std::uint8_t>& payload) {
    const std::size_t start = bytes.size();
    const auto length = static_cast<std::uint32_t>(payload.size());
    for (std::uint32_t value : {type, length}) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    const std::uint32_t check = Check(bytes.data() + start, bytes.size() - start);
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(check >> (8 * i)));
    }
}

std::size_t ReadRecords(
    const std::vector<std::uint8_t>& bytes, std::size_t offset,
    const std::function<bool(std::uint32_t, const std::uint8_t*, std::size_t)>& take) {
    std::size_t pos = offset;
    while (pos <= bytes.size() && bytes.size() - pos >= kFrame) {
        ByteReader frame(bytes.data() + pos, 8);
        std::uint32_t type = 0;
        std::uint32_t length = 0;
        if (!frame.Get32(type) || !frame.Get32(length) || length > kMaxPayload ||
            length > bytes.size() - pos - kFrame) {
            break;
        }
        ByteReader checkAt(bytes.data() + pos + 8 + length, 4);
        std::uint32_t check = 0;
        if (!checkAt.Get32(check) || check != Check(bytes.data() + pos, 8 + length) ||
            !take(type, bytes.data() + pos + 8, length)) {
            break;
        }
        pos += kFrame + length;
    }
    return pos;
}

std::uint32_t KeyIdentity(const crypto::CipherKey& key, std::uint32_t salt) {
    std::uint8_t bytes[12];
    std::memcpy(bytes, key.bytes.data(), 8);
    for (int i = 0; i < 4; ++i) {
        bytes[8 + i] = static_cast<std::uint8_t>(salt >> (8 * i));
    }
    return static_cast<std::uint32_t>(Hash64(bytes, sizeof bytes, 0x7473726e6a726e6cull) >> 32);
}

std::optional<std::size_t> ReadHeadedRecords(
    const std::vector<std::uint8_t>& bytes, std::string_view magic, std::string_view kind,
    std::string& error, const std::function<bool(std::uint32_t, ByteReader&, bool)>& take) {
    if (bytes.size() < magic.size() || std::memcmp(bytes.data(), magic.data(), magic.size()) != 0) {
        error = "not a " + std::string(kind);
        return std::nullopt;
    }
    bool first = true;
    const std::size_t validBytes =
        ReadRecords(bytes, magic.size(),
                    [&](std::uint32_t type, const std::uint8_t* payload, std::size_t length) {
                        ByteReader in(payload, length);
                        if (!take(type, in, first)) {
                            return false;
                        }
                        first = false;
                        return true;
                    });
    if (first) {
        error = "the " + std::string(kind) + " has no readable header";
        return std::nullopt;
    }
    return validBytes;
}

std::optional<JournalContents> ParseJournal(const std::vector<std::uint8_t>& bytes,
                                            std::string& error) {
    JournalContents contents;
    const auto validBytes = ReadHeadedRecords(
        bytes, std::string_view(kMagic, sizeof kMagic), "run journal", error,
        [&](std::uint32_t type, ByteReader& in, bool first) {
            return ApplyRecord(static_cast<RecordType>(type), in, contents, first);
        });
    if (!validBytes) {
        return std::nullopt;
    }
    contents.validBytes = *validBytes;
    if (contents.header.version < kFirstFormatVersion || contents.header.version > kFormatVersion) {
        error = "unknown journal version " + std::to_string(contents.header.version);
        return std::nullopt;
    }
    return contents;
}

}  // namespace tsrn::journal
