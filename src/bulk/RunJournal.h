#pragma once
// Where a bulk run reports each step that changes a file, so a journal can
// record enough to finish or undo the run after a crash. Every call may veto
// by returning false; the run then stops before the write in question. The
// default records nothing.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "bulk/CipherMode.h"

namespace tsrn::bulk {

class RunJournal {
  public:
    // The unit the journal notes files in; windows are whole pages but for a file's last.
    static constexpr std::size_t kPageSize = 4096;

    virtual ~RunJournal() = default;

    // A file is about to be transformed (`rollingBack`: undone) in `mode`.
    [[nodiscard]] virtual bool BeginFile(const std::string& path, CipherMode mode, bool rollingBack,
                                         std::uint64_t length) {
        (void)path, (void)mode, (void)rollingBack, (void)length;
        return true;
    }
    // The file begun (`st`) is open on `fd` for its whole transform, under a
    // write lease: read it through `fd`. Opening it again, under any of its
    // names, would break the lease.
    virtual void FileDescriptor(int fd, const struct stat& st) { (void)fd, (void)st; }
    // The permission bits `path` had before the run opened it up for writing;
    // comes just before BeginFile, so a crash in between can put them back.
    virtual void FilePermissions(const std::string& path, std::uint32_t bits) {
        (void)path, (void)bits;
    }
    // `data` is what is about to be written at `offset` of the file begun.
    [[nodiscard]] virtual bool BeforeChunkWrite(std::uint64_t offset, const std::uint8_t* data,
                                                std::size_t length) {
        (void)offset, (void)data, (void)length;
        return true;
    }
    // Large files go on two threads, which hash each page with PageHash
    // from the bytes the file holds now (the state it is leaving), from
    // either thread at once: it must not touch the journal's state.
    virtual std::uint64_t PageHash(const std::uint8_t* data, std::size_t length) const {
        (void)data, (void)length;
        return 0;
    }
    // The hashes of the pages of [offset, offset + length), in file order
    // from offset 0 on; returns once they are on disk, and no page of that
    // range is written before. Comes from a third thread, never while
    // another call is under way.
    [[nodiscard]] virtual bool NotePages(std::uint64_t offset, std::size_t length,
                                         const std::uint64_t* pageHashes) {
        (void)offset, (void)length, (void)pageHashes;
        return true;
    }
    // NotePages will come for the file begun: the journal may make room for
    // all its hashes now, so that none of those flushes has to. Comes from
    // the thread that calls NotePages, before its first call, while the
    // first pages are being read.
    [[nodiscard]] virtual bool MakeRoom() { return true; }
    // The file begun is wholly in its new state (`restored`: back in its old one).
    [[nodiscard]] virtual bool FileDone(const std::string& path, bool restored) {
        (void)path, (void)restored;
        return true;
    }
    // The run has ended; `complete` when every file reached its new state.
    virtual void RunDone(bool complete) { (void)complete; }
};

}  // namespace tsrn::bulk
