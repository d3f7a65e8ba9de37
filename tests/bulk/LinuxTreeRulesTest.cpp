// The rules a run follows on Linux trees, at the level of the walk and the
// transform: write leases against files in use, the program's own files,
// each file once whatever its names, and what the run says at its end.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "FileHolder.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TreeHelpers.h"
#include "bulk/CipheringRun.h"
#include "bulk/FileTransformer.h"
#include "bulk/FolderWalker.h"
#include "bulk/WriteLease.h"
#include "resources/ResourceIds.h"

namespace tsrn::bulk {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::KeyOf;
using test::MakeFile;
using test::ReadBytes;
using test::ReferenceEncipher;

const KeyPair kKeys{KeyOf(0x1122334455667788ull), KeyOf(0x8877665544332211ull)};

struct NoProgress : TransformProgress {
    void FileOpened(std::uint64_t) override {}
    void ChunkDone(std::uint64_t) override {}
    void FileRestored() override {}
};

// A journal that records nothing but makes large files take the journaled path.
struct QuietJournal : RunJournal {};

using Holder = test::FileHolder;

// At its `atWrite`th write, a second process opens the file (and waits for
// the lease to go); the write goes on once the kernel has sent the notice.
class OpenerAtWrite : public FileIo {
  public:
    OpenerAtWrite(fs::path path, int atWrite, std::size_t length)
        : path_(std::move(path)), atWrite_(atWrite), seen_(length) {}
    ~OpenerAtWrite() override { Reap(); }

    ssize_t WriteAt(int fd, const void* buffer, std::size_t length, off_t offset) override {
        if (++writes_ == atWrite_) {
            StartOpener();
        }
        return FileIo::WriteAt(fd, buffer, length, offset);
    }

    // What the opener read once it got in; empty when it never did.
    Bytes Seen() {
        Reap();
        return got_ == static_cast<ssize_t>(seen_.size()) ? seen_ : Bytes{};
    }

  private:
    void StartOpener() {
        if (pipe(pipe_) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            // The copy of the run's descriptor would keep its lease alive.
            for (int fd = 3; fd < 1024; ++fd) {
                if (fd != pipe_[1])
                    close(fd);
            }
            const int file = open(path_.c_str(), O_RDONLY);
            std::size_t done = 0;
            while (file >= 0 && done < seen_.size()) {
                const ssize_t n =
                    pread(file, seen_.data() + done, seen_.size() - done, static_cast<off_t>(done));
                if (n <= 0)
                    break;
                (void)!write(pipe_[1], seen_.data() + done, static_cast<std::size_t>(n));
                done += static_cast<std::size_t>(n);
            }
            _exit(0);
        }
        close(pipe_[1]);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!WriteLease::Broken() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void Reap() {
        if (pid_ <= 0)
            return;
        got_ = 0;
        ssize_t n = 0;
        while ((n = read(pipe_[0], seen_.data() + got_,
                         seen_.size() - static_cast<std::size_t>(got_))) > 0) {
            got_ += n;
        }
        close(pipe_[0]);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    fs::path path_;
    int atWrite_;
    int writes_ = 0;
    int pipe_[2] = {-1, -1};
    pid_t pid_ = -1;
    Bytes seen_;
    ssize_t got_ = 0;
};

TEST(WriteLeaseRules, AFileOpenedDuringItsTransformIsTakenBackWhole) {
    struct Case {
        const char* name;
        std::size_t length;
        bool journal;
    };
    const Case cases[] = {
        {"chunk by chunk", 64 * 1024 + 5, false},
        {"two threads", (5u << 20) + 3, false},
        {"two threads behind a journal", 256 * 1024 + 7, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const fs::path path = dir / "file";
        MakeFile(path, c.length, 5);
        const Bytes plain = ReadBytes(path);
        OpenerAtWrite io(path, 2, c.length);
        QuietJournal journal;
        FileTransformer transformer(4096, io);
        if (c.journal)
            transformer.SetJournal(&journal);
        NoProgress progress;
        const TransformResult result = transformer.TransformListed(
            path.string(), ChunkCipher(CipherMode::Encipher, false, kKeys), CipherMode::Encipher,
            false, progress);
        EXPECT_EQ(result.status, TransformStatus::AccessError);
        EXPECT_EQ(result.error, EBUSY);
        EXPECT_EQ(io.Seen(), plain) << "the opener must get the file as it was";
        EXPECT_EQ(ReadBytes(path), plain);
    }
}

TEST(WriteLeaseRules, AFileAnotherProcessHasOpenIsNeverTransformed) {
    for (const bool listed : {true, false}) {
        SCOPED_TRACE(listed ? "listed" : "by path (an undo)");
        test::TempDir dir;
        const fs::path path = dir / "held";
        MakeFile(path, 10000, 3);
        const Bytes plain = ReadBytes(path);
        Holder holder(path);
        ASSERT_TRUE(holder.Held());
        FileTransformer transformer(4096);
        NoProgress progress;
        const ChunkCipher cipher(CipherMode::Encipher, false, kKeys);
        const TransformResult result =
            listed ? transformer.TransformListed(path.string(), cipher, CipherMode::Encipher, false,
                                                 progress)
                   : transformer.Transform(path.string(), cipher, CipherMode::Encipher, false,
                                           progress);
        EXPECT_EQ(result.status, TransformStatus::AccessError);
        EXPECT_EQ(result.error, EBUSY);
        EXPECT_EQ(ReadBytes(path), plain);
        EXPECT_FALSE(transformer.LeasesRefused());
    }
}

// The lease is given up with the file: the next run over it is not refused.
TEST(WriteLeaseRules, NoLeaseOutlivesItsFile) {
    test::TempDir dir;
    const fs::path path = dir / "file";
    MakeFile(path, 5000, 3);
    const Bytes plain = ReadBytes(path);
    FileTransformer transformer(4096);
    NoProgress progress;
    for (const bool back : {false, true}) {
        const TransformResult result =
            transformer.Transform(path.string(), ChunkCipher(CipherMode::Encipher, back, kKeys),
                                  CipherMode::Encipher, back, progress);
        ASSERT_EQ(result.status, TransformStatus::Done);
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        EXPECT_GE(fd, 0) << "an open must not meet a lease left behind";
        close(fd);
    }
    EXPECT_EQ(ReadBytes(path), plain);
}

// Where the file system takes no leases, files in use cannot be told: the
// run goes on as before and says so once at its end.
TEST(WriteLeaseRules, AFileSystemWithoutLeasesIsSaidOnce) {
    struct NoLeases : FileIo {
        int asked = 0;
        WriteLease::Result TakeLease(int) override {
            ++asked;
            return WriteLease::Result::Refused;
        }
    } io;
    test::TempDir dir;
    MakeFile(dir / "one", 100, 1);
    MakeFile(dir / "s" / "two", 5000, 2);
    const Bytes one = ReadBytes(dir / "one");
    test::ScriptedPrompter prompter;
    CipheringRun run(dir.Path().string(), CipherMode::Encipher, prompter, kKeys, 4096, io);
    while (!run.Finished() && !run.Ended())
        run.Tick();
    run.PressButton();
    EXPECT_EQ(run.Outcome(), RunOutcome::Completed);
    EXPECT_EQ(io.asked, 2);
    EXPECT_TRUE(run.LeasesRefused());
    EXPECT_EQ(ReadBytes(dir / "one"), ReferenceEncipher(one, kKeys.current));
    ASSERT_EQ(prompter.AskedIds(), std::vector<int>{res::str::kFilesLeftAlone});
    const std::string& said = prompter.Asked()[0].text;
    const std::string note = "does not support leases";
    ASSERT_NE(said.find(note), std::string::npos) << said;
    EXPECT_EQ(said.find(note, said.find(note) + 1), std::string::npos) << said;
}

TEST(OwnFilesRules, NamesOfTheRegistryAndItsSqliteSideFiles) {
    OwnFiles::Folder registry{0, 0, {"system.db", "user.db"}, true};
    OwnFiles::Folder driver{0, 0, {"tsrnvx"}, false};
    OwnFiles::Folder whole{0, 0, {}, false};
    struct Case {
        const OwnFiles::Folder& folder;
        const char* name;
        bool guarded;
    };
    const Case cases[] = {
        {registry, "user.db", true},
        {registry, "system.db", true},
        {registry, "user.db-wal", true},
        {registry, "user.db-shm", true},
        {registry, "system.db-journal", true},
        {registry, "user.db-other", false},
        {registry, "user.db-mj7A3F2B1C", true},
        {registry, "user.d", false},
        {registry, "notes.txt", false},
        {registry, "xuser.db", false},
        {driver, "tsrnvx", true},
        {driver, "tsrnvx-wal", false},
        {driver, "tsrnvx2", false},
        {whole, "anything", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.folder.Guards(c.name), c.guarded) << c.name;
    }
}

// The registry, state and system folders of this process inside a tree, known
// by identity: a tree reached through a link to them does not hide them.
TEST(OwnFilesRules, TheWalkPassesOverTheProgramsOwnFilesWhereverTheySit) {
    test::TempDir dir;
    const fs::path real = dir / "real";
    MakeFile(real / "cfg" / "user.db", 10, 1);
    MakeFile(real / "cfg" / "user.db-wal", 10, 2);
    MakeFile(real / "cfg" / "mine.txt", 10, 3);
    MakeFile(real / "state" / "runs" / "x.journal", 10, 4);
    MakeFile(real / "state" / "change", 10, 5);
    MakeFile(real / "lib" / "tsrnvx", 10, 6);
    MakeFile(real / "lib" / "notes", 10, 7);
    fs::create_directory_symlink(real, dir / "alias");
    OwnFiles own;
    own.AddFolder((real / "cfg").string(), {"system.db", "user.db"}, true);
    own.AddFolder((real / "state").string());
    own.AddFolder((real / "lib").string(), {"tsrnvx"});

    FolderWalker walker((dir / "alias").string(), own);
    std::vector<std::string> handed;
    walker.SetFileHandler([&](const std::string& path) {
        handed.push_back(path.substr((dir / "alias").string().size() + 1));
        return true;
    });
    EXPECT_EQ(walker.CountingPass(), 1);
    while (walker.WalkStep() == 0) {
    }
    std::sort(handed.begin(), handed.end());
    EXPECT_EQ(handed, (std::vector<std::string>{"cfg/mine.txt", "lib/notes"}));
    std::vector<std::string> skipped;
    for (const SkippedFile& s : walker.Skipped()) {
        EXPECT_EQ(s.reason, SkipReason::OwnFile) << s.path;
        skipped.push_back(s.path.substr((dir / "alias").string().size() + 1));
    }
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped,
              (std::vector<std::string>{"cfg/user.db", "cfg/user.db-wal", "lib/tsrnvx", "state/"}));
}

// A run over a tree with hard links: each file once, one with names
// outside left alone, and the end of the run says which and why.
TEST(LinkedFilesRules, EachFileOnceAndTheRunSaysWhatItLeftAlone) {
    test::TempDir dir;
    const fs::path tree = dir / "tree";
    MakeFile(tree / "a", 100, 1);
    fs::create_directories(tree / "s");
    fs::create_hard_link(tree / "a", tree / "s" / "b");
    MakeFile(dir / "out", 100, 2);
    fs::create_hard_link(dir / "out", tree / "c");
    const Bytes a = ReadBytes(tree / "a");
    const Bytes out = ReadBytes(dir / "out");

    test::ScriptedPrompter prompter;
    CipheringRun run(tree.string(), CipherMode::Encipher, prompter, kKeys);
    while (!run.Finished() && !run.Ended())
        run.Tick();
    run.PressButton();
    EXPECT_EQ(run.Outcome(), RunOutcome::Completed);
    EXPECT_EQ(ReadBytes(tree / "s" / "b"), ReferenceEncipher(a, kKeys.current));
    EXPECT_EQ(ReadBytes(dir / "out"), out);
    ASSERT_EQ(run.Skipped().size(), 1u);
    EXPECT_EQ(run.Skipped()[0].path, (tree / "c").string());
    EXPECT_EQ(run.Skipped()[0].reason, SkipReason::OutsideNames);
    ASSERT_EQ(prompter.AskedIds(), std::vector<int>{res::str::kFilesLeftAlone});
    const std::string& said = prompter.Asked()[0].text;
    EXPECT_NE(said.find((tree / "c").string() + ": it has names (hard links) outside the folder"),
              std::string::npos)
        << said;
    // An undo takes back the one file once.
    EXPECT_EQ(run.Processed().Size(), 0u);
}

TEST(LinkedFilesRules, AResumedRunDoesNotTransformADoneFileUnderItsOtherName) {
    test::TempDir dir;
    MakeFile(dir / "a", 100, 1);
    fs::create_hard_link(dir / "a", dir / "b");
    const Bytes done = ReadBytes(dir / "a");
    test::ScriptedPrompter prompter;
    CipheringRun run(dir.Path().string(), CipherMode::Encipher, prompter, kKeys);
    run.MarkDone({(dir / "a").string()});
    while (!run.Finished() && !run.Ended())
        run.Tick();
    run.PressButton();
    EXPECT_EQ(run.Outcome(), RunOutcome::Completed);
    EXPECT_EQ(ReadBytes(dir / "b"), done);
    EXPECT_TRUE(prompter.Asked().empty());
}

}  // namespace
}  // namespace tsrn::bulk
