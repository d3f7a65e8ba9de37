#pragma once
// The transform of a large file on two threads, which take its chunks in
// turn.
//
// Without a journal each thread reads, ciphers and writes its chunk while it
// is in its own cache.
//
// With a journal no page may be written before the hash of the bytes it
// holds is on disk in the journal. Each thread reads its chunk, hashes its
// pages (the bytes the file holds now, so nothing is read twice) and
// ciphers it; a third thread hands the hashes of all chunks read so far to
// the journal in one flush (a group commit), and a chunk is written as soon
// as a flush holds it. Up to kGatedBytes are read ahead of the flushes: a
// flush takes a fraction of a millisecond to a few, and the threads go on
// reading meanwhile instead of waiting.

#include <sys/types.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "bulk/ChunkCipher.h"
#include "bulk/HelperThread.h"
#include "bulk/RunJournal.h"

namespace tsrn::bulk {

class FileIo;
class TransformProgress;

class WindowedTransform {
  public:
    // Files of more chunks than this take this path.
    static constexpr std::size_t kSmallestFileChunks = 16;
    // Without a journal, chunks go straight through; a step only paces the progress.
    static constexpr std::size_t kChunksPerStep = 64;
    // With a journal: the bytes in memory between their read and their
    // write, 12 MiB (4 to 64 chunks). A flush takes half of them, so 512 MiB
    // need some 85 flushes; each also interrupts the reading threads, and 12 MiB
    // ran 6% faster than 8 MiB on a 512 MiB file. The ring and the page-cache
    // pages written over must stay within the last-level cache: 24 MiB was
    // already slower, 32 MiB twice as slow (32 MiB of L3).
    static constexpr std::size_t kGatedBytes = 12u << 20;

    // `chunk` is a multiple of the journal's page size. `serializeIo`: the
    // FileIo must not be called from two threads at once.
    WindowedTransform(std::size_t chunk, FileIo& io, bool serializeIo);

    // Interrupted: another program opened the file (its write lease broke).
    enum class Stop { None, ReadError, WriteError, Vetoed, Unrestorable, Interrupted };
    struct Outcome {
        Stop stop = Stop::None;
        int error = 0;
        std::uint64_t prefix = 0;  // the bytes from offset 0 wholly written
        // Chunks from `prefix` on that were written too.
        std::array<bool, kChunksPerStep> written{};
    };

    // `journal` null: no journal, each chunk is written as soon as it is ciphered.
    [[nodiscard]] Outcome Run(int fd, std::uint64_t length, const ChunkCipher& cipher,
                              RunJournal* journal, TransformProgress& progress);

  private:
    struct LaneError {
        Stop kind = Stop::None;
        int error = 0;
        std::uint64_t chunk = 0;  // for a write error: the chunk that may be partly written
        int lane = 0;
    };

    // Straight through: the chunks of a step, both threads taking the next.
    struct Step {
        std::uint64_t first = 0;  // chunk number
        std::size_t chunks = 0;
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        std::atomic<std::uint64_t> writtenBytes{0};
        std::uint64_t reported = 0;  // of writtenBytes, to the progress
        std::array<bool, kChunksPerStep> written{};
        std::array<LaneError, 2> errors{};
    };

    // With a journal. A chunk c in memory lives in slot c % slots; chunks
    // are taken only below writtenPrefix + slots, so no two share one.
    enum class Slot : std::uint8_t { Free, Reading, Read, Writing, Written };
    struct Gate {
        std::mutex mutex;  // guards every field; never held across I/O or a flush
        std::condition_variable lanesWake;
        std::condition_variable noterWake;
        int lanesWaiting = 0;
        bool noterWaiting = false;
        int writing = 0;  // lanes writing now
        std::uint64_t chunks = 0;
        std::uint64_t next = 0;           // the next chunk to take
        std::uint64_t readPrefix = 0;     // chunks read and hashed, from 0
        std::uint64_t durable = 0;        // chunks whose hashes the journal holds on disk
        std::uint64_t writtenPrefix = 0;  // chunks written, from 0
        std::vector<Slot> slotStates;
        std::vector<int> owner;  // the lane that read the chunk in each slot
        bool noting = false;     // a flush is under way
        bool lanesNote = false;  // no third thread: the lanes flush in turn
        bool stopped = false;
        bool vetoed = false;
        std::array<LaneError, 2> errors{};
        std::atomic<std::uint64_t> writtenBytes{0};
        std::uint64_t reported = 0;
    };

    [[nodiscard]] Outcome RunImmediate(const ChunkCipher& cipher, TransformProgress& progress);
    [[nodiscard]] bool RunStep(Step& step, const ChunkCipher& cipher, Outcome& outcome);
    void Lane(Step& step, int lane, const ChunkCipher& cipher);

    [[nodiscard]] Outcome RunGated(const ChunkCipher& cipher, RunJournal& journal,
                                   TransformProgress& progress);
    void GatedLane(Gate& gate, int lane, const ChunkCipher& cipher, RunJournal& journal);
    void Noter(Gate& gate, RunJournal& journal);
    void Note(Gate& gate, RunJournal& journal, std::unique_lock<std::mutex>& lock);
    [[nodiscard]] bool TakeWrite(Gate& gate, int lane, std::uint64_t& chunk) const;
    void WriteGated(Gate& gate, int lane, std::uint64_t chunk, std::unique_lock<std::mutex>& lock);
    void ReadGated(Gate& gate, int lane, const ChunkCipher& cipher, const RunJournal& journal,
                   std::unique_lock<std::mutex>& lock);
    void Written(Gate& gate, std::uint64_t chunk);
    bool NoteDue(const Gate& gate) const;
    void WakeLanes(Gate& gate);
    void GatedOutcome(Gate& gate, const ChunkCipher& cipher, Outcome& outcome);

    [[nodiscard]] bool ReadChunk(std::uint8_t* data, std::uint64_t chunk, const ChunkCipher& cipher,
                                 std::uint64_t* hashes, const RunJournal* journal);
    [[nodiscard]] bool Restore(std::uint8_t* data, std::uint64_t chunk, const ChunkCipher& cipher);
    void Report(std::atomic<std::uint64_t>& writtenBytes, std::uint64_t& reported);

    std::uint64_t Offset(std::uint64_t chunk) const { return chunk * chunk_; }
    std::size_t Length(std::uint64_t chunk) const;
    std::size_t SlotOf(std::uint64_t chunk) const {
        return static_cast<std::size_t>(chunk % gatedChunks_);
    }
    std::uint8_t* SlotData(std::uint64_t chunk) {
        return slotBuffer_.data() + SlotOf(chunk) * chunk_;
    }
    std::uint64_t* SlotHashes(std::uint64_t chunk) {
        return slotHashes_.data() + SlotOf(chunk) * (chunk_ / RunJournal::kPageSize);
    }
    [[nodiscard]] ssize_t Read(std::uint8_t* data, std::size_t length, std::uint64_t offset);
    [[nodiscard]] bool Write(const std::uint8_t* data, std::size_t length, std::uint64_t offset);

    std::size_t chunk_;
    std::size_t gatedChunks_;
    FileIo& io_;
    bool serializeIo_;
    std::mutex ioMutex_;
    int fd_ = -1;
    std::uint64_t length_ = 0;
    TransformProgress* progress_ = nullptr;
    std::array<std::vector<std::uint8_t>, 2> laneBuffers_;
    std::vector<std::uint8_t> slotBuffer_;
    std::vector<std::uint64_t> slotHashes_;
    std::vector<std::uint64_t> noteHashes_;
    HelperThread lane_;
    HelperThread noter_;
};

}  // namespace tsrn::bulk
