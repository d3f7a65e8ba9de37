#include "journal/PasswordChangeRecord.h"

#include <algorithm>
#include <random>

#include "journal/ByteReader.h"
#include "journal/JournalFormat.h"

namespace tsrn::journal {

namespace {

class Payload {
  public:
    Payload& Put32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return *this;
    }
    Payload& Put8(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    Payload& PutString(const std::string& text) {
        Put32(static_cast<std::uint32_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

bool GetFolder(ByteReader& in, const ChangeRecordContents& contents, std::uint32_t& number) {
    return in.Get32(number) && number < contents.folders.size();
}

bool GetKey(ByteReader& in, ChangeKey& key) {
    std::uint8_t value = 0;
    if (!in.Get8(value) || value > 1)
        return false;
    key = static_cast<ChangeKey>(value);
    return true;
}

// Applies one record; false for one that contradicts what came before.
bool Apply(std::uint32_t type, ByteReader& in, ChangeRecordContents& contents, bool first) {
    if (first != (type == static_cast<std::uint32_t>(ChangeRecordType::Header)))
        return false;
    std::uint32_t number = 0;
    ChangeKey key = ChangeKey::Old;
    switch (static_cast<ChangeRecordType>(type)) {
        case ChangeRecordType::Header:
            if (!in.Get32(contents.version) || !in.Get32(contents.salt) ||
                !in.Get32(contents.oldKeyId) || !in.Get32(contents.newKeyId))
                return false;
            break;
        case ChangeRecordType::Folder: {
            ChangeFolder folder;
            if (!in.Get32(number) || number != contents.folders.size() ||
                !in.GetString(folder.path) || folder.path.empty())
                return false;
            contents.folders.push_back(std::move(folder));
            break;
        }
        case ChangeRecordType::Moving:
            if (!GetFolder(in, contents, number) || !GetKey(in, key))
                return false;
            contents.folders[number].moving = key;
            contents.folders[number].ended = false;
            break;
        case ChangeRecordType::Reached:
            if (!GetFolder(in, contents, number) || !GetKey(in, key))
                return false;
            contents.folders[number].key = key;
            contents.folders[number].moving.reset();
            contents.folders[number].ended = false;
            break;
        case ChangeRecordType::Ended:
            if (!GetFolder(in, contents, number) || !contents.folders[number].moving)
                return false;
            contents.folders[number].ended = true;
            break;
        default:
            return false;
    }
    return in.AtEnd();
}

std::vector<std::uint8_t> Record(ChangeRecordType type, const Payload& payload) {
    std::vector<std::uint8_t> bytes;
    AppendRecord(bytes, static_cast<std::uint32_t>(type), payload.Bytes());
    return bytes;
}

}  // namespace

std::filesystem::path PasswordChangeRecord::PathIn(const std::filesystem::path& dir) {
    return dir / kChangeRecordName;
}

std::optional<ChangeRecordContents> PasswordChangeRecord::Parse(
    const std::vector<std::uint8_t>& bytes, std::string& error) {
    ChangeRecordContents contents;
    const auto validBytes = ReadHeadedRecords(
        bytes, std::string_view(kChangeRecordMagic, sizeof kChangeRecordMagic),
        "password change record", error, [&](std::uint32_t type, ByteReader& in, bool first) {
            return Apply(type, in, contents, first);
        });
    if (!validBytes)
        return std::nullopt;
    contents.validBytes = *validBytes;
    if (contents.version != kChangeRecordVersion) {
        error = "unknown record version " + std::to_string(contents.version);
        return std::nullopt;
    }
    return contents;
}

ChangeRecordLoad PasswordChangeRecord::Load(const std::filesystem::path& dir) {
    ChangeRecordLoad load;
    const std::filesystem::path path = PathIn(dir);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return load;
    load.present = true;
    std::vector<std::uint8_t> bytes;
    if (!ReadJournalBytes(path, bytes, load.error)) {
        load.inUse = load.error == "in use by a run still going on";
        if (load.inUse)
            load.error = "in use by a password change still going on";
        return load;
    }
    load.contents = Parse(bytes, load.error);
    return load;
}

std::vector<std::string> PasswordChangeRecord::MovingFolders(const ChangeRecordContents& contents) {
    std::vector<std::string> folders;
    for (const ChangeFolder& folder : contents.folders) {
        if (folder.moving && !folder.ended)
            folders.push_back(folder.path);
    }
    return folders;
}

bool PasswordChangeRecord::Create(const std::filesystem::path& dir, const crypto::CipherKey& oldKey,
                                  const crypto::CipherKey& newKey, std::string& error) {
    std::random_device device;
    ChangeRecordContents contents;
    contents.salt = device();
    contents.oldKeyId = KeyIdentity(oldKey, contents.salt);
    contents.newKeyId = KeyIdentity(newKey, contents.salt);
    std::vector<std::uint8_t> bytes(std::begin(kChangeRecordMagic), std::end(kChangeRecordMagic));
    const std::vector<std::uint8_t> header =
        Record(ChangeRecordType::Header, Payload()
                                             .Put32(contents.version)
                                             .Put32(contents.salt)
                                             .Put32(contents.oldKeyId)
                                             .Put32(contents.newKeyId));
    bytes.insert(bytes.end(), header.begin(), header.end());
    if (!file_.CreateNamed(dir, kChangeRecordName, bytes, error))
        return false;
    contents.validBytes = bytes.size();
    contents_ = std::move(contents);
    return true;
}

bool PasswordChangeRecord::Continue(const std::filesystem::path& dir, ChangeRecordContents contents,
                                    std::string& error) {
    if (!file_.Reopen(PathIn(dir), contents.validBytes, error))
        return false;
    contents_ = std::move(contents);
    return true;
}

std::optional<std::uint32_t> PasswordChangeRecord::FolderNumber(const std::string& folder) const {
    for (std::size_t i = 0; i < contents_.folders.size(); ++i) {
        if (contents_.folders[i].path == folder)
            return static_cast<std::uint32_t>(i);
    }
    return std::nullopt;
}

bool PasswordChangeRecord::Commit(std::vector<std::uint8_t> bytes, std::string& error) {
    if (!file_.Commit(bytes, error))
        return false;
    // What was just written is applied the way a reader will apply it.
    ReadRecords(bytes, 0, [&](std::uint32_t type, const std::uint8_t* payload, std::size_t length) {
        ByteReader in(payload, length);
        return Apply(type, in, contents_, false);
    });
    contents_.validBytes += bytes.size();
    return true;
}

bool PasswordChangeRecord::NoteMoving(const std::string& folder, ChangeKey target,
                                      std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> number = FolderNumber(folder);
    if (!number) {
        number = static_cast<std::uint32_t>(contents_.folders.size());
        bytes = Record(ChangeRecordType::Folder, Payload().Put32(*number).PutString(folder));
    }
    const std::vector<std::uint8_t> moving = Record(
        ChangeRecordType::Moving, Payload().Put32(*number).Put8(static_cast<std::uint8_t>(target)));
    bytes.insert(bytes.end(), moving.begin(), moving.end());
    return Commit(std::move(bytes), error);
}

bool PasswordChangeRecord::NoteReached(const std::string& folder, ChangeKey key,
                                       std::string& error) {
    const std::optional<std::uint32_t> number = FolderNumber(folder);
    if (!number) {
        error = "the record holds no folder " + folder;
        return false;
    }
    return Commit(Record(ChangeRecordType::Reached,
                         Payload().Put32(*number).Put8(static_cast<std::uint8_t>(key))),
                  error);
}

bool PasswordChangeRecord::NoteEnded(const std::string& folder, std::string& error) {
    const std::optional<std::uint32_t> number = FolderNumber(folder);
    if (!number || !contents_.folders[*number].moving) {
        error = "no run of " + folder + " was announced";
        return false;
    }
    return Commit(Record(ChangeRecordType::Ended, Payload().Put32(*number)), error);
}

bool PasswordChangeRecord::Remove(std::string& error) {
    if (!file_.IsOpen()) {
        error = "the record is not open";
        return false;
    }
    return file_.Remove(error);
}

}  // namespace tsrn::journal
