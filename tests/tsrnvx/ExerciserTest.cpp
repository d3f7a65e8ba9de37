// Random file operations through a ciphered mount, each checked against an
// in-memory model; afterwards the stored bytes are checked against the format
// with the reference cipher. TSRN_VX_OPS and TSRN_VX_SEEDS make longer runs.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "FormatCheck.h"
#include "MountTest.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::vx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

int EnvOr(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

class Exerciser {
  public:
    Exerciser(std::filesystem::path path, unsigned seed) : path_(std::move(path)), random_(seed) {}
    ~Exerciser() { Close(); }

    const Bytes& Model() const { return model_; }

    // One random operation; false (with a note) when the mount disagrees.
    bool Step(std::string& note) {
        if (fd_ < 0 || Pick(40) == 0) {
            Reopen();
        }
        switch (Pick(12)) {
            case 0:
            case 1:
            case 2:
                return Write(note);
            case 3:
            case 4:
            case 5:
                return Read(note);
            case 6:
                return Truncate(note);
            case 7:
                return Extend(note);
            case 8:
                return MapRead(note);
            case 9:
                return MapWrite(note);
            case 10:
                return Allocate(note);
            default:
                return Append(note);
        }
    }

    bool ReadAllMatches(std::string& note) {
        Reopen();
        Bytes all(model_.size() + 100);
        ssize_t got = ::pread(fd_, all.data(), all.size(), 0);
        all.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        if (all != model_) {
            note = "whole file differs from the model";
            return false;
        }
        return true;
    }

    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    std::size_t Pick(std::size_t limit) { return random_() % limit; }
    off_t Offset() {
        // Mostly near the end, where the tail lives, sometimes anywhere.
        std::size_t size = model_.size();
        if (Pick(3) == 0 || size == 0) {
            return static_cast<off_t>(Pick(96 * 1024));
        }
        return static_cast<off_t>(size - std::min(size, Pick(24)) + Pick(16));
    }
    std::size_t Length() { return Pick(4) == 0 ? Pick(70000) : Pick(40); }
    Bytes Data(std::size_t size) {
        Bytes data(size);
        for (auto& byte : data) {
            byte = static_cast<std::uint8_t>(random_());
        }
        return data;
    }
    void Apply(const Bytes& data, off_t offset) {
        if (data.empty()) {
            return;
        }
        std::size_t end = static_cast<std::size_t>(offset) + data.size();
        model_.resize(std::max(model_.size(), end), 0);
        std::copy(data.begin(), data.end(), model_.begin() + offset);
    }

    void Reopen() {
        Close();
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT, 0600);
    }

    bool Write(std::string& note) {
        off_t offset = Offset();
        Bytes data = Data(Length());
        if (::pwrite(fd_, data.data(), data.size(), offset) != static_cast<ssize_t>(data.size())) {
            note = "pwrite failed";
            return false;
        }
        Apply(data, offset);
        return true;
    }

    bool Append(std::string& note) {
        Close();
        int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND);
        Bytes data = Data(Pick(30));
        bool ok =
            fd >= 0 && ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
        if (fd >= 0) {
            ::close(fd);
        }
        if (!ok) {
            note = "append failed";
            return false;
        }
        Apply(data, static_cast<off_t>(model_.size()));
        return true;
    }

    bool Read(std::string& note) {
        off_t offset = Offset();
        Bytes out(Length());
        ssize_t got = ::pread(fd_, out.data(), out.size(), offset);
        auto expected = std::clamp<off_t>(static_cast<off_t>(model_.size()) - offset, 0,
                                          static_cast<off_t>(out.size()));
        if (got != expected ||
            !std::equal(out.begin(), out.begin() + got, model_.begin() + offset)) {
            note = "read at " + std::to_string(offset) + " differs";
            return false;
        }
        return true;
    }

    bool Truncate(std::string& note) {
        off_t size = static_cast<off_t>(Pick(model_.size() + 1));
        if (::ftruncate(fd_, size) != 0) {
            note = "ftruncate failed";
            return false;
        }
        model_.resize(static_cast<std::size_t>(size), 0);
        return true;
    }

    bool Extend(std::string& note) {
        off_t size = static_cast<off_t>(model_.size() + Pick(20000));
        if (::truncate(path_.c_str(), size) != 0) {
            note = "truncate by path failed";
            return false;
        }
        model_.resize(static_cast<std::size_t>(size), 0);
        return true;
    }

    bool Allocate(std::string& note) {
        off_t offset = Offset();
        off_t length = static_cast<off_t>(Pick(9000) + 1);
        if (::posix_fallocate(fd_, offset, length) != 0) {
            note = "fallocate failed";
            return false;
        }
        model_.resize(std::max(model_.size(), static_cast<std::size_t>(offset + length)), 0);
        return true;
    }

    // Maps the whole file shared; reads or writes through the mapping.
    bool MapRead(std::string& note) { return Map(note, false); }
    bool MapWrite(std::string& note) { return Map(note, true); }
    bool Map(std::string& note, bool write) {
        if (model_.empty()) {
            return true;
        }
        std::size_t size = model_.size();
        void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (map == MAP_FAILED) {
            note = "mmap failed";
            return false;
        }
        auto* bytes = static_cast<std::uint8_t*>(map);
        bool ok = true;
        std::size_t at = Pick(size);
        std::size_t length = std::min(size - at, Pick(5000) + 1);
        if (write) {
            Bytes data = Data(length);
            std::copy(data.begin(), data.end(), bytes + at);
            ok = ::msync(map, size, MS_SYNC) == 0;
            Apply(data, static_cast<off_t>(at));
        } else {
            ok =
                std::equal(bytes + at, bytes + at + length, model_.begin() + static_cast<long>(at));
        }
        ::munmap(map, size);
        if (!ok) {
            note = write ? "msync failed" : "mapped bytes differ";
        }
        return ok;
    }

    std::filesystem::path path_;
    std::mt19937 random_;
    Bytes model_;
    int fd_ = -1;
};

class ExerciserTest : public MountTest {};

TEST_F(ExerciserTest, RandomOperationsMatchTheModelAndTheStoredFormat) {
    const int operations = EnvOr("TSRN_VX_OPS", 3000);
    const int seeds = EnvOr("TSRN_VX_SEEDS", 2);
    std::filesystem::path folder = Folder("ciphered");
    ASSERT_TRUE(session_.Serve(1, folder, 0x01));
    std::vector<std::unique_ptr<Exerciser>> files;
    for (int seed = 0; seed < seeds; ++seed) {
        files.push_back(std::make_unique<Exerciser>(folder / ("file" + std::to_string(seed)),
                                                    static_cast<unsigned>(seed + 1)));
    }
    for (int op = 0; op < operations; ++op) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::string note;
            ASSERT_TRUE(files[i]->Step(note)) << "seed " << i + 1 << ", op " << op << ": " << note;
        }
    }
    for (auto& file : files) {
        std::string note;
        EXPECT_TRUE(file->ReadAllMatches(note)) << note;
        file->Close();
    }
    session_.Stop();
    ASSERT_TRUE(MountsBelow(folder).empty());
    const crypto::CipherKey key = crypto::DeriveKey(kPassword);
    for (std::size_t i = 0; i < files.size(); ++i) {
        Bytes stored = ReadBytes(folder / ("file" + std::to_string(i)));
        EXPECT_EQ(stored, StoredForm(files[i]->Model(), key)) << "seed " << i + 1;
    }
}

}  // namespace
}  // namespace tsrn::vx::test
