// The worker threads; see worker_pool.h.  One mutex guards the chunk
// slots; a slot is free, claimed by a worker, or tested and waiting for
// the run.  A restart starts a new epoch: chunks of an older one are
// dropped as their workers finish them.
#include "core/engine/worker_pool.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace core::engine {

namespace {

// A chunk's work: about a millisecond, so that the run's thread, which
// polls the stop key between chunks, answers about as fast as alone.
constexpr std::chrono::microseconds kChunkTime{1000};
constexpr int kMaxChunkTuples = 1 << 18;

enum class SlotState { kFree, kClaimed, kTested };

struct Slot {
  SlotState state = SlotState::kFree;
  std::uint64_t epoch = 0;
  std::uint64_t index = 0;  // the chunk's place in its run
  int tuples = 0;
  std::vector<std::uint8_t> verdicts =
      std::vector<std::uint8_t>(kMaxChunkTuples + 4);
};

}  // namespace

class WorkerPool {
 public:
  explicit WorkerPool(int threads)
      : slots_(static_cast<std::size_t>(2 * threads + 2)) {
    for (int t = 0; t < threads; ++t) {
      workspaces_.push_back(std::make_unique<Workspace>());
    }
    for (int t = 0; t < threads; ++t) {
      threads_.emplace_back([this, t] { work(*workspaces_[t]); });
    }
  }

  ~WorkerPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  void restart(const TupleShape& shape, const StreamOffsets& start,
               const Kernels& path) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++epoch_;
      for (Slot& slot : slots_) {
        if (slot.state == SlotState::kTested) slot.state = SlotState::kFree;
      }
      if (!(shape == shape_)) chunk_tuples_ = series_tuples(shape);
      shape_ = shape;
      start_ = start;
      path_ = &path;
      active_ = true;
      next_index_ = 0;
      next_first_ = 0;
      wanted_index_ = 0;
      holding_ = false;
    }
    work_ready_.notify_all();
  }

  const std::uint8_t* next_verdicts(int& count) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (holding_) {
      slot_of(wanted_index_).state = SlotState::kFree;
      ++wanted_index_;
      work_ready_.notify_all();
    }
    Slot& slot = slot_of(wanted_index_);
    tested_.wait(lock, [&] {
      return slot.state == SlotState::kTested && slot.epoch == epoch_ &&
             slot.index == wanted_index_;
    });
    holding_ = true;
    count = slot.tuples;
    return slot.verdicts.data();
  }

 private:
  Slot& slot_of(std::uint64_t index) { return slots_[index % slots_.size()]; }

  void work(Workspace& workspace) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      work_ready_.wait(lock, [&] {
        return stopping_ ||
               (active_ && slot_of(next_index_).state == SlotState::kFree);
      });
      if (stopping_) return;
      Slot& slot = slot_of(next_index_);
      slot.state = SlotState::kClaimed;
      slot.epoch = epoch_;
      slot.index = next_index_++;
      slot.tuples = chunk_tuples_;
      const std::uint64_t first = next_first_;
      next_first_ += static_cast<std::uint64_t>(chunk_tuples_);
      const TupleShape shape = shape_;
      const Kernels& path = *path_;
      StreamOffsets streams = start_;
      lock.unlock();

      // The chunk's first tuple starts `first` tuples into the run.
      multiply_streams(streams, factors_ahead(first * shape.draws()));
      const auto began = std::chrono::steady_clock::now();
      evaluate_tuples(workspace, shape, path, streams, slot.tuples,
                      slot.verdicts.data());
      const auto took = std::chrono::steady_clock::now() - began;

      lock.lock();
      if (slot.epoch != epoch_) {
        slot.state = SlotState::kFree;
        work_ready_.notify_all();
        continue;
      }
      slot.state = SlotState::kTested;
      tested_.notify_one();
      adapt_chunk(slot.tuples, took);
    }
  }

  // Aims the next chunks at kChunkTime, growing at most twofold at a time.
  void adapt_chunk(int tuples, std::chrono::steady_clock::duration took) {
    const double seconds = std::chrono::duration<double>(took).count();
    const double wanted =
        seconds > 0 ? tuples * (std::chrono::duration<double>(kChunkTime) /
                                std::chrono::duration<double>(took))
                    : 2.0 * tuples;
    double next = wanted < 2.0 * chunk_tuples_ ? wanted : 2.0 * chunk_tuples_;
    if (next > kMaxChunkTuples) next = kMaxChunkTuples;
    chunk_tuples_ = next < 1 ? 1 : static_cast<int>(next);
  }

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable tested_;
  bool stopping_ = false;
  bool active_ = false;
  std::uint64_t epoch_ = 0;
  TupleShape shape_;
  StreamOffsets start_{};
  const Kernels* path_ = nullptr;
  int chunk_tuples_ = 1;
  std::uint64_t next_index_ = 0;    // the next chunk to claim
  std::uint64_t next_first_ = 0;    // its first tuple
  std::uint64_t wanted_index_ = 0;  // the chunk the run takes next
  bool holding_ = false;            // whether the run holds that chunk
  std::vector<Slot> slots_;
  std::vector<std::unique_ptr<Workspace>> workspaces_;
  std::vector<std::thread> threads_;
};

WorkerPool* start_workers(int threads) { return new WorkerPool(threads); }

void stop_workers(WorkerPool* pool) { delete pool; }

void restart_workers(WorkerPool& pool, const TupleShape& shape,
                     const StreamOffsets& start, const Kernels& path) {
  pool.restart(shape, start, path);
}

const std::uint8_t* next_worker_verdicts(WorkerPool& pool, int& count) {
  return pool.next_verdicts(count);
}

}  // namespace core::engine
