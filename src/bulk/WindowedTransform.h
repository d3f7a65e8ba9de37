#pragma once
// The transform of a large file on two threads. The file goes in windows of
// several chunks; both threads take the chunks of a window one at a time,
// each reading, ciphering and writing its chunk while it is in its own
// cache. With a journal, a window's chunks are read, ciphered and their
// pages hashed first; a third thread hands the window to the journal (one
// flush) while the two go on reading the next window, and only then are the
// window's chunks written. Each step ends with both threads done, so the
// written part is always the windows before, plus some chunks of one window.

#include <sys/types.h>

#include <array>
#include <atomic>
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
    // What the journal notes in one flush: about 16 MiB, 16 to 64 chunks. A
    // flush costs from a fraction of a millisecond to several on a busy
    // disk; the next window is read meanwhile.
    static constexpr std::size_t kWindowBytes = 16u << 20;
    // Without a journal, chunks go straight through; a step only paces the progress.
    static constexpr std::size_t kChunksPerStep = 64;

    // `chunk` is a multiple of the journal's page size. `serializeIo`: the
    // FileIo must not be called from two threads at once.
    WindowedTransform(std::size_t chunk, FileIo& io, bool serializeIo);

    enum class Stop { None, ReadError, WriteError, Vetoed, Unrestorable };
    struct Outcome {
        Stop stop = Stop::None;
        int error = 0;
        std::uint64_t prefix = 0;  // the bytes from offset 0 wholly written
        // Chunks of the window starting at `prefix` that were written too.
        std::array<bool, kChunksPerStep> written{};
    };

    // `journal` null: no journal, each chunk is written as soon as it is ciphered.
    Outcome Run(int fd, std::uint64_t length, const ChunkCipher& cipher, RunJournal* journal,
                TransformProgress& progress);

  private:
    struct Range {
        std::uint64_t start = 0;  // the window's offset in the file
        std::size_t chunks = 0;
        std::size_t buffer = 0;  // which window buffer holds it
    };
    struct LaneError {
        Stop kind = Stop::None;
        int error = 0;
        std::size_t chunk = 0;  // for a write error: the chunk that may be partly written
        int lane = 0;
    };
    enum Release : int { kWaiting = 0, kGo = 1, kVetoed = 2 };
    struct Step {
        Range read;
        Range write;
        bool immediate = false;
        std::atomic<std::size_t> nextRead{0};
        std::atomic<std::size_t> nextWrite{0};
        std::atomic<int> release{kWaiting};
        std::atomic<bool> failed{false};
        std::atomic<std::uint64_t> writtenBytes{0};
        std::uint64_t reported = 0;  // of writtenBytes, to the progress
        std::array<bool, kChunksPerStep> written{};
        std::array<LaneError, 2> errors{};
    };

    bool RunStep(Step& step, const ChunkCipher& cipher, RunJournal* journal, Outcome& outcome);
    void Lane(Step& step, int lane, const ChunkCipher& cipher, RunJournal* journal);
    bool ReadChunk(Step& step, std::size_t index, int lane, const ChunkCipher& cipher,
                   RunJournal* journal);
    bool WriteChunk(Step& step, const Range& range, std::size_t index, int lane);
    void Allocate(bool immediate);
    bool Restore(const Step& step, const LaneError& error, const ChunkCipher& cipher);
    void Fail(Step& step, int lane, Stop kind, std::size_t chunk);
    void Report(Step& step, int lane);

    std::uint64_t Offset(const Range& range, std::size_t index) const {
        return range.start + index * chunk_;
    }
    std::size_t Length(const Range& range, std::size_t index) const;
    std::uint8_t* Data(const Step& step, const Range& range, std::size_t index, int lane) {
        // Straight through, each thread keeps reusing its own chunk buffer, hot in its cache.
        return step.immediate ? laneBuffers_[static_cast<std::size_t>(lane)].data()
                              : buffers_[range.buffer].data() + index * chunk_;
    }
    ssize_t Read(std::uint8_t* data, std::size_t length, std::uint64_t offset);
    bool Write(const std::uint8_t* data, std::size_t length, std::uint64_t offset);

    std::size_t chunk_;
    std::size_t windowChunks_;
    FileIo& io_;
    bool serializeIo_;
    std::mutex ioMutex_;
    int fd_ = -1;
    std::uint64_t length_ = 0;
    TransformProgress* progress_ = nullptr;
    std::array<std::vector<std::uint8_t>, 2> buffers_;
    std::array<std::vector<std::uint64_t>, 2> hashes_;
    std::array<std::vector<std::uint8_t>, 2> laneBuffers_;
    HelperThread lane_;
    HelperThread noter_;
};

}  // namespace tsrn::bulk
