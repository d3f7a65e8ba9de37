// Large files go through the two-thread path: the same bytes as the
// reference, the same error rules as the chunk loop, and with a journal no
// page is written before the journal holds the hash of the bytes it held.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "FaultyIo.h"
#include "NoNewThreads.h"
#include "TempDir.h"
#include "TreeHelpers.h"
#include "bulk/FileTransformer.h"

namespace tsrn::bulk {
namespace {

using test::Bytes;
using test::KeyOf;
using test::RandomBytes;
using test::ReadBytes;
using test::ReferenceEncipher;
using test::WriteBytes;

// Files over 16 chunks; up to 64 chunks (256 KiB) read ahead of the journal,
// steps of 64 without.
constexpr std::size_t kChunk = 4096;
const KeyPair kKeys{KeyOf(0x0102030405060708ull), KeyOf(0x1112131415161718ull)};

struct CountingProgress : TransformProgress {
    std::uint64_t chunks = 0;
    int restored = 0;
    void FileOpened(std::uint64_t) override {}
    void ChunkDone(std::uint64_t bytes) override { chunks += bytes; }
    void FileRestored() override { ++restored; }
};

// Keeps the page hashes it is handed, checks them against the bytes the
// file held (`Expect`), and refuses the Nth note when asked (the 0th: the
// room made before the first).
class NotingJournal : public RunJournal {
  public:
    explicit NotingJournal(int vetoAt = -1) : vetoAt_(vetoAt) {}

    void Expect(const Bytes& source) {
        std::lock_guard<std::mutex> lock(mutex_);
        source_ = &source;
        nextOffset_ = 0;
    }
    std::uint64_t PageHash(const std::uint8_t* data, std::size_t length) const override {
        std::uint64_t h = length;
        for (std::size_t i = 0; i < length; ++i) {
            h = h * 1099511628211ull + data[i];
        }
        return h;
    }
    bool MakeRoom() override { return vetoAt_ != 0; }
    bool NotePages(std::uint64_t offset, std::size_t length,
                   const std::uint64_t* pageHashes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (++notes_ == vetoAt_) {
            return false;
        }
        outOfOrder_ += offset != nextOffset_ ? 1 : 0;
        nextOffset_ = offset + length;
        for (std::size_t at = 0; at < length; at += kPageSize) {
            const std::uint64_t hash = pageHashes[at / kPageSize];
            const std::size_t page = std::min(kPageSize, length - at);
            const bool right = source_ != nullptr && offset + at + page <= source_->size() &&
                               hash == PageHash(source_->data() + offset + at, page);
            wrongHashes_ += right ? 0 : 1;
            noted_[(offset + at) / kPageSize] = hash;
        }
        return true;
    }
    // Writes that undo are of pages noted before.
    bool BeforeChunkWrite(std::uint64_t, const std::uint8_t*, std::size_t) override { return true; }

    bool AllNoted(std::uint64_t offset, std::size_t length) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::uint64_t page = offset / kPageSize; page * kPageSize < offset + length; ++page) {
            if (noted_.count(page) == 0) {
                return false;
            }
        }
        return true;
    }
    int WrongHashes() const { return wrongHashes_; }
    int OutOfOrder() const { return outOfOrder_; }

  private:
    std::mutex mutex_;
    int vetoAt_;
    int notes_ = 0;
    int wrongHashes_ = 0;
    int outOfOrder_ = 0;
    std::uint64_t nextOffset_ = 0;
    const Bytes* source_ = nullptr;
    std::unordered_map<std::uint64_t, std::uint64_t> noted_;
};

// Counts writes to pages the journal had not noted yet.
class CheckingIo : public FileIo {
  public:
    explicit CheckingIo(NotingJournal& journal) : journal_(journal) {}
    ssize_t WriteAt(int fd, const void* buffer, std::size_t length, off_t offset) override {
        if (!journal_.AllNoted(static_cast<std::uint64_t>(offset), length)) {
            ++unnoted_;
        }
        return FileIo::WriteAt(fd, buffer, length, offset);
    }
    int Unnoted() const { return unnoted_; }

  private:
    NotingJournal& journal_;
    std::atomic<int> unnoted_{0};
};

// Without a journal only files over 4 MiB take the windowed path.
const std::size_t kJournalLengths[] = {16 * kChunk + 1, 2 * 65536 + 7, 262144,
                                       262144 + 3,      3 * 262144,    (1u << 20) + 5};
const std::size_t kPlainLengths[] = {(4u << 20) + 1, (4u << 20) + 3 * 262144,
                                     (5u << 20) + 262144 + 7};
constexpr std::size_t kErrorFileLength = (4u << 20) + 300001;

TransformResult Encipher(FileTransformer& transformer, const std::filesystem::path& path,
                         CountingProgress& progress, bool rollingBack = false) {
    return transformer.Transform(path.string(),
                                 ChunkCipher(CipherMode::Encipher, rollingBack, kKeys),
                                 CipherMode::Encipher, rollingBack, progress);
}

TEST(WindowedTransform, MatchesTheReferenceWithAndWithoutJournal) {
    test::TempDir dir;
    const auto path = dir / "f";
    for (bool withJournal : {false, true}) {
        for (std::size_t length :
             withJournal
                 ? std::vector<std::size_t>(std::begin(kJournalLengths), std::end(kJournalLengths))
                 : std::vector<std::size_t>(std::begin(kPlainLengths), std::end(kPlainLengths))) {
            SCOPED_TRACE("length " + std::to_string(length) +
                         (withJournal ? " with journal" : " without journal"));
            const Bytes plain = RandomBytes(length, static_cast<std::uint32_t>(length));
            WriteBytes(path, plain);
            NotingJournal journal;
            CheckingIo checking(journal);
            FileTransformer transformer(kChunk, withJournal ? checking : FileIo::System());
            if (withJournal) {
                transformer.SetJournal(&journal);
            }
            CountingProgress progress;
            journal.Expect(plain);
            ASSERT_EQ(Encipher(transformer, path, progress).status, TransformStatus::Done);
            const Bytes enciphered = ReferenceEncipher(plain, kKeys.current);
            EXPECT_EQ(ReadBytes(path), enciphered);
            EXPECT_EQ(progress.chunks, length);
            journal.Expect(enciphered);
            ASSERT_EQ(Encipher(transformer, path, progress, true).status, TransformStatus::Done);
            EXPECT_EQ(ReadBytes(path), plain);
            EXPECT_EQ(checking.Unnoted(), 0);
            EXPECT_EQ(journal.WrongHashes(), 0);
            EXPECT_EQ(journal.OutOfOrder(), 0);
        }
    }
}

TEST(WindowedTransform, ReadOrWriteErrorsLeaveTheFileAsItWas) {
    struct Case {
        const char* name;
        int failRead;   // 0: none
        int failWrite;  // 0: none
    };
    const Case cases[] = {
        {"first read", 1, 0},  {"read in the second window", 80, 0},  {"a late read", 70, 0},
        {"first write", 0, 1}, {"write in the second window", 0, 80}, {"a late write", 0, 70},
    };
    test::TempDir dir;
    const auto path = dir / "f";
    const Bytes plain = RandomBytes(kErrorFileLength, 9);
    for (bool withJournal : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (withJournal ? " with journal" : ""));
            WriteBytes(path, plain);
            test::FaultyIo io;
            if (c.failRead != 0)
                io.FailRead(c.failRead);
            if (c.failWrite != 0)
                io.FailWrite(c.failWrite);
            NotingJournal journal;
            journal.Expect(plain);
            FileTransformer transformer(kChunk, io);
            if (withJournal)
                transformer.SetJournal(&journal);
            CountingProgress progress;
            const TransformResult result = Encipher(transformer, path, progress);
            EXPECT_EQ(result.status, TransformStatus::AccessError);
            EXPECT_NE(result.error, 0);
            EXPECT_EQ(progress.restored, 1);
            EXPECT_EQ(ReadBytes(path), plain);
        }
    }
}

TEST(WindowedTransform, AWriteErrorThatCannotBeUndoneIsReported) {
    test::TempDir dir;
    const auto path = dir / "f";
    WriteBytes(path, RandomBytes(kErrorFileLength, 3));
    test::FaultyIo io;
    io.FailWrite(30, true);
    FileTransformer transformer(kChunk, io);
    CountingProgress progress;
    const TransformResult result = Encipher(transformer, path, progress);
    EXPECT_EQ(result.status, TransformStatus::Unrestorable);
    EXPECT_EQ(result.error, ENOSPC);
}

TEST(WindowedTransform, PagesTheJournalRefusesAreNeverWritten) {
    test::TempDir dir;
    const auto path = dir / "f";
    const Bytes plain = RandomBytes(kErrorFileLength, 4);
    for (int vetoAt : {0, 1, 2, 5}) {
        SCOPED_TRACE("note " + std::to_string(vetoAt));
        WriteBytes(path, plain);
        NotingJournal journal(vetoAt);
        journal.Expect(plain);
        CheckingIo checking(journal);
        FileTransformer transformer(kChunk, checking);
        transformer.SetJournal(&journal);
        CountingProgress progress;
        EXPECT_EQ(Encipher(transformer, path, progress).status, TransformStatus::Stopped);
        EXPECT_EQ(ReadBytes(path), plain);
        EXPECT_EQ(checking.Unnoted(), 0);
    }
}

// Without a third thread the two threads take turns at the journal's flush;
// without a second, the caller does everything alone.
TEST(WindowedTransform, WithoutMoreThreadsAJournaledFileIsStillDone) {
    test::TempDir dir;
    const auto path = dir / "f";
    const Bytes plain = RandomBytes(kErrorFileLength, 5);
    WriteBytes(path, plain);
    NotingJournal journal;
    journal.Expect(plain);
    CheckingIo checking(journal);
    FileTransformer transformer(kChunk, checking);
    transformer.SetJournal(&journal);
    CountingProgress progress;
    {
        test::NoNewThreads noThreads;
        ASSERT_TRUE(noThreads.Ok());
        ASSERT_EQ(Encipher(transformer, path, progress).status, TransformStatus::Done);
    }
    EXPECT_EQ(ReadBytes(path), ReferenceEncipher(plain, kKeys.current));
    EXPECT_EQ(checking.Unnoted(), 0);
    EXPECT_EQ(journal.WrongHashes(), 0);
    EXPECT_EQ(journal.OutOfOrder(), 0);
}

}  // namespace
}  // namespace tsrn::bulk
