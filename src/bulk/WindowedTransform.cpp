#include "bulk/WindowedTransform.h"

#include <errno.h>

#include <algorithm>

#include "bulk/FileTransformer.h"
#include "bulk/FullIo.h"

namespace tsrn::bulk {

namespace {

constexpr std::size_t kNoChunk = static_cast<std::size_t>(-1);

std::size_t Take(std::atomic<std::size_t>& next, std::size_t count) {
    if (next.load(std::memory_order_relaxed) >= count) {
        return kNoChunk;
    }
    const std::size_t index = next.fetch_add(1, std::memory_order_relaxed);
    return index < count ? index : kNoChunk;
}

}  // namespace

WindowedTransform::WindowedTransform(std::size_t chunk, FileIo& io, bool serializeIo)
    : chunk_(chunk),
      windowChunks_(std::clamp(kWindowBytes / chunk, kSmallestFileChunks, kChunksPerStep)),
      io_(io),
      serializeIo_(serializeIo) {}

void WindowedTransform::Allocate(bool immediate) {
    if (immediate) {
        for (auto& buffer : laneBuffers_) {
            buffer.resize(chunk_);
        }
        return;
    }
    for (std::size_t i = 0; i < buffers_.size(); ++i) {
        buffers_[i].resize(chunk_ * windowChunks_);
        hashes_[i].resize(chunk_ * windowChunks_ / RunJournal::kPageSize);
    }
}

std::size_t WindowedTransform::Length(const Range& range, std::size_t index) const {
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(chunk_, length_ - Offset(range, index)));
}

WindowedTransform::Outcome WindowedTransform::Run(int fd, std::uint64_t length,
                                                  const ChunkCipher& cipher, RunJournal* journal,
                                                  TransformProgress& progress) {
    fd_ = fd;
    length_ = length;
    progress_ = &progress;
    Outcome outcome;
    const bool immediate = journal == nullptr;
    Allocate(immediate);
    const std::uint64_t window = chunk_ * (immediate ? kChunksPerStep : windowChunks_);
    const std::uint64_t windows = (length + window - 1) / window;
    const std::uint64_t steps = journal == nullptr ? windows : windows + 1;
    auto range = [&](std::uint64_t k) {
        const std::uint64_t start = k * window;
        const std::uint64_t bytes = std::min<std::uint64_t>(window, length - start);
        return Range{start, static_cast<std::size_t>((bytes + chunk_ - 1) / chunk_),
                     static_cast<std::size_t>(k % 2)};
    };
    for (std::uint64_t k = 0; k < steps; ++k) {
        Step step;
        step.immediate = immediate;
        if (k < windows) {
            step.read = range(k);
        }
        if (!step.immediate && k > 0) {
            step.write = range(k - 1);
        }
        const Range& written = step.immediate ? step.read : step.write;
        if (!RunStep(step, cipher, journal, outcome)) {
            outcome.prefix = written.start;
            return outcome;
        }
        if (written.chunks > 0) {
            const std::uint64_t end =
                Offset(written, written.chunks - 1) + Length(written, written.chunks - 1);
            if (end - written.start > step.reported) {
                progress.ChunkDone(end - written.start - step.reported);
            }
            outcome.prefix = end;
        }
    }
    return outcome;
}

bool WindowedTransform::RunStep(Step& step, const ChunkCipher& cipher, RunJournal* journal,
                                Outcome& outcome) {
    if (step.write.chunks > 0) {
        noter_.Start([this, &step, journal] {
            const Range& w = step.write;
            const std::uint64_t bytes = Offset(w, w.chunks - 1) + Length(w, w.chunks - 1) - w.start;
            const bool ok = journal->BeforeWindowWrite(
                w.start, buffers_[w.buffer].data(), static_cast<std::size_t>(bytes),
                journal->HashesPages() ? hashes_[w.buffer].data() : nullptr);
            step.release.store(ok ? kGo : kVetoed, std::memory_order_release);
            step.release.notify_all();
        });
    }
    lane_.Start([this, &step, &cipher, journal] { Lane(step, 1, cipher, journal); });
    Lane(step, 0, cipher, journal);
    lane_.Wait();
    if (step.write.chunks > 0) {
        noter_.Wait();
    }
    bool ok = true;
    // A chunk that failed part way is put back first, whatever else happened.
    for (const LaneError& error : step.errors) {
        if (error.kind == Stop::WriteError && !Restore(step, error, cipher)) {
            outcome.stop = Stop::Unrestorable;
            outcome.error = error.error;
            return false;
        }
    }
    // In file order a window's note comes before its writes, and its writes
    // before the next window's reads.
    if (step.release.load() == kVetoed) {
        outcome.stop = Stop::Vetoed;
        ok = false;
    }
    for (Stop kind : {Stop::WriteError, Stop::ReadError}) {
        for (const LaneError& error : step.errors) {
            if (ok && error.kind == kind) {
                outcome.stop = kind;
                outcome.error = error.error;
                ok = false;
            }
        }
    }
    outcome.written = step.written;
    return ok;
}

void WindowedTransform::Lane(Step& step, int lane, const ChunkCipher& cipher, RunJournal* journal) {
    while (!step.failed.load(std::memory_order_relaxed)) {
        if (step.release.load(std::memory_order_acquire) == kGo) {
            const std::size_t index = Take(step.nextWrite, step.write.chunks);
            if (index != kNoChunk) {
                WriteChunk(step, step.write, index, lane);
                Report(step, lane);
                continue;
            }
        }
        const std::size_t index = Take(step.nextRead, step.read.chunks);
        if (index != kNoChunk) {
            if (ReadChunk(step, index, lane, cipher, journal) && step.immediate) {
                WriteChunk(step, step.read, index, lane);
                Report(step, lane);
            }
            continue;
        }
        if (step.nextWrite.load(std::memory_order_relaxed) >= step.write.chunks) {
            return;
        }
        const int release = step.release.load(std::memory_order_acquire);
        if (release == kVetoed) {
            return;
        }
        if (release == kWaiting) {
            step.release.wait(kWaiting, std::memory_order_acquire);
        }
    }
}

bool WindowedTransform::ReadChunk(Step& step, std::size_t index, int lane,
                                  const ChunkCipher& cipher, RunJournal* journal) {
    const Range& range = step.read;
    const std::uint64_t offset = Offset(range, index);
    const std::size_t want = Length(range, index);
    std::uint8_t* data = Data(step, range, index, lane);
    // One byte more at the end tells a file that grew since it was opened.
    const std::size_t ask = want < chunk_ ? want + 1 : want;
    const ssize_t got = Read(data, ask, offset);
    if (got != static_cast<ssize_t>(want)) {
        if (got >= 0) {
            errno = EIO;  // the file changed its length under the run
        }
        Fail(step, lane, Stop::ReadError, index);
        return false;
    }
    const bool last = offset + want == length_;
    cipher.Apply(data, want, offset, last);
    if (journal != nullptr && journal->HashesPages()) {
        // Hashed while the chunk is still in this core's cache.
        std::uint64_t* hashes =
            hashes_[range.buffer].data() + index * (chunk_ / RunJournal::kPageSize);
        for (std::size_t page = 0; page < want; page += RunJournal::kPageSize) {
            *hashes++ =
                journal->PageHash(data + page, std::min(RunJournal::kPageSize, want - page));
        }
    }
    return true;
}

bool WindowedTransform::WriteChunk(Step& step, const Range& range, std::size_t index, int lane) {
    if (!Write(Data(step, range, index, lane), Length(range, index), Offset(range, index))) {
        Fail(step, lane, Stop::WriteError, index);
        return false;
    }
    step.written[index] = true;
    step.writtenBytes.fetch_add(Length(range, index), std::memory_order_relaxed);
    return true;
}

// The chunk may be partly on disk in its new state: its old bytes go back.
bool WindowedTransform::Restore(const Step& step, const LaneError& error,
                                const ChunkCipher& cipher) {
    const Range& range = step.immediate ? step.read : step.write;
    const std::uint64_t offset = Offset(range, error.chunk);
    const std::size_t length = Length(range, error.chunk);
    std::uint8_t* data = Data(step, range, error.chunk, error.lane);
    cipher.Inverse().Apply(data, length, offset, offset + length == length_);
    return Write(data, length, offset);
}

void WindowedTransform::Fail(Step& step, int lane, Stop kind, std::size_t chunk) {
    step.errors[static_cast<std::size_t>(lane)] = LaneError{kind, errno, chunk, lane};
    step.failed.store(true, std::memory_order_relaxed);
}

// The progress hears from this thread only, as the chunks of both go by.
void WindowedTransform::Report(Step& step, int lane) {
    if (lane != 0) {
        return;
    }
    const std::uint64_t done = step.writtenBytes.load(std::memory_order_relaxed);
    if (done > step.reported) {
        progress_->ChunkDone(done - step.reported);
        step.reported = done;
    }
}

ssize_t WindowedTransform::Read(std::uint8_t* data, std::size_t length, std::uint64_t offset) {
    if (!serializeIo_) {
        return ReadFull(io_, fd_, data, length, offset);
    }
    std::lock_guard<std::mutex> lock(ioMutex_);
    return ReadFull(io_, fd_, data, length, offset);
}

bool WindowedTransform::Write(const std::uint8_t* data, std::size_t length, std::uint64_t offset) {
    if (!serializeIo_) {
        return WriteFull(io_, fd_, data, length, offset);
    }
    std::lock_guard<std::mutex> lock(ioMutex_);
    return WriteFull(io_, fd_, data, length, offset);
}

}  // namespace tsrn::bulk
