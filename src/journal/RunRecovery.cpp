#include "journal/RunRecovery.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "bulk/FileTransformer.h"
#include "bulk/FullIo.h"
#include "journal/JournalFile.h"
#include "journal/PageHash.h"
#include "journal/PasswordChangeRecord.h"
#include "platform/Locations.h"
#include "platform/Paths.h"

namespace tsrn::journal {

namespace {

constexpr std::size_t kBlock = 1 << 20;

// All `length` bytes, or false (an error, or the file ends first).
bool ReadWhole(int fd, std::uint8_t* data, std::size_t length, std::uint64_t offset) {
    return bulk::ReadFull(bulk::FileIo::System(), fd, data, length, offset) ==
           static_cast<ssize_t>(length);
}

std::string WithSlash(const std::string& path) {
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    if (normal.empty() || normal.back() != '/') {
        normal += '/';
    }
    return normal;
}

}  // namespace

std::filesystem::path JournalDirectory() {
    return StateDirectory() / "runs";
}

RunScan FindUnfinishedRuns(const std::filesystem::path& dir) {
    RunScan scan;
    std::error_code ec;
    std::vector<std::filesystem::path> paths;
    for (const auto& item : std::filesystem::directory_iterator(dir, ec)) {
        if (item.path().extension() == ".journal" && item.is_regular_file(ec)) {
            paths.push_back(item.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    // A password change left behind learns from these journals how its
    // folder runs ended: until it has, they stay.
    std::vector<std::string> changing;
    if (const ChangeRecordLoad change = PasswordChangeRecord::Load(dir); change.contents) {
        changing = PasswordChangeRecord::MovingFolders(*change.contents);
    }
    for (const auto& path : paths) {
        std::vector<std::uint8_t> bytes;
        std::string error;
        std::optional<JournalContents> contents;
        if (ReadJournalBytes(path, bytes, error)) {
            contents = ParseJournal(bytes, error);
        } else if (!std::filesystem::exists(path, ec) ||
                   error == "in use by a run still going on") {
            continue;  // removed meanwhile, or the journal of a live run
        }
        if (contents && contents->files.empty()) {
            // The run never wrote anything: there is nothing to recover.
            if (unlink(path.c_str()) == 0 || errno == ENOENT) {
                continue;
            }
        }
        if (contents && contents->complete && !contents->completePlace.empty() &&
            contents->completePlace == DataPlace(contents->header.folder) &&
            std::find(changing.begin(), changing.end(), contents->header.folder) ==
                changing.end()) {
            // Ended in one state, and its data is still in this page cache or on disk.
            if (SyncFolderData(contents->header.folder, error) &&
                (unlink(path.c_str()) == 0 || errno == ENOENT) && SyncDirectory(dir, error)) {
                continue;
            }
            scan.problems.push_back(path.string() + ": " +
                                    (error.empty() ? std::string(strerror(errno)) : error));
            continue;
        }
        if (contents) {
            scan.runs.push_back(UnfinishedRun{path, std::move(*contents)});
        } else {
            scan.problems.push_back(path.string() + ": " + error);
        }
    }
    return scan;
}

const UnfinishedRun* OverlappingRun(const RunScan& scan, const std::string& folder) {
    for (const UnfinishedRun& run : scan.runs) {
        if (FoldersOverlap(folder, run.contents.header.folder)) {
            return &run;
        }
    }
    return nullptr;
}

namespace {

bool SlashedOverlap(const std::string& first, const std::string& second) {
    return first.compare(0, second.size(), second) == 0 ||
           second.compare(0, first.size(), first) == 0;
}

}  // namespace

// By the paths' text, and by the folders themselves (links resolved) where
// they exist, so that no alias hides an overlap.
bool FoldersOverlap(const std::string& a, const std::string& b) {
    return SlashedOverlap(WithSlash(a), WithSlash(b)) ||
           SlashedOverlap(WithSlash(ShortPath(a)), WithSlash(ShortPath(b)));
}

bool KeysMatch(const JournalHeader& header, const bulk::KeyPair& keys) {
    if (KeyIdentity(keys.current, header.salt) != header.currentKeyId) {
        return false;
    }
    return header.mode != bulk::CipherMode::Recipher ||
           KeyIdentity(keys.next, header.salt) == header.nextKeyId;
}

RunRecovery::RunRecovery(UnfinishedRun run, const bulk::KeyPair& keys)
    : run_(std::move(run)), keys_(keys) {}

bool RunRecovery::KeysMatch() const {
    return journal::KeysMatch(run_.contents.header, keys_);
}

FileSurvey RunRecovery::Survey(const JournalFileEntry& entry) const {
    FileSurvey survey;
    const UniqueFd fd = OpenRunFile(entry.path, O_RDONLY);
    survey.missing = fd.Get() < 0 && errno == ENOENT;
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) != entry.length) {
        return survey;
    }
    const bulk::ChunkCipher forward(run_.contents.header.mode, false, keys_);
    const bulk::ChunkCipher backward(run_.contents.header.mode, true, keys_);
    std::vector<std::uint8_t> block(kBlock);
    std::uint8_t other[kPageSize];
    const std::uint32_t version = run_.contents.header.version;
    survey.pages.reserve(entry.pages.size());
    for (std::uint64_t at = 0; at < entry.length; at += kBlock) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, entry.length - at));
        if (!ReadWhole(fd.Get(), block.data(), want, at)) {
            return FileSurvey{};
        }
        for (std::size_t off = 0; off < want; off += kPageSize) {
            const std::size_t n = std::min(kPageSize, want - off);
            const PageNote& note = entry.pages[(at + off) / kPageSize];
            PageState state = PageState::Old;  // a page never noted was never written
            if (note.known) {
                if (PageHash(block.data() + off, n, version) == note.hash) {
                    state = note.state == FileState::New ? PageState::New : PageState::Old;
                } else {
                    // Would the page, taken into the noted state, match?
                    std::memcpy(other, block.data() + off, n);
                    const bool fileEnd = at + off + n == entry.length;
                    (note.state == FileState::New ? forward : backward)
                        .Apply(other, n, at + off, fileEnd);
                    if (PageHash(other, n, version) == note.hash) {
                        state = note.state == FileState::New ? PageState::Old : PageState::New;
                    } else {
                        state = PageState::Unknown;
                    }
                }
            }
            survey.pages.push_back(state);
            survey.oldPages += state == PageState::Old ? 1 : 0;
            survey.newPages += state == PageState::New ? 1 : 0;
            survey.unknownPages += state == PageState::Unknown ? 1 : 0;
        }
    }
    survey.readable = true;
    return survey;
}

bool RunRecovery::Convert(const JournalFileEntry& entry, const FileSurvey& survey, FileState target,
                          std::string& error) const {
    const PageState wrong = target == FileState::New ? PageState::Old : PageState::New;
    if (std::find(survey.pages.begin(), survey.pages.end(), wrong) == survey.pages.end()) {
        return true;
    }
    struct stat st {};
    if (lstat(entry.path.c_str(), &st) != 0) {
        error = entry.path + ": " + strerror(errno);
        return false;
    }
    const mode_t previous = st.st_mode & 07777;
    const bool opened = (previous & S_IWUSR) == 0;
    if (opened &&
        fchmodat(AT_FDCWD, entry.path.c_str(), previous | S_IWUSR, AT_SYMLINK_NOFOLLOW) != 0) {
        error = entry.path + ": " + strerror(errno);
        return false;
    }
    bool ok = true;
    {
        const UniqueFd fd = OpenRunFile(entry.path, O_RDWR);
        const bulk::ChunkCipher cipher(run_.contents.header.mode, target == FileState::Old, keys_);
        std::uint8_t page[kPageSize];
        ok = fd.Get() >= 0;
        for (std::size_t i = 0; ok && i < survey.pages.size(); ++i) {
            if (survey.pages[i] != wrong) {
                continue;
            }
            const std::uint64_t offset = i * kPageSize;
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>(kPageSize, entry.length - offset));
            ok = ReadWhole(fd.Get(), page, n, offset);
            if (ok) {
                cipher.Apply(page, n, offset, offset + n == entry.length);
                ok = bulk::WriteFull(bulk::FileIo::System(), fd.Get(), page, n, offset);
            }
        }
        if (!ok) {
            error = entry.path + ": " + strerror(errno);
        }
    }
    if (opened) {
        // The bytes are what counts: a mode not put back leaves the file writable, no more.
        const int restored = fchmodat(AT_FDCWD, entry.path.c_str(), previous, AT_SYMLINK_NOFOLLOW);
        (void)restored;
    }
    return ok;
}

std::vector<std::size_t> RunRecovery::LatestEntries() const {
    std::unordered_map<std::string, std::size_t> latest;
    const auto& files = run_.contents.files;
    for (std::size_t i = 0; i < files.size(); ++i) {
        latest[files[i].path] = i;
    }
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (latest[files[i].path] == i) {
            order.push_back(i);
        }
    }
    return order;
}

std::unique_ptr<bulk::CipheringRun> RunRecovery::ContinuedRun(const RecoveryResult& result,
                                                              Prompter& prompter,
                                                              std::size_t chunkSize) {
    if (!result.ok || result.undone || result.finished || !writer_) {
        return nullptr;
    }
    auto run = std::make_unique<bulk::CipheringRun>(
        run_.contents.header.folder, run_.contents.header.mode, prompter, keys_, chunkSize);
    run->MarkDone(result.done);
    run->SetJournal(writer_.get());
    return run;
}

RecoveryResult RunRecovery::Recover(RecoveryChoice choice,
                                    const std::function<void(const std::string&)>& onFile) {
    RecoveryResult result;
    if (!KeysMatch()) {
        result.keysMismatch = true;
        result.error = "the password does not match the one the run was started with";
        return result;
    }
    writer_ = RunJournalWriter::Continue(run_.journal, run_.contents, result.error);
    if (!writer_) {
        return result;
    }
    // A run that had ended in one state is only made sure of; after that, a
    // page in neither state is a change made since, not the run's.
    const bool finished = run_.contents.complete.has_value();
    const bool undo = finished ? *run_.contents.complete == FileState::Old
                               : choice == RecoveryChoice::Undo || run_.contents.undoing;
    result.undone = undo;
    result.finished = finished;
    if (!finished && undo && !run_.contents.undoing && !writer_->MarkUndoing()) {
        result.error = writer_->Error();
        return result;
    }
    std::vector<std::size_t> order = LatestEntries();
    std::vector<FileSurvey> surveys;
    surveys.reserve(order.size());
    for (std::size_t index : order) {
        surveys.push_back(Survey(run_.contents.files[index]));
        if (surveys.back().Unknown() && finished) {
            continue;
        }
        if (surveys.back().Unknown()) {
            result.changedFiles.push_back(run_.contents.files[index].path);
        } else if (surveys.back().missing) {
            result.missingFiles.push_back(run_.contents.files[index].path);
        }
    }
    if (!undo && !result.changedFiles.empty()) {
        result.error = "files were changed outside the run; only an undo can go on";
        (void)writer_->Keep();  // fails with its own error either way; kept as far as it goes
        return result;
    }
    const FileState target = undo ? FileState::Old : FileState::New;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = undo ? order.size() - 1 - k : k;
        const auto fileNo = static_cast<std::uint32_t>(order[i]);
        const JournalFileEntry& entry = run_.contents.files[fileNo];
        const FileSurvey& survey = surveys[i];
        // A crash while the file was opened up for writing leaves it so.
        struct PutPermissionsBack {
            const JournalFileEntry& file;
            bool apply;
            ~PutPermissionsBack() {
                if (apply) {
                    const int restored = fchmodat(AT_FDCWD, file.path.c_str(), file.permissions,
                                                  AT_SYMLINK_NOFOLLOW);
                    (void)restored;  // as in Convert
                }
            }
        } permissionsBack{entry, entry.permissions != 0 && !survey.Unknown() && !survey.missing};
        if (finished ? entry.done != run_.contents.complete
                     : survey.Unknown() || survey.missing || (!undo && survey.newPages == 0)) {
            // Left alone, or never touched: the resumed run takes it. A finished
            // run's journal names every file it did (its last flush holds them all).
            continue;
        }
        if (survey.Unknown() || survey.missing) {
            continue;
        }
        if (onFile) {
            onFile(entry.path);
        }
        const bool repair = undo ? survey.newPages > 0 : survey.oldPages > 0;
        if (repair && !undo && !writer_->NoteWholeFile(fileNo, FileState::Old)) {
            result.error = writer_->Error();
            return result;
        }
        if (repair && !Convert(entry, survey, target, result.error)) {
            (void)writer_->Keep();  // as above: the conversion's error is the one to tell
            return result;
        }
        result.repairedFiles += repair ? 1 : 0;
        writer_->Settled(fileNo, target);
        if (!undo) {
            result.done.push_back(entry.path);
        }
    }
    const bool clean = result.changedFiles.empty();
    if ((undo || finished) && clean ? !writer_->FinishClean() : !writer_->Keep()) {
        result.error = writer_->Error();
        return result;
    }
    result.ok = clean;
    if (!clean) {
        result.error = "some files were changed outside the run and were left alone";
    }
    return result;
}

}  // namespace tsrn::journal
