#include "bulk/FileTransformer.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FaultyIo.h"
#include "TempDir.h"
#include "TreeHelpers.h"

namespace tsrn::bulk {
namespace {

using test::Bytes;
using test::KeyOf;
using test::RandomBytes;
using test::ReadBytes;
using test::ReferenceDecipher;
using test::ReferenceEncipher;
using test::WriteBytes;

const KeyPair kKeys{KeyOf(0x1122334455667788ull), KeyOf(0x8877665544332211ull)};

struct CountingProgress : TransformProgress {
    std::uint64_t opened = 0;
    std::uint64_t chunks = 0;
    int restored = 0;
    void FileOpened(std::uint64_t length) override { opened = length; }
    void ChunkDone(std::uint64_t bytes) override { chunks += bytes; }
    void FileRestored() override { ++restored; }
};

TransformResult Transform(FileTransformer& transformer, const std::filesystem::path& path,
                          CipherMode mode, bool rollingBack, CountingProgress& progress) {
    return transformer.Transform(path.string(), ChunkCipher(mode, rollingBack, kKeys), mode,
                                 rollingBack, progress);
}

// The two ways in: a path alone, or a path a listing showed as a regular file.
enum class Entry { Path, Listed };

TransformResult TransformBy(Entry entry, FileTransformer& transformer,
                            const std::filesystem::path& path, CountingProgress& progress) {
    const ChunkCipher cipher(CipherMode::Encipher, false, kKeys);
    return entry == Entry::Path
               ? transformer.Transform(path.string(), cipher, CipherMode::Encipher, false, progress)
               : transformer.TransformListed(path.string(), cipher, CipherMode::Encipher, false,
                                             progress);
}

const char* NameOf(Entry entry) {
    return entry == Entry::Path ? "path" : "listed";
}

struct RecordingJournal : RunJournal {
    std::vector<std::string> calls;
    bool BeginFile(const std::string& path, CipherMode, bool, std::uint64_t length) override {
        calls.push_back("begin " + path + " " + std::to_string(length));
        return true;
    }
    void FilePermissions(const std::string& path, std::uint32_t bits) override {
        calls.push_back("mode " + path + " " + std::to_string(bits));
    }
    bool FileDone(const std::string& path, bool restored) override {
        calls.push_back("done " + path + (restored ? " restored" : ""));
        return true;
    }
};

TEST(FileTransformer, MatchesTheReferenceForEveryLengthAndChunkSize) {
    test::TempDir dir;
    const std::size_t lengths[] = {0,
                                   1,
                                   2,
                                   3,
                                   4,
                                   5,
                                   6,
                                   7,
                                   8,
                                   13,
                                   4095,
                                   4096,
                                   4097,
                                   4098,
                                   4099,
                                   65536 + 3,
                                   3 * 1024 * 1024 + 5};
    const std::size_t chunkSizes[] = {8, 4096, FileTransformer::kDefaultChunkSize};
    for (std::size_t chunk : chunkSizes) {
        FileTransformer transformer(chunk);
        for (std::size_t length : lengths) {
            if (chunk == 8 && length > 70000)
                continue;  // byte-sized chunks are slow, not different
            SCOPED_TRACE("length " + std::to_string(length) + " chunk " + std::to_string(chunk));
            const auto path = dir / "f";
            const Bytes plain = RandomBytes(length, static_cast<std::uint32_t>(length));
            WriteBytes(path, plain);
            CountingProgress progress;
            ASSERT_EQ(Transform(transformer, path, CipherMode::Encipher, false, progress).status,
                      TransformStatus::Done);
            EXPECT_EQ(ReadBytes(path), ReferenceEncipher(plain, kKeys.current));
            EXPECT_EQ(progress.opened, length);
            EXPECT_EQ(progress.chunks, length);
            ASSERT_EQ(Transform(transformer, path, CipherMode::Encipher, true, progress).status,
                      TransformStatus::Done);
            EXPECT_EQ(ReadBytes(path), plain);
        }
    }
}

TEST(FileTransformer, RecipherIsDecipherOldThenEncipherNew) {
    test::TempDir dir;
    FileTransformer transformer(4096);
    const Bytes plain = RandomBytes(10000 + 5, 99);
    const auto path = dir / "f";
    WriteBytes(path, ReferenceEncipher(plain, kKeys.current));
    CountingProgress progress;
    ASSERT_EQ(Transform(transformer, path, CipherMode::Recipher, false, progress).status,
              TransformStatus::Done);
    EXPECT_EQ(ReadBytes(path), ReferenceEncipher(plain, kKeys.next));
    EXPECT_EQ(ReferenceDecipher(ReadBytes(path), kKeys.next), plain);
    ASSERT_EQ(Transform(transformer, path, CipherMode::Recipher, true, progress).status,
              TransformStatus::Done);
    EXPECT_EQ(ReadBytes(path), ReferenceEncipher(plain, kKeys.current));
}

TEST(FileTransformer, RestoresTheExactModeOnEveryWayOut) {
    test::TempDir dir;
    const mode_t modes[] = {0644, 0444, 0400, 0640, 0755, 02555, 0};
    for (Entry entry : {Entry::Path, Entry::Listed}) {
        for (mode_t mode : modes) {
            SCOPED_TRACE(std::string(NameOf(entry)) + " " + std::to_string(mode));
            const auto path = dir / "f";
            std::filesystem::remove(path);
            WriteBytes(path, RandomBytes(100, 1));
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
            test::FaultyIo io;
            FileTransformer transformer(4096, io);
            CountingProgress progress;
            // A listed file its owner cannot write is opened a second time,
            // after its mode was opened up: both opens fail here.
            const bool twoOpens = entry == Entry::Listed && (mode & S_IWUSR) == 0;
            io.FailOpen(path.string(), twoOpens ? 2 : 1);
            EXPECT_EQ(TransformBy(entry, transformer, path, progress).status,
                      TransformStatus::AccessError);
            struct stat st {};
            stat(path.c_str(), &st);
            EXPECT_EQ(st.st_mode & 07777, mode);
            if (geteuid() != 0 && (mode & S_IRUSR) == 0)
                continue;  // unreadable: an access error
            RecordingJournal journal;
            transformer.SetJournal(&journal);
            EXPECT_EQ(TransformBy(entry, transformer, path, progress).status,
                      TransformStatus::Done);
            stat(path.c_str(), &st);
            EXPECT_EQ(st.st_mode & 07777, mode);
            EXPECT_EQ(ReadBytes(path), ReferenceEncipher(RandomBytes(100, 1), kKeys.current));
            // The journal hears the exact mode the file had, just before it begins.
            const std::vector<std::string> expected = {
                "mode " + path.string() + " " + std::to_string(mode),
                "begin " + path.string() + " 100", "done " + path.string()};
            EXPECT_EQ(journal.calls, expected);
        }
    }
}

TEST(FileTransformer, RewritingLeavesTheAccessTimeAndMarksTheChange) {
    test::TempDir dir;
    const auto path = dir / "f";
    for (Entry entry : {Entry::Path, Entry::Listed}) {
        for (bool owner : {true, false}) {
            SCOPED_TRACE(std::string(NameOf(entry)) + (owner ? " owner" : " not the owner"));
            const Bytes plain = RandomBytes(5000, 3);
            WriteBytes(path, plain);
            // Accessed before its last change: an ordinary read would update it.
            const timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            test::FaultyIo io;
            if (!owner)
                io.RefuseNoAccessTime();
            FileTransformer transformer(4096, io);
            CountingProgress progress;
            ASSERT_EQ(TransformBy(entry, transformer, path, progress).status,
                      TransformStatus::Done);
            struct stat st {};
            ASSERT_EQ(stat(path.c_str(), &st), 0);
            if (owner) {
                EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
            }
            EXPECT_GT(st.st_mtim.tv_sec, times[1].tv_sec);
            EXPECT_EQ(ReadBytes(path), ReferenceEncipher(plain, kKeys.current));
        }
    }
}

TEST(FileTransformer, AListedFileItsOwnerCannotWriteIsOpenedUpForTheTransform) {
    // What a user other than root meets: the first open is refused, the mode
    // is opened up, the second open works, and the mode is put back.
    test::TempDir dir;
    const auto path = dir / "f";
    WriteBytes(path, RandomBytes(100, 1));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    test::FaultyIo io;
    io.FailOpen(path.string(), 1);
    FileTransformer transformer(4096, io);
    CountingProgress progress;
    EXPECT_EQ(TransformBy(Entry::Listed, transformer, path, progress).status,
              TransformStatus::Done);
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(ReadBytes(path), ReferenceEncipher(RandomBytes(100, 1), kKeys.current));
}

TEST(FileTransformer, AListedFileNoLongerRegularIsRefusedWithoutBlocking) {
    // The listing showed a regular file; by the time it is opened the name
    // may be anything. A FIFO must not block the run.
    test::TempDir dir;
    test::MakeFile(dir / "target", 20);
    const Bytes before = ReadBytes(dir / "target");
    std::filesystem::create_symlink("target", dir / "link");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    test::MakeSocket(dir / "socket");
    std::filesystem::create_directory(dir / "folder");
    FileTransformer transformer(4096);
    for (const char* name : {"link", "fifo", "socket", "folder", "missing"}) {
        CountingProgress progress;
        const TransformResult result =
            TransformBy(Entry::Listed, transformer, dir / name, progress);
        EXPECT_EQ(result.status, TransformStatus::AccessError) << name;
        EXPECT_EQ(result.error, std::string(name) == "missing" ? ENOENT : EINVAL) << name;
    }
    EXPECT_EQ(ReadBytes(dir / "target"), before);
}

TEST(FileTransformer, RefusesWhatIsNotARegularFileWithoutOpeningIt) {
    test::TempDir dir;
    test::MakeFile(dir / "target", 20);
    const Bytes before = ReadBytes(dir / "target");
    std::filesystem::create_symlink("target", dir / "link");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    std::filesystem::create_directory(dir / "folder");
    FileTransformer transformer(4096);
    for (const char* name : {"link", "fifo", "folder", "missing"}) {
        CountingProgress progress;
        EXPECT_EQ(Transform(transformer, dir / name, CipherMode::Encipher, false, progress).status,
                  TransformStatus::AccessError)
            << name;
    }
    EXPECT_EQ(ReadBytes(dir / "target"), before);
    CountingProgress progress;
    const std::string tooLong = dir.Path().string() + "/" + std::string(PATH_MAX, 'x');
    TransformResult result =
        transformer.Transform(tooLong, ChunkCipher(CipherMode::Encipher, false, kKeys),
                              CipherMode::Encipher, false, progress);
    EXPECT_EQ(result.status, TransformStatus::AccessError);
    EXPECT_EQ(result.error, ENAMETOOLONG);
}

TEST(FileTransformer, ReadOrWriteErrorsLeaveTheFileAsItWas) {
    struct Case {
        const char* name;
        int failRead;   // 0: none
        int failWrite;  // 0: none
    };
    const Case cases[] = {
        {"first read", 1, 0},  {"third read", 3, 0},  {"last read", 5, 0},
        {"first write", 0, 1}, {"third write", 0, 3},
    };
    test::TempDir dir;
    const auto path = dir / "f";
    const Bytes plain = RandomBytes(4 * 4096 + 7, 5);  // five chunks of 4096
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path, plain);
        test::FaultyIo io;
        if (c.failRead != 0)
            io.FailRead(c.failRead);
        if (c.failWrite != 0)
            io.FailWrite(c.failWrite);
        FileTransformer transformer(4096, io);
        CountingProgress progress;
        TransformResult result =
            Transform(transformer, path, CipherMode::Encipher, false, progress);
        EXPECT_EQ(result.status, TransformStatus::AccessError);
        EXPECT_NE(result.error, 0);
        EXPECT_EQ(progress.restored, 1);
        EXPECT_EQ(ReadBytes(path), plain);
    }
}

TEST(FileTransformer, AnErrorThatCannotBeUndoneIsReported) {
    test::TempDir dir;
    const auto path = dir / "f";
    WriteBytes(path, RandomBytes(3 * 4096, 5));
    test::FaultyIo io;
    io.FailWrite(2, true);
    FileTransformer transformer(4096, io);
    CountingProgress progress;
    TransformResult result = Transform(transformer, path, CipherMode::Encipher, false, progress);
    EXPECT_EQ(result.status, TransformStatus::Unrestorable);
    EXPECT_EQ(result.error, ENOSPC);
}

}  // namespace
}  // namespace tsrn::bulk
