#include "CipheredFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <vector>

#include "FormatCheck.h"
#include "TempDir.h"
#include "crypto/KeyDerivation.h"
#include "platform/UniqueFd.h"

namespace tsrn::vx {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CipheredFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fd_.Reset(::open((dir_ / "f").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600));
        ASSERT_TRUE(fd_.Valid());
    }

    Bytes Raw() const {
        off_t size = ::lseek(fd_.Get(), 0, SEEK_END);
        Bytes raw(static_cast<std::size_t>(size));
        EXPECT_EQ(::pread(fd_.Get(), raw.data(), raw.size(), 0), size);
        return raw;
    }

    Bytes ReadAll(CipheredFile& file, std::size_t size) {
        Bytes out(size + 16, 0xEE);
        ssize_t got = file.Read(out.data(), out.size(), 0);
        EXPECT_GE(got, 0);
        out.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        return out;
    }

    ::tsrn::test::TempDir dir_{"tsrnvx-cf"};
    UniqueFd fd_;
    crypto::CipherKey key_ = crypto::DeriveKey("correct horse");
};

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

// Each step leaves the file in exactly the stored form of the plaintext,
// including the tail that must move whenever the length changes.
TEST_F(CipheredFileTest, SizeChangesReencodeTheEnds) {
    struct Step {
        const char* what;
        enum { Write, Resize } kind;
        off_t offset;
        std::size_t size;  // bytes written, or the new length
    };
    const Step steps[] = {
        {"tail only", Step::Write, 0, 5},
        {"append turns the tail into a block", Step::Write, 5, 8},
        {"write across the tail", Step::Write, 10, 2},
        {"write past the end leaves a hole", Step::Write, 40, 3},
        {"shrink into a block", Step::Resize, 0, 21},
        {"shrink to a block boundary", Step::Resize, 0, 16},
        {"grow with zeros", Step::Resize, 0, 35},
        {"overwrite in the middle", Step::Write, 3, 20},
        {"shrink to empty", Step::Resize, 0, 0},
        {"grow from empty", Step::Resize, 0, 9},
    };
    CipheredFile file(fd_.Get(), key_);
    Bytes model;
    std::uint8_t seed = 1;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.kind == Step::Write) {
            Bytes data = Pattern(step.size, seed++);
            ASSERT_EQ(file.Write(data.data(), data.size(), step.offset),
                      static_cast<ssize_t>(data.size()));
            auto end = static_cast<std::size_t>(step.offset) + data.size();
            model.resize(std::max(model.size(), end), 0);
            std::copy(data.begin(), data.end(), model.begin() + step.offset);
        } else {
            ASSERT_EQ(file.Resize(static_cast<off_t>(step.size)), 0);
            model.resize(step.size, 0);
        }
        EXPECT_EQ(Raw(), test::StoredForm(model, key_));
        EXPECT_EQ(ReadAll(file, model.size()), model);
    }
}

TEST_F(CipheredFileTest, ReadsAnyOffsetAndLengthClippedAtTheEnd) {
    CipheredFile file(fd_.Get(), key_);
    Bytes model = Pattern(37, 9);
    ASSERT_EQ(file.Write(model.data(), model.size(), 0), 37);
    for (off_t offset = 0; offset <= 40; ++offset) {
        for (std::size_t size : {1u, 3u, 8u, 13u, 64u}) {
            Bytes out(size);
            ssize_t got = file.Read(out.data(), size, offset);
            auto expected =
                static_cast<ssize_t>(std::clamp<off_t>(37 - offset, 0, static_cast<off_t>(size)));
            ASSERT_EQ(got, expected) << offset << "+" << size;
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + got, model.begin() + offset));
        }
    }
}

// A large jump spans several work pieces; the hole must be enciphered zeros.
TEST_F(CipheredFileTest, LargeExtensionStoresEncipheredZeros) {
    CipheredFile file(fd_.Get(), key_);
    Bytes head = Pattern(11, 3);
    ASSERT_EQ(file.Write(head.data(), head.size(), 0), 11);
    const off_t far = (3 << 20) + 5;
    std::uint8_t last = 0x42;
    ASSERT_EQ(file.Write(&last, 1, far), 1);
    Bytes model(static_cast<std::size_t>(far) + 1, 0);
    std::copy(head.begin(), head.end(), model.begin());
    model.back() = last;
    EXPECT_EQ(test::Deciphered(Raw(), key_), model);
}

// The process's file size limit stands in for a file system that gives out
// part way through an extension (or refuses the length outright).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    sighandler_t previous_ = SIG_DFL;
};

// An extension that cannot be completed leaves the file exactly as it was:
// refused up front when the length itself is refused, taken back to the old
// length and old tail when the writing fails part way.
TEST_F(CipheredFileTest, FailedExtensionsLeaveTheFileAsItWas) {
    struct Case {
        const char* what;
        bool write;  // a write past the end rather than a resize
        off_t target;
        rlim_t limit;
    };
    const Case cases[] = {
        {"resize failing after a partial piece", false, 600 * 1024, 256 * 1024},
        {"write failing after a partial piece", true, 600 * 1024, 256 * 1024},
        {"resize whose length is refused up front", false, 3 << 20, (3 << 20) - 4096},
        {"write whose end is refused up front", true, 5 << 20, 2 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::ftruncate(fd_.Get(), 0), 0);
        CipheredFile file(fd_.Get(), key_);
        Bytes head = Pattern(13, 5);
        ASSERT_EQ(file.Write(head.data(), head.size(), 0), 13);
        Bytes before = Raw();
        {
            FileSizeLimit limit(c.limit);
            if (c.write) {
                std::uint8_t byte = 0x5A;
                EXPECT_EQ(file.Write(&byte, 1, c.target), -EFBIG);
            } else {
                EXPECT_EQ(file.Resize(c.target), -EFBIG);
            }
        }
        EXPECT_EQ(Raw(), before);
        EXPECT_EQ(ReadAll(file, head.size()), head);
    }
}

// Random writes, reads and resizes against an in-memory model.
TEST_F(CipheredFileTest, RandomOperationsMatchTheModel) {
    CipheredFile file(fd_.Get(), key_);
    Bytes model;
    std::mt19937 random(1234);
    auto pick = [&](int limit) {
        return static_cast<int>(random() % static_cast<unsigned>(limit));
    };
    for (int op = 0; op < 3000; ++op) {
        int kind = pick(10);
        off_t offset = pick(4200);
        if (kind < 5) {
            Bytes data =
                Pattern(static_cast<std::size_t>(pick(300)), static_cast<std::uint8_t>(op));
            ASSERT_EQ(file.Write(data.data(), data.size(), offset),
                      static_cast<ssize_t>(data.size()));
            if (!data.empty()) {
                model.resize(std::max(model.size(), static_cast<std::size_t>(offset) + data.size()),
                             0);
                std::copy(data.begin(), data.end(), model.begin() + offset);
            }
        } else if (kind < 7) {
            ASSERT_EQ(file.Resize(offset), 0);
            model.resize(static_cast<std::size_t>(offset), 0);
        } else {
            Bytes out(static_cast<std::size_t>(pick(500)));
            ssize_t got = file.Read(out.data(), out.size(), offset);
            auto expected = std::clamp<off_t>(static_cast<off_t>(model.size()) - offset, 0,
                                              static_cast<off_t>(out.size()));
            ASSERT_EQ(got, expected) << "op " << op;
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + got, model.begin() + offset))
                << "op " << op;
        }
    }
    EXPECT_EQ(Raw(), test::StoredForm(model, key_));
}

}  // namespace
}  // namespace tsrn::vx
