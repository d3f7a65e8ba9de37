#include "bulk/WindowedTransform.h"

#include <errno.h>
#include <sched.h>

#include <algorithm>

#include "bulk/FileTransformer.h"
#include "bulk/FullIo.h"
#include "bulk/WriteLease.h"

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

std::size_t PagesIn(std::size_t bytes) {
    return (bytes + RunJournal::kPageSize - 1) / RunJournal::kPageSize;
}

}  // namespace

WindowedTransform::WindowedTransform(std::size_t chunk, FileIo& io, bool serializeIo)
    : chunk_(chunk),
      gatedChunks_(std::clamp(kGatedBytes / chunk, std::size_t{4}, kChunksPerStep)),
      io_(io),
      serializeIo_(serializeIo) {}

std::size_t WindowedTransform::Length(std::uint64_t chunk) const {
    return static_cast<std::size_t>(std::min<std::uint64_t>(chunk_, length_ - Offset(chunk)));
}

WindowedTransform::Outcome WindowedTransform::Run(int fd, std::uint64_t length,
                                                  const ChunkCipher& cipher, RunJournal* journal,
                                                  TransformProgress& progress) {
    fd_ = fd;
    length_ = length;
    progress_ = &progress;
    return journal == nullptr ? RunImmediate(cipher, progress)
                              : RunGated(cipher, *journal, progress);
}

// ---- Straight through, without a journal

WindowedTransform::Outcome WindowedTransform::RunImmediate(const ChunkCipher& cipher,
                                                           TransformProgress& progress) {
    for (auto& buffer : laneBuffers_) {
        buffer.resize(chunk_);
    }
    Outcome outcome;
    const std::uint64_t chunks = (length_ + chunk_ - 1) / chunk_;
    for (std::uint64_t first = 0; first < chunks; first += kChunksPerStep) {
        Step step;
        step.first = first;
        step.chunks =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunksPerStep, chunks - first));
        if (!RunStep(step, cipher, outcome)) {
            outcome.prefix = Offset(first);
            return outcome;
        }
        const std::uint64_t last = first + step.chunks - 1;
        const std::uint64_t bytes = Offset(last) + Length(last) - Offset(first);
        if (bytes > step.reported) {
            progress.ChunkDone(bytes - step.reported);
        }
        outcome.prefix = Offset(first) + bytes;
    }
    return outcome;
}

bool WindowedTransform::RunStep(Step& step, const ChunkCipher& cipher, Outcome& outcome) {
    lane_.Start([this, &step, &cipher] { Lane(step, 1, cipher); });
    Lane(step, 0, cipher);
    lane_.Wait();
    outcome.written = step.written;
    // A chunk that failed part way is put back first, whatever else happened.
    for (const LaneError& error : step.errors) {
        if (error.kind == Stop::WriteError &&
            !Restore(laneBuffers_[static_cast<std::size_t>(error.lane)].data(), error.chunk,
                     cipher)) {
            outcome.stop = Stop::Unrestorable;
            outcome.error = error.error;
            return false;
        }
    }
    for (Stop kind : {Stop::WriteError, Stop::ReadError, Stop::Interrupted}) {
        for (const LaneError& error : step.errors) {
            if (error.kind == kind) {
                outcome.stop = kind;
                outcome.error = error.error;
                return false;
            }
        }
    }
    return true;
}

void WindowedTransform::Lane(Step& step, int lane, const ChunkCipher& cipher) {
    // Each thread keeps reusing its own chunk buffer, hot in its cache.
    std::uint8_t* data = laneBuffers_[static_cast<std::size_t>(lane)].data();
    while (!step.failed.load(std::memory_order_relaxed)) {
        const std::size_t index = Take(step.next, step.chunks);
        if (index == kNoChunk) {
            return;
        }
        const std::uint64_t chunk = step.first + index;
        Stop failure = Stop::None;
        if (WriteLease::Broken()) {
            failure = Stop::Interrupted;
            errno = EBUSY;
        } else if (!ReadChunk(data, chunk, cipher, nullptr, nullptr)) {
            failure = Stop::ReadError;
        } else if (!Write(data, Length(chunk), Offset(chunk))) {
            failure = Stop::WriteError;
        }
        if (failure != Stop::None) {
            step.errors[static_cast<std::size_t>(lane)] = LaneError{failure, errno, chunk, lane};
            step.failed.store(true, std::memory_order_relaxed);
            return;
        }
        step.written[index] = true;
        step.writtenBytes.fetch_add(Length(chunk), std::memory_order_relaxed);
        if (lane == 0) {
            Report(step.writtenBytes, step.reported);
        }
    }
}

// ---- Behind the journal

WindowedTransform::Outcome WindowedTransform::RunGated(const ChunkCipher& cipher,
                                                       RunJournal& journal,
                                                       TransformProgress& progress) {
    slotBuffer_.resize(gatedChunks_ * chunk_);
    slotHashes_.resize(gatedChunks_ * (chunk_ / RunJournal::kPageSize));
    Gate gate;
    gate.chunks = (length_ + chunk_ - 1) / chunk_;
    gate.slotStates.assign(gatedChunks_, Slot::Free);
    gate.owner.assign(gatedChunks_, 0);
    // The noter starts by making the journal's room: a flush under way from
    // the start, so the lanes offer their cores until it is done.
    gate.noting = true;
    // The noter waits for the lanes' reads: it must never run in their place.
    gate.lanesNote = !noter_.TryStart([this, &gate, &journal] { Noter(gate, journal); });
    if (gate.lanesNote) {
        gate.noting = false;  // no noter, no room made ahead: the first flush makes it
    }
    lane_.Start([this, &gate, &cipher, &journal] { GatedLane(gate, 1, cipher, journal); });
    GatedLane(gate, 0, cipher, journal);
    lane_.Wait();
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.stopped = true;  // the noter has nothing more to wait for
    }
    gate.noterWake.notify_all();
    if (!gate.lanesNote) {
        noter_.Wait();
    }
    Outcome outcome;
    GatedOutcome(gate, cipher, outcome);
    if (outcome.stop == Stop::None && length_ > gate.reported) {
        progress.ChunkDone(length_ - gate.reported);
    }
    return outcome;
}

// A lane writes what the journal holds when the other is not writing (two
// writers to one file only wait for each other), else reads ahead.
//
// While a flush is due or under way a lane offers its core once per step:
// with both cores busy, the noter would otherwise wait out a lane's time
// slice (1.5 ms measured) to start its flush or to hand it on once it
// returned, and the lanes would fill every slot and stop. A yield with
// nothing else to run costs a system call.
void WindowedTransform::GatedLane(Gate& gate, int lane, const ChunkCipher& cipher,
                                  RunJournal& journal) {
    std::unique_lock<std::mutex> lock(gate.mutex);
    bool offered = false;
    while (!gate.stopped && gate.writtenPrefix < gate.chunks) {
        if (!gate.lanesNote && !offered && (gate.noting || (gate.noterWaiting && NoteDue(gate)))) {
            lock.unlock();
            sched_yield();
            lock.lock();
            offered = true;
            continue;
        }
        offered = false;
        if (WriteLease::Broken()) {
            gate.errors[static_cast<std::size_t>(lane)] =
                LaneError{Stop::Interrupted, EBUSY, 0, lane};
            gate.stopped = true;
            gate.noterWake.notify_all();
            break;
        }
        const bool canRead =
            gate.next < gate.chunks && gate.next < gate.writtenPrefix + gatedChunks_;
        std::uint64_t chunk = 0;
        if ((gate.writing == 0 || !canRead) && TakeWrite(gate, lane, chunk)) {
            WriteGated(gate, lane, chunk, lock);
        } else if (gate.lanesNote && !gate.noting && gate.readPrefix > gate.durable &&
                   (!canRead || NoteDue(gate))) {
            Note(gate, journal, lock);
        } else if (canRead) {
            ReadGated(gate, lane, cipher, journal, lock);
        } else {
            ++gate.lanesWaiting;
            if (gate.noterWaiting) {
                gate.noterWake.notify_one();  // the noter stops waiting for a fuller batch
            }
            gate.lanesWake.wait(lock);
            --gate.lanesWaiting;
        }
    }
    WakeLanes(gate);  // the other lane may wait for a stop or for the end
}

void WindowedTransform::WriteGated(Gate& gate, int lane, std::uint64_t chunk,
                                   std::unique_lock<std::mutex>& lock) {
    ++gate.writing;
    lock.unlock();
    const bool ok = Write(SlotData(chunk), Length(chunk), Offset(chunk));
    const int error = errno;
    if (ok) {
        gate.writtenBytes.fetch_add(Length(chunk), std::memory_order_relaxed);
        if (lane == 0) {
            Report(gate.writtenBytes, gate.reported);
        }
    }
    lock.lock();
    --gate.writing;
    if (!ok) {
        gate.errors[static_cast<std::size_t>(lane)] =
            LaneError{Stop::WriteError, error, chunk, lane};
        gate.stopped = true;
        gate.noterWake.notify_all();
    } else {
        Written(gate, chunk);
    }
    WakeLanes(gate);
}

void WindowedTransform::ReadGated(Gate& gate, int lane, const ChunkCipher& cipher,
                                  const RunJournal& journal, std::unique_lock<std::mutex>& lock) {
    const std::uint64_t chunk = gate.next++;
    gate.slotStates[SlotOf(chunk)] = Slot::Reading;
    gate.owner[SlotOf(chunk)] = lane;
    lock.unlock();
    const bool ok = ReadChunk(SlotData(chunk), chunk, cipher, SlotHashes(chunk), &journal);
    const int error = errno;
    lock.lock();
    if (!ok) {
        gate.errors[static_cast<std::size_t>(lane)] =
            LaneError{Stop::ReadError, error, chunk, lane};
        gate.stopped = true;
        gate.noterWake.notify_all();
        WakeLanes(gate);
        return;
    }
    gate.slotStates[SlotOf(chunk)] = Slot::Read;
    while (gate.readPrefix < gate.next && gate.slotStates[SlotOf(gate.readPrefix)] >= Slot::Read) {
        ++gate.readPrefix;
    }
    if (gate.noterWaiting && NoteDue(gate)) {
        gate.noterWake.notify_one();
    }
}

// A flush is worth it for half the chunks in memory (the lanes read into the
// other half meanwhile), for the last ones, or for a lane that has nothing
// else to do. Each flush costs some 60 us of CPU (two device commands, in a
// virtual machine each a trap to its host) and interrupts the lanes: flushing
// at a half measured 5-10% faster on 512 MiB than at a third or a quarter.
bool WindowedTransform::NoteDue(const Gate& gate) const {
    const std::uint64_t waiting = gate.readPrefix - gate.durable;
    return waiting > 0 && (waiting >= std::max<std::size_t>(1, gatedChunks_ / 2) ||
                           gate.readPrefix == gate.chunks || gate.lanesWaiting > 0);
}

void WindowedTransform::WakeLanes(Gate& gate) {
    if (gate.lanesWaiting > 0) {
        gate.lanesWake.notify_all();
    }
}

// Takes the first chunk the journal holds that is not written yet, one this
// lane read if there is one (still in its cache), else the other lane's.
bool WindowedTransform::TakeWrite(Gate& gate, int lane, std::uint64_t& chunk) const {
    const std::uint64_t end = std::min(gate.durable, gate.next);
    bool found = false;
    for (std::uint64_t c = gate.writtenPrefix; c < end; ++c) {
        if (gate.slotStates[SlotOf(c)] != Slot::Read) {
            continue;
        }
        if (gate.owner[SlotOf(c)] == lane) {
            chunk = c;
            found = true;
            break;
        }
        if (!found) {
            chunk = c;
            found = true;
        }
    }
    if (found) {
        gate.slotStates[SlotOf(chunk)] = Slot::Writing;
    }
    return found;
}

void WindowedTransform::Written(Gate& gate, std::uint64_t chunk) {
    gate.slotStates[SlotOf(chunk)] = Slot::Written;
    while (gate.writtenPrefix < gate.next &&
           gate.slotStates[SlotOf(gate.writtenPrefix)] == Slot::Written) {
        gate.slotStates[SlotOf(gate.writtenPrefix)] = Slot::Free;
        ++gate.writtenPrefix;
    }
}

// First makes the journal's room for the file's hashes, while the lanes read
// its first chunks: the first flush would otherwise carry it (about 1 MiB of
// zeros per 512 MiB and their allocation: 1-2 ms with both lanes waiting).
void WindowedTransform::Noter(Gate& gate, RunJournal& journal) {
    std::unique_lock<std::mutex> lock(gate.mutex, std::defer_lock);
    const bool roomMade = journal.MakeRoom();
    lock.lock();
    gate.noting = false;
    if (!roomMade) {
        gate.vetoed = true;
        gate.stopped = true;
        WakeLanes(gate);
        return;
    }
    for (;;) {
        gate.noterWaiting = true;
        gate.noterWake.wait(lock, [this, &gate] {
            return gate.stopped || gate.durable == gate.chunks || NoteDue(gate);
        });
        gate.noterWaiting = false;
        if (gate.stopped || gate.durable == gate.chunks) {
            return;
        }
        Note(gate, journal, lock);
    }
}

// Hands every chunk read since the last flush to the journal in one flush.
// The slots of those chunks stay as they are meanwhile: none of them can be
// written, so none can be reused.
void WindowedTransform::Note(Gate& gate, RunJournal& journal, std::unique_lock<std::mutex>& lock) {
    const std::uint64_t from = gate.durable;
    const std::uint64_t to = gate.readPrefix;
    gate.noting = true;
    lock.unlock();
    noteHashes_.clear();
    for (std::uint64_t c = from; c < to; ++c) {
        const std::uint64_t* hashes = SlotHashes(c);
        noteHashes_.insert(noteHashes_.end(), hashes, hashes + PagesIn(Length(c)));
    }
    const bool ok = journal.NotePages(
        Offset(from), static_cast<std::size_t>(Offset(to - 1) + Length(to - 1) - Offset(from)),
        noteHashes_.data());
    lock.lock();
    gate.noting = false;
    if (ok) {
        gate.durable = to;
    } else {
        gate.vetoed = true;
        gate.stopped = true;
    }
    WakeLanes(gate);
}

void WindowedTransform::GatedOutcome(Gate& gate, const ChunkCipher& cipher, Outcome& outcome) {
    for (const LaneError& error : gate.errors) {
        if (error.kind == Stop::WriteError &&
            !Restore(SlotData(error.chunk), error.chunk, cipher)) {
            outcome.stop = Stop::Unrestorable;
            outcome.error = error.error;
            return;
        }
    }
    outcome.prefix = std::min(length_, Offset(gate.writtenPrefix));
    for (std::size_t k = 0; k < gatedChunks_ && gate.writtenPrefix + k < gate.next; ++k) {
        outcome.written[k] = gate.slotStates[SlotOf(gate.writtenPrefix + k)] == Slot::Written;
    }
    if (gate.vetoed) {
        outcome.stop = Stop::Vetoed;
        return;
    }
    for (Stop kind : {Stop::WriteError, Stop::ReadError, Stop::Interrupted}) {
        for (const LaneError& error : gate.errors) {
            if (error.kind == kind) {
                outcome.stop = kind;
                outcome.error = error.error;
                return;
            }
        }
    }
}

// ---- Shared

// Reads a chunk, hashes its pages when `hashes` is given (while the chunk is
// in this core's cache), and ciphers it.
bool WindowedTransform::ReadChunk(std::uint8_t* data, std::uint64_t chunk,
                                  const ChunkCipher& cipher, std::uint64_t* hashes,
                                  const RunJournal* journal) {
    const std::uint64_t offset = Offset(chunk);
    const std::size_t want = Length(chunk);
    // One byte more at the end tells a file that grew since it was opened.
    const std::size_t ask = want < chunk_ ? want + 1 : want;
    const ssize_t got = Read(data, ask, offset);
    if (got != static_cast<ssize_t>(want)) {
        if (got >= 0) {
            errno = EIO;  // the file changed its length under the run
        }
        return false;
    }
    if (hashes != nullptr) {
        for (std::size_t page = 0; page < want; page += RunJournal::kPageSize) {
            *hashes++ =
                journal->PageHash(data + page, std::min(RunJournal::kPageSize, want - page));
        }
    }
    cipher.Apply(data, want, offset, offset + want == length_);
    return true;
}

// The chunk may be partly on disk in its new state: its old bytes go back.
bool WindowedTransform::Restore(std::uint8_t* data, std::uint64_t chunk,
                                const ChunkCipher& cipher) {
    const std::uint64_t offset = Offset(chunk);
    const std::size_t length = Length(chunk);
    cipher.Inverse().Apply(data, length, offset, offset + length == length_);
    return Write(data, length, offset);
}

// The progress hears from the calling thread only, as the chunks of both go by.
void WindowedTransform::Report(std::atomic<std::uint64_t>& writtenBytes, std::uint64_t& reported) {
    const std::uint64_t done = writtenBytes.load(std::memory_order_relaxed);
    if (done > reported) {
        progress_->ChunkDone(done - reported);
        reported = done;
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
