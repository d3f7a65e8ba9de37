// Bulk ciphering against the I/O floor, measured in the same run.
//
// The floor is the same in-place read-modify-write without any cipher: a plain
// directory walk that opens each file, reads it chunk by chunk and writes every
// chunk back where it was. Both work on the same files in the page cache.
//
//   bulk_bench [--dir DIR] [--big-mib N] [--small N] [--many N] [--repeat N]
//
// Prints seconds (best of --repeat, then the median) and the ratio
// floor/enciphered (1.0 = as fast as the floor). The trees are made under DIR (default $TMPDIR or
// /tmp) and removed at the end.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bulk/CipheringRun.h"
#include "crypto/Cipher.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class SilentPrompter : public tsrn::Prompter {
  public:
    tsrn::Answer Ask(const tsrn::Message& message) override {
        std::fprintf(stderr, "unexpected question: %s\n", message.text.c_str());
        return tsrn::Answer::Abort;
    }
};

std::vector<std::uint8_t> RandomBlock(std::size_t length) {
    std::mt19937 generator(42);
    std::vector<std::uint8_t> data(length);
    for (auto& byte : data)
        byte = static_cast<std::uint8_t>(generator());
    return data;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& block, std::size_t length) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t done = 0; done < length;) {
        const std::size_t n = std::min(block.size(), length - done);
        if (write(fd, block.data(), n) != static_cast<ssize_t>(n))
            break;
        done += n;
    }
    close(fd);
}

void MakeSmallTree(const fs::path& root, int files, std::size_t length) {
    const auto block = RandomBlock(length);
    const int perFolder = 100;
    for (int i = 0; i < files; ++i) {
        char folder[PATH_MAX];
        char file[PATH_MAX + 32];
        std::snprintf(folder, sizeof folder, "%s/d%d", root.c_str(), i / perFolder);
        std::snprintf(file, sizeof file, "%s/f%d", folder, i);
        if (i % perFolder == 0)
            fs::create_directories(folder);
        WriteFile(file, block, length);
    }
}

// The floor: read each file and write it back unchanged, chunk by chunk.
void RewriteFile(const std::string& path, std::vector<std::uint8_t>& buffer, int extraFlags) {
    int fd = open(path.c_str(), O_RDWR | extraFlags);
    if (fd < 0)
        return;
    off_t offset = 0;
    for (;;) {
        ssize_t n = pread(fd, buffer.data(), buffer.size(), offset);
        if (n <= 0)
            break;
        if (pwrite(fd, buffer.data(), static_cast<std::size_t>(n), offset) != n)
            break;
        offset += n;
        if (static_cast<std::size_t>(n) < buffer.size())
            break;
    }
    close(fd);
}

// Calls `onFile(dirFd, name, path)` for each regular file below `folder`, a
// folder's own files before its subfolders, as a run takes them.
template <typename OnFile>
void ForEachFile(const std::string& folder, OnFile& onFile) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> folders;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_REG)
            onFile(dirfd(dir), entry->d_name, folder + "/" + name);
        if (entry->d_type == DT_DIR)
            folders.push_back(folder + "/" + name);
    }
    closedir(dir);
    for (const auto& sub : folders)
        ForEachFile(sub, onFile);
}

void RewriteTree(const std::string& folder, std::vector<std::uint8_t>& buffer, int extraFlags = 0) {
    auto rewrite = [&](int, const char*, const std::string& path) {
        RewriteFile(path, buffer, extraFlags);
    };
    ForEachFile(folder, rewrite);
}

// Wall time, and the CPU time this process spent (user and system), which
// other processes on a busy machine disturb far less.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double CpuNow() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

Timing Time(const std::function<void()>& work) {
    const double cpuStart = CpuNow();
    const auto start = Clock::now();
    work();
    return Timing{std::chrono::duration<double>(Clock::now() - start).count(), CpuNow() - cpuStart};
}

double Seconds(const std::function<void()>& work) {
    return Time(work).wall;
}

Timing FloorTime(const fs::path& root, std::size_t chunk, int extraFlags = 0) {
    std::vector<std::uint8_t> buffer(chunk);
    return Time([&] { RewriteTree(root.string(), buffer, extraFlags); });
}

Timing RunTime(const fs::path& root, tsrn::bulk::CipherMode mode, std::size_t chunk) {
    SilentPrompter prompter;
    const tsrn::bulk::KeyPair keys{};
    bool ok = false;
    const Timing timing = Time([&] {
        tsrn::bulk::CipheringRun run(root.string(), mode, prompter, keys, chunk);
        while (!run.Ended() && !run.Finished())
            run.Tick();
        run.PressButton();
        ok = run.Outcome() == tsrn::bulk::RunOutcome::Completed;
    });
    if (!ok)
        std::fprintf(stderr, "run failed in %s\n", root.c_str());
    return timing;
}

// Seconds of every repetition; figures are the best and the median.
struct Samples {
    std::vector<double> seconds;

    double Best() const { return *std::min_element(seconds.begin(), seconds.end()); }
    double Median() const {
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
};

struct Pair {
    Samples floor;
    Samples run;
    Samples floorCpu;
    Samples runCpu;
};

// `repeat` times, alternating floor and run; every encipher is followed by
// a decipher so the files stay the same.
Pair Measure(const fs::path& root, std::size_t chunk, int repeat) {
    Pair pair;
    for (int i = 0; i < repeat; ++i) {
        const Timing floor = FloorTime(root, chunk);
        pair.floor.seconds.push_back(floor.wall);
        pair.floorCpu.seconds.push_back(floor.cpu);
        const tsrn::bulk::CipherMode mode =
            i % 2 == 0 ? tsrn::bulk::CipherMode::Encipher : tsrn::bulk::CipherMode::Decipher;
        const Timing run = RunTime(root, mode, chunk);
        pair.run.seconds.push_back(run.wall);
        pair.runCpu.seconds.push_back(run.cpu);
    }
    return pair;
}

void Report(const char* what, const Pair& pair, double bytes) {
    const double floor = pair.floor.Best();
    const double run = pair.run.Best();
    std::printf("%-34s floor %8.3f s  run %8.3f s  run/floor speed %.2f  (%.0f MB/s)\n", what,
                floor, run, floor / run, bytes / run / 1e6);
    std::printf("%-34s floor %8.3f s  run %8.3f s  run/floor speed %.2f  (median of %zu)\n", "",
                pair.floor.Median(), pair.run.Median(), pair.floor.Median() / pair.run.Median(),
                pair.run.seconds.size());
    std::printf("%-34s floor %8.3f s  run %8.3f s  run/floor speed %.2f  (CPU time, best)\n", "",
                pair.floorCpu.Best(), pair.runCpu.Best(),
                pair.floorCpu.Best() / pair.runCpu.Best());
}

// Not a floor, a reference: what a run cannot avoid on top of the floor is a
// counting pass that looks at every file's size before anything is changed.
double CountingWalkSeconds(const fs::path& root) {
    std::uint64_t total = 0;
    auto count = [&](int dirFd, const char* name, const std::string&) {
        struct stat st {};
        if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            total += static_cast<std::uint64_t>(st.st_size);
    };
    return Seconds([&] { ForEachFile(root.string(), count); });
}

// Two references beside the floor, not in its place: the floor plus the
// counting walk every run must make first, and the floor opening its files
// with O_NOATIME as the run does (the floor's reads update access times).
void ReportReferences(const fs::path& root, std::size_t chunk, const Pair& pair, int repeat) {
    Samples counting;
    Samples noatime;
    for (int i = 0; i < repeat; ++i) {
        counting.seconds.push_back(CountingWalkSeconds(root));
        noatime.seconds.push_back(FloorTime(root, chunk, O_NOATIME).wall);
    }
    const double run = pair.run.Best();
    const double reference = pair.floor.Best() + counting.Best();
    std::printf("%-34s floor + counting walk %.3f s (counting %.3f s)  run/that %.2f\n", "",
                reference, counting.Best(), reference / run);
    std::printf("%-34s floor with O_NOATIME %.3f s  run/that %.2f\n", "", noatime.Best(),
                noatime.Best() / run);
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = tmp != nullptr ? tmp : "/tmp";
    std::size_t bigMiB = 512;
    int small = 10000;
    int many = 100000;
    int repeat = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--dir")
            base = value;
        else if (option == "--big-mib")
            bigMiB = std::strtoul(value, nullptr, 10);
        else if (option == "--small")
            small = std::atoi(value);
        else if (option == "--many")
            many = std::atoi(value);
        else if (option == "--repeat")
            repeat = std::atoi(value);
    }
    const fs::path root = base / ("tsrn-bulk-bench-" + std::to_string(getpid()));
    fs::create_directories(root);
    std::printf("cipher form: %s\n", tsrn::crypto::FormName(tsrn::crypto::ActiveForm()));

    const fs::path bigFolder = root / "big";
    fs::create_directories(bigFolder);
    const double bigBytes = static_cast<double>(bigMiB) * 1024 * 1024;
    WriteFile(bigFolder / "file", RandomBlock(1 << 20), bigMiB << 20);
    for (std::size_t chunk :
         {std::size_t{4096}, std::size_t{65536}, std::size_t{262144}, std::size_t{1048576}}) {
        const std::string label =
            std::to_string(bigMiB) + " MiB file, chunk " + std::to_string(chunk);
        Report(label.c_str(), Measure(bigFolder, chunk, repeat), bigBytes);
    }
    fs::remove_all(bigFolder);

    const std::size_t chunk = tsrn::bulk::FileTransformer::kDefaultChunkSize;
    const fs::path smallFolder = root / "small";
    MakeSmallTree(smallFolder, small, 4096);
    const Pair smallPair = Measure(smallFolder, chunk, repeat);
    Report((std::to_string(small) + " files of 4 KiB").c_str(), smallPair, small * 4096.0);
    ReportReferences(smallFolder, chunk, smallPair, repeat);
    fs::remove_all(smallFolder);

    const fs::path manyFolder = root / "many";
    MakeSmallTree(manyFolder, many, 4096);
    const Pair manyPair = Measure(manyFolder, chunk, std::max(1, repeat - 1));
    Report((std::to_string(many) + " files of 4 KiB").c_str(), manyPair, many * 4096.0);
    fs::remove_all(manyFolder);
    std::printf("scaling %d -> %d files: run time x%.2f (floor x%.2f); medians x%.2f (x%.2f)\n",
                small, many, manyPair.run.Best() / smallPair.run.Best(),
                manyPair.floor.Best() / smallPair.floor.Best(),
                manyPair.run.Median() / smallPair.run.Median(),
                manyPair.floor.Median() / smallPair.floor.Median());

    fs::remove_all(root);
    return 0;
}
