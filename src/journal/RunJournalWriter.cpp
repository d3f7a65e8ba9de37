#include "journal/RunJournalWriter.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "bulk/FileTransformer.h"
#include "bulk/FullIo.h"
#include "journal/PageHash.h"

// Mount ids are reused after an unmount; this one never is (Linux 6.8 on).
#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x00004000U
#endif

namespace tsrn::journal {

namespace {

constexpr std::size_t kReadBlock = 1 << 20;  // a multiple of the page size

// Journals are read back from anywhere: paths are kept absolute.
std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    return cwd.empty() || cwd.back() == '/' ? cwd + path : cwd + '/' + path;
}

FileState Source(bool rollingBack) {
    return rollingBack ? FileState::New : FileState::Old;
}

FileState Opposite(FileState state) {
    return state == FileState::Old ? FileState::New : FileState::Old;
}

}  // namespace

bool SyncFolderData(const std::string& folder, std::string& error) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        sync();
        return true;
    }
    const bool ok = syncfs(fd) == 0;
    if (!ok) {
        error = "cannot flush the files of " + folder + ": " + strerror(errno);
    }
    close(fd);
    return ok;
}

std::string DataPlace(const std::string& folder) {
    char boot[64] = {};
    int fd = open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
    ssize_t got = fd >= 0 ? read(fd, boot, sizeof boot - 1) : -1;
    if (fd >= 0) {
        close(fd);
    }
    struct statx st {};
    if (got <= 0 || statx(AT_FDCWD, folder.c_str(), 0, STATX_MNT_ID_UNIQUE, &st) != 0 ||
        (st.stx_mask & STATX_MNT_ID_UNIQUE) == 0) {
        return {};
    }
    std::string place(boot, static_cast<std::size_t>(got));
    while (!place.empty() && (place.back() == '\n' || place.back() == ' ')) {
        place.pop_back();
    }
    return place + "/" + std::to_string(st.stx_mnt_id);
}

RunJournalWriter::RunJournalWriter(std::string folder, bulk::CipherMode mode, std::uint32_t version)
    : folder_(std::move(folder)), mode_(mode), version_(version) {}

std::unique_ptr<RunJournalWriter> RunJournalWriter::Start(const std::filesystem::path& dir,
                                                          const std::string& folder,
                                                          bulk::CipherMode mode,
                                                          const bulk::KeyPair& keys,
                                                          std::string& error) {
    std::unique_ptr<RunJournalWriter> writer(new RunJournalWriter(folder, mode, kFormatVersion));
    JournalHeader header;
    header.mode = mode;
    header.salt = std::random_device{}();
    header.currentKeyId = KeyIdentity(keys.current, header.salt);
    header.nextKeyId = mode == bulk::CipherMode::Recipher ? KeyIdentity(keys.next, header.salt) : 0;
    header.folder = Absolute(folder);
    std::vector<std::uint8_t> first(std::begin(kMagic), std::end(kMagic));
    RecordEncoder encoder;
    encoder.Header(header);
    first.insert(first.end(), encoder.Bytes().begin(), encoder.Bytes().end());
    if (!writer->file_.Create(dir, first, error)) {
        return nullptr;
    }
    return writer;
}

std::unique_ptr<RunJournalWriter> RunJournalWriter::Continue(const std::filesystem::path& journal,
                                                             const JournalContents& contents,
                                                             std::string& error) {
    std::unique_ptr<RunJournalWriter> writer(new RunJournalWriter(
        contents.header.folder, contents.header.mode, contents.header.version));
    if (!writer->file_.Reopen(journal, contents.validBytes, error)) {
        return nullptr;
    }
    for (const JournalFileEntry& entry : contents.files) {
        FileInfo info;
        info.path = entry.path;
        info.length = entry.length;
        std::size_t page = 0;
        while (page < entry.pages.size() && entry.pages[page].known) {
            ++page;
        }
        info.noted = std::min<std::uint64_t>(page * kPageSize, entry.length);
        info.permissions = entry.permissions;
        writer->byPath_[entry.path] = static_cast<std::uint32_t>(writer->files_.size());
        writer->files_.push_back(std::move(info));
    }
    writer->undoing_ = contents.undoing;
    writer->filesOnDisk_ = writer->files_.size();
    return writer;
}

void RunJournalWriter::FilePermissions(const std::string& path, std::uint32_t bits) {
    permissionsPath_ = path;
    permissions_ = bits;
    if (broken_ || (bits & S_IWUSR) != 0) {
        return;
    }
    // The run is about to open this file up for writing: its mode must be on
    // disk first, or a crash right after would leave it writable.
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return;  // the run will fail to open it
    }
    const std::uint32_t fileNo = FileNumber(path, static_cast<std::uint64_t>(st.st_size), bits);
    if (fileNo >= filesOnDisk_) {
        // A failed commit breaks the journal, which the run learns from Broken().
        (void)Commit();
    }
}

std::uint32_t RunJournalWriter::FileNumber(const std::string& path, std::uint64_t length,
                                           std::uint32_t permissions) {
    auto it = byPath_.find(path);
    if (it != byPath_.end() && files_[it->second].length == length &&
        (permissions == 0 || files_[it->second].permissions == permissions)) {
        return it->second;
    }
    // A path seen with another length is a different file: its old notes no
    // longer apply. With other permissions, those are what recovery must restore.
    const auto fileNo = static_cast<std::uint32_t>(files_.size());
    files_.push_back(FileInfo{path, length, 0, Status::Untouched, permissions});
    byPath_[path] = fileNo;
    pending_.File(fileNo, length, Absolute(path), permissions);
    return fileNo;
}

void RunJournalWriter::SetStatus(FileInfo& file, Status status) {
    newFiles_ -= file.status == Status::New ? 1 : 0;
    inProgress_ -= file.status == Status::InProgress ? 1 : 0;
    file.status = status;
    newFiles_ += status == Status::New ? 1 : 0;
    inProgress_ += status == Status::InProgress ? 1 : 0;
}

bool RunJournalWriter::BeginFile(const std::string& path, bulk::CipherMode mode, bool rollingBack,
                                 std::uint64_t length) {
    (void)mode;
    if (broken_) {
        return false;
    }
    if (rollingBack && !undoing_ && !MarkUndoing()) {
        return false;
    }
    ForgetUpTo(path);
    current_ = FileNumber(path, length, permissionsPath_ == path ? permissions_ : 0);
    haveCurrent_ = true;
    currentSource_ = Source(rollingBack);
    currentFd_ = -1;
    currentInode_ = 0;
    SetStatus(files_[current_], Status::InProgress);
    return true;
}

void RunJournalWriter::FileDescriptor(int fd, const struct stat& st) {
    currentFd_ = fd;
    // Only a file of several names can be met again under another.
    if (st.st_nlink > 1) {
        currentDevice_ = st.st_dev;
        currentInode_ = st.st_ino;
    }
}

bool RunJournalWriter::BeforeChunkWrite(std::uint64_t offset, const std::uint8_t* data,
                                        std::size_t length) {
    (void)data;
    if (broken_ || !haveCurrent_) {
        return false;
    }
    if (offset + length <= files_[current_].noted) {
        return true;
    }
    std::uint64_t budget = limits_.aheadBytes;
    std::string why;
    if (!NoteAhead(current_, currentSource_, budget, why)) {
        return Fail(why);
    }
    if (offset + length > files_[current_].noted) {
        // The budget ran out before this chunk's end: note the rest of it anyway.
        std::uint64_t more = offset + length - files_[current_].noted;
        if (!NoteAhead(current_, currentSource_, more, why)) {
            return Fail(why);
        }
    }
    NoteUpcoming(currentSource_, budget);
    return Commit();
}

bool RunJournalWriter::FileDone(const std::string& path, bool restored) {
    if (broken_ || !haveCurrent_ || files_[current_].path != path) {
        return false;
    }
    // restored: the transform was undone, so the file is back in its source state.
    const FileState state = restored ? currentSource_ : Opposite(currentSource_);
    SetStatus(files_[current_], state == FileState::New ? Status::New : Status::Old);
    pending_.Done(current_, state);
    haveCurrent_ = false;
    currentFd_ = -1;
    currentInode_ = 0;
    return true;
}

std::uint64_t RunJournalWriter::PageHash(const std::uint8_t* data, std::size_t length) const {
    return journal::PageHash(data, length, version_);
}

bool RunJournalWriter::NotePages(std::uint64_t offset, std::size_t length,
                                 const std::uint64_t* pageHashes) {
    if (broken_ || !haveCurrent_) {
        return false;
    }
    FileInfo& file = files_[current_];
    const std::uint64_t end = std::min(offset + length, file.length);
    if (end <= file.noted) {
        return true;  // an undo of pages noted on the way there
    }
    if (offset > file.noted || file.noted % kPageSize != 0) {
        return BeforeChunkWrite(offset, nullptr, length);  // read from the file
    }
    // The hashes are of the bytes the file holds now: the state it is leaving.
    const std::uint64_t skip = (file.noted - offset) / kPageSize;
    const std::uint64_t count = PageCount(end - file.noted);
    pending_.Pages(current_, currentSource_, file.noted / kPageSize, pageHashes + skip,
                   static_cast<std::size_t>(count));
    file.noted = end;
    // Room for the rest of the file's hashes now (if MakeRoom did not make
    // it), so the next flushes are short.
    return Commit(RoomFor(file.length - end));
}

// A Pages record has 29 bytes beside its hashes and holds at least a
// chunk's 64 of them (512 bytes): a sixteenth more covers that.
std::uint64_t RunJournalWriter::RoomFor(std::uint64_t bytes) {
    const std::uint64_t hashes = PageCount(bytes) * sizeof(std::uint64_t);
    return hashes + hashes / 16 + kPageSize;
}

bool RunJournalWriter::MakeRoom() {
    if (broken_ || !haveCurrent_) {
        return false;
    }
    const FileInfo& file = files_[current_];
    // Besides the hashes: the records not flushed yet and the file's own.
    const std::uint64_t room =
        pending_.Bytes().size() + file.path.size() + kPageSize + RoomFor(file.length - file.noted);
    std::string error;
    return file_.MakeRoom(room, error) || Fail(error);
}

void RunJournalWriter::RunDone(bool complete) {
    if (broken_ || removed_) {
        return;
    }
    if (complete || (newFiles_ == 0 && inProgress_ == 0)) {
        pending_.Complete(complete ? FileState::New : FileState::Old, DataPlace(folder_));
        completed_ = Commit();
        // Every file is in one state: once its data is on disk the journal is not needed.
        removed_ = !completed_ && FlushAndRemove(error_);
    } else {
        pending_.Marker(RecordType::Failed);
        // The run has failed already; unwritten, the journal stays as it was.
        (void)Commit();
    }
}

bool RunJournalWriter::NoteAhead(std::uint32_t fileNo, FileState state, std::uint64_t& budget,
                                 std::string& why) {
    FileInfo& file = files_[fileNo];
    if (file.noted >= file.length) {
        return true;
    }
    if (haveCurrent_ && fileNo == current_ && currentFd_ >= 0) {
        return NoteAheadFrom(currentFd_, fileNo, state, budget, why);
    }
    const UniqueFd fd = OpenRunFile(file.path, O_RDONLY);
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) != file.length) {
        why = "cannot read ahead in " + file.path + ": " + strerror(fd.Get() < 0 ? errno : ESTALE);
        return false;
    }
    return NoteAheadFrom(fd.Get(), fileNo, state, budget, why);
}

// `fd` is open on the file numbered `fileNo`, as long as it was when numbered.
bool RunJournalWriter::NoteAheadFrom(int fd, std::uint32_t fileNo, FileState state,
                                     std::uint64_t& budget, std::string& why) {
    FileInfo& file = files_[fileNo];
    if (file.noted >= file.length) {
        return true;
    }
    readBuffer_.resize(kReadBlock);
    std::uint64_t end = file.noted + std::max<std::uint64_t>(budget, kPageSize);
    end = end >= file.length ? file.length : end - end % kPageSize;
    const std::uint64_t firstPage = file.noted / kPageSize;
    hashes_.clear();
    for (std::uint64_t at = file.noted; at < end;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kReadBlock, end - at));
        ssize_t got = bulk::ReadFull(bulk::FileIo::System(), fd, readBuffer_.data(), want, at);
        if (got != static_cast<ssize_t>(want)) {
            why = "cannot read ahead in " + file.path + ": " + strerror(got < 0 ? errno : ESTALE);
            return false;
        }
        for (std::size_t page = 0; page < want; page += kPageSize) {
            hashes_.push_back(journal::PageHash(readBuffer_.data() + page,
                                                std::min(kPageSize, want - page), version_));
        }
        at += want;
    }
    pending_.Pages(fileNo, state, firstPage, hashes_.data(), hashes_.size());
    budget -= std::min(budget, end - file.noted);
    file.noted = end;
    return true;
}

void RunJournalWriter::NoteUpcoming(FileState state, std::uint64_t& budget) {
    std::size_t files = 0;
    std::size_t index = 0;
    while (budget > 0 && files < limits_.aheadFiles) {
        if (index == upcoming_.size()) {
            std::optional<std::string> next = NextUpcoming();
            if (!next) {
                break;
            }
            upcomingSet_.insert(*next);
            upcoming_.push_back(std::move(*next));
        }
        const std::string& path = upcoming_[index++];
        auto known = byPath_.find(path);
        if (known != byPath_.end() && files_[known->second].noted >= files_[known->second].length) {
            continue;
        }
        // Another name of the file being transformed: opening it would break
        // the run's lease on it.
        if (currentInode_ != 0 && LinkedToCurrent(path)) {
            continue;
        }
        // Opened first and looked at through the open file: one look, not two.
        const UniqueFd fd = OpenRunFile(path, O_RDONLY);
        struct stat st {};
        if (!fd.Valid() || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            static_cast<std::uint64_t>(st.st_size) > limits_.aheadFileBytes) {
            continue;  // the run will meet it, or not, on its own
        }
        const std::uint32_t fileNo =
            FileNumber(path, static_cast<std::uint64_t>(st.st_size), st.st_mode & 07777);
        ++files;
        // A file that cannot be read ahead is noted when the run reaches it.
        std::string why;
        (void)NoteAheadFrom(fd.Get(), fileNo, state, budget, why);
    }
}

bool RunJournalWriter::LinkedToCurrent(const std::string& path) const {
    struct stat st {};
    return lstat(path.c_str(), &st) != 0 ||
           (st.st_ino == currentInode_ && st.st_dev == currentDevice_);
}

std::optional<std::string> RunJournalWriter::NextUpcoming() {
    if (undoing_) {
        return std::nullopt;  // filled in one go when the undo starts
    }
    if (walkEnded_) {
        return std::nullopt;
    }
    if (!walk_) {
        walk_ = std::make_unique<bulk::FolderWalker>(folder_);
    }
    std::optional<std::string> found;
    walk_->SetFileHandler([&found](const std::string& path) {
        found = path;
        return true;
    });
    while (!found) {
        if (walk_->WalkStep() != 0) {
            walkEnded_ = true;
            break;
        }
    }
    return found;
}

void RunJournalWriter::ForgetUpTo(const std::string& path) {
    if (upcomingSet_.count(path) == 0) {
        return;
    }
    while (!upcoming_.empty()) {
        std::string front = std::move(upcoming_.front());
        upcoming_.pop_front();
        upcomingSet_.erase(front);
        if (front == path) {
            return;
        }
    }
}

bool RunJournalWriter::NoteWholeFile(std::uint32_t fileNo, FileState state) {
    if (broken_ || fileNo >= files_.size()) {
        return false;
    }
    std::uint64_t budget = files_[fileNo].length;
    std::string why;
    if (!NoteAhead(fileNo, state, budget, why)) {
        return Fail(why);
    }
    return Commit();
}

void RunJournalWriter::Settled(std::uint32_t fileNo, FileState state) {
    if (fileNo < files_.size()) {
        SetStatus(files_[fileNo], state == FileState::New ? Status::New : Status::Old);
        pending_.Done(fileNo, state);
    }
}

bool RunJournalWriter::MarkUndoing() {
    undoing_ = true;
    upcoming_.clear();
    upcomingSet_.clear();
    // The undo takes the files back in the reverse order of the run.
    for (std::size_t i = files_.size(); i-- > 0;) {
        if (files_[i].status == Status::New) {
            upcomingSet_.insert(files_[i].path);
            upcoming_.push_back(files_[i].path);
        }
    }
    pending_.Marker(RecordType::Undoing);
    return Commit();
}

bool RunJournalWriter::FinishClean() {
    if (broken_) {
        return false;
    }
    std::string error;
    if (!FlushAndRemove(error)) {
        return Fail(error);
    }
    removed_ = true;
    return true;
}

bool RunJournalWriter::FlushAndRemove(std::string& error) {
    if (!SyncFolderData(folder_, error) || !file_.Remove(error)) {
        return false;
    }
    pending_.Clear();
    return true;
}

bool RunJournalWriter::Keep() {
    return !broken_ && Commit();
}

bool RunJournalWriter::Commit(std::uint64_t reserve) {
    if (pending_.Empty()) {
        return true;
    }
    std::string error;
    if (!file_.Commit(pending_.Bytes(), error, reserve)) {
        return Fail(error);
    }
    pending_.Clear();
    filesOnDisk_ = files_.size();
    return true;
}

bool RunJournalWriter::Fail(const std::string& error) {
    broken_ = true;
    error_ = error;
    return false;
}

}  // namespace tsrn::journal
