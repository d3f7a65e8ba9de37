// What the crash journal costs: the same bulk runs, on the same files, in
// one process, with and without the journal, alternating so the machine's
// state is alike for both. Prints median wall-clock times and their ratios.
//
//   journal_bench [DIR] [--small N] [--big MIB] [--repeat R] [--only plain|journaled]
//
// --only runs one variant and prints no ratio: for a profiler (perf record).
//
// DIR (default: a fresh folder in /var/tmp) should be on the disk to
// measure; the journal goes to DIR/state. Two baselines are shown: the run
// alone, and the run followed by a flush of its file system (syncfs),
// because a journaled run must have its files on disk before it may drop
// its journal, while a run without one leaves that to the kernel.

#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bulk/CipheringRun.h"
#include "crypto/KeyDerivation.h"
#include "journal/RunJournalWriter.h"

namespace {

using tsrn::bulk::CipherMode;
using Clock = std::chrono::steady_clock;

class SilentPrompter : public tsrn::Prompter {
  public:
    tsrn::Answer Ask(const tsrn::Message& message) override { return message.defaultButton; }
};

void WriteFile(const std::filesystem::path& path, std::size_t size, std::mt19937& random) {
    std::vector<char> data(size);
    for (auto& c : data) {
        c = static_cast<char>(random());
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (fd >= 0 && done < size) {
        ssize_t put = write(fd, data.data() + done, size - done);
        if (put <= 0) {
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    if (fd >= 0) {
        close(fd);
    }
}

void SyncFs(const std::filesystem::path& dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        syncfs(fd);
        close(fd);
    }
}

enum class Variant { Plain, PlainFlushed, Journaled };

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Times {
    double wall = 0;
    double cpu = 0;  // of all the process's threads
};

// One whole run.
Times TimeRun(const std::filesystem::path& tree, const std::filesystem::path& state,
              CipherMode mode, Variant variant, const tsrn::bulk::KeyPair& keys) {
    SyncFs(tree);  // start from a clean page cache state
    SilentPrompter prompter;
    const auto start = Clock::now();
    const double startCpu = CpuSeconds();
    {
        tsrn::bulk::CipheringRun run(tree.string(), mode, prompter, keys);
        std::unique_ptr<tsrn::journal::RunJournalWriter> journal;
        if (variant == Variant::Journaled) {
            std::string error;
            journal =
                tsrn::journal::RunJournalWriter::Start(state, tree.string(), mode, keys, error);
            if (!journal) {
                std::fprintf(stderr, "journal_bench: %s\n", error.c_str());
                std::exit(1);
            }
            run.SetJournal(journal.get());
        }
        while (!run.Ended()) {
            if (run.Finished()) {
                run.PressButton();
            } else {
                run.Tick();
            }
        }
        if (run.Outcome() != tsrn::bulk::RunOutcome::Completed) {
            std::fprintf(stderr, "journal_bench: the run failed\n");
            std::exit(1);
        }
        if (variant == Variant::PlainFlushed) {
            SyncFs(tree);
        }
    }
    return Times{std::chrono::duration<double>(Clock::now() - start).count(),
                 CpuSeconds() - startCpu};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void MeasureOnly(const char* name, const std::filesystem::path& tree,
                 const std::filesystem::path& state, int repeat, const tsrn::bulk::KeyPair& keys,
                 Variant variant) {
    std::vector<double> times;
    std::vector<double> cpu;
    CipherMode mode = CipherMode::Encipher;
    for (int r = 0; r < repeat; ++r) {
        const Times t = TimeRun(tree, state, mode, variant, keys);
        times.push_back(t.wall);
        cpu.push_back(t.cpu);
        mode = mode == CipherMode::Encipher ? CipherMode::Decipher : CipherMode::Encipher;
    }
    std::printf("%s, %s only: %.3f s, CPU time %.3f s\n", name,
                variant == Variant::Plain ? "without journal" : "with journal", Median(times),
                Median(cpu));
    std::fflush(stdout);
}

void Measure(const char* name, const std::filesystem::path& tree,
             const std::filesystem::path& state, int repeat, const tsrn::bulk::KeyPair& keys,
             std::optional<Variant> only) {
    if (only) {
        MeasureOnly(name, tree, state, repeat, keys, *only);
        return;
    }
    std::vector<double> times[3];
    std::vector<double> cpu[3];
    CipherMode mode = CipherMode::Encipher;
    for (int r = 0; r < repeat; ++r) {
        for (Variant variant : {Variant::Plain, Variant::Journaled, Variant::PlainFlushed}) {
            const Times t = TimeRun(tree, state, mode, variant, keys);
            times[static_cast<int>(variant)].push_back(t.wall);
            cpu[static_cast<int>(variant)].push_back(t.cpu);
            mode = mode == CipherMode::Encipher ? CipherMode::Decipher : CipherMode::Encipher;
        }
    }
    const double plain = Median(times[0]);
    const double flushed = Median(times[static_cast<int>(Variant::PlainFlushed)]);
    const double journaled = Median(times[static_cast<int>(Variant::Journaled)]);
    std::printf("%s\n", name);
    std::printf("  run without journal          %8.3f s\n", plain);
    std::printf("  run without journal + syncfs %8.3f s\n", flushed);
    std::printf("  run with journal             %8.3f s   %.2fx the run, %.2fx the run + syncfs\n",
                journaled, journaled / plain, journaled / flushed);
    std::printf("  CPU time (all threads)       %8.3f s without, %.3f s with journal\n",
                Median(cpu[0]), Median(cpu[static_cast<int>(Variant::Journaled)]));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path base;
    int smallFiles = 10000;
    int bigMiB = 512;
    // A shared virtual machine's speed drifts by tens of percent from one
    // minute to the next: medians of 9 alternating runs hold still where 3
    // do not.
    int repeat = 9;
    std::optional<Variant> only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--small" && i + 1 < argc) {
            smallFiles = std::atoi(argv[++i]);
        } else if (arg == "--big" && i + 1 < argc) {
            bigMiB = std::atoi(argv[++i]);
        } else if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--only" && i + 1 < argc) {
            const std::string which = argv[++i];
            if (which != "plain" && which != "journaled") {
                std::fprintf(stderr, "journal_bench: --only takes plain or journaled\n");
                return 2;
            }
            only = which == "plain" ? Variant::Plain : Variant::Journaled;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr,
                         "usage: journal_bench [DIR] [--small N] [--big MIB] [--repeat R] "
                         "[--only plain|journaled]\n");
            return 2;
        } else {
            base = arg;
        }
    }
    bool own = false;
    if (base.empty()) {
        char pattern[] = "/var/tmp/tsrn-journal-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        base = pattern;
        own = true;
    }
    const tsrn::bulk::KeyPair keys{tsrn::crypto::DeriveKey("bench password"), {}};
    const std::filesystem::path state = base / "state";
    std::mt19937 random(1);
    std::printf("journal_bench in %s (median of %d runs each, encipher and decipher alternating)\n",
                base.c_str(), repeat);

    const std::filesystem::path small = base / "small";
    for (int i = 0; i < smallFiles; ++i) {
        const std::filesystem::path dir = small / ("d" + std::to_string(i / 1000));
        std::filesystem::create_directories(dir);
        WriteFile(dir / ("f" + std::to_string(i)), 4096, random);
    }
    Measure((std::to_string(smallFiles) + " files of 4 KiB").c_str(), small, state, repeat, keys,
            only);
    std::filesystem::remove_all(small);

    const std::filesystem::path big = base / "big";
    std::filesystem::create_directories(big);
    WriteFile(big / "file", static_cast<std::size_t>(bigMiB) << 20, random);
    Measure(("one file of " + std::to_string(bigMiB) + " MiB").c_str(), big, state, repeat, keys,
            only);
    std::filesystem::remove_all(big);

    if (own) {
        std::filesystem::remove_all(base);
    }
    return 0;
}
