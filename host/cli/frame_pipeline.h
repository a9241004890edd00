#pragma once
// Carries rendered frames from the thread that paints them to the threads that keep them, so
// that painting, encoding and writing files run at the same time on different cores.
//
// Frames are painted into a small pool of buffers (memory stays bounded: the painter waits for
// a free one). Each frame goes to up to two sinks:
//   - the in-order sink, called on one writer thread with the frames in the order they were
//     submitted (the video encoder's pipe);
//   - the any-order sink, called on a few worker threads, each frame once, in whatever order
//     they finish (PNG files, whose names carry the frame index).
// A buffer is painted again only after every sink is done with it.
//
// The first error of any sink stops everything: sinks are not called again, the painter's next
// Acquire returns null, and Finish returns false with that error. Nothing waits on a stopped
// pipeline.
//
// Threads: Acquire, Submit, Finish and Abort belong to one thread (the painter); the sinks run
// on the pipeline's own threads and must be safe to call from them. Not copyable.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qlv::cli {

// Keeps frame `index` (its buffer of pixels as painted). False with a one-line *error.
using FrameSink = std::function<bool(int64_t index, const std::vector<uint32_t>& pixels, std::string* error)>;

class FramePipeline {
 public:
  struct Config {
    FrameSink in_order;   // empty: no writer thread
    FrameSink any_order;  // empty: no worker threads
    int workers = 1;      // threads calling any_order (at least 1 when it is given)
    int buffers = 3;      // frames painted or in flight at once (at least 1)
  };

  explicit FramePipeline(Config config);
  ~FramePipeline();  // Abort()s, then waits for the sink calls under way
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  // A buffer to paint the next frame into (its contents are the frame painted in it before, if
  // any); waits until one is free. Null once the pipeline has stopped.
  std::vector<uint32_t>* Acquire();
  // Hands over a buffer Acquire gave, painted with frame `index`.
  void Submit(int64_t index, std::vector<uint32_t>* buffer);
  // Waits until every submitted frame went through every sink and ends the threads. False with
  // the first error a sink gave (or "stopped" after Abort).
  bool Finish(std::string* error);
  // Stops promptly: frames not yet given to a sink are dropped; sink calls under way end first.
  void Abort();

  // Default sizes for this machine: one worker per core (at most 4), and enough buffers of
  // `frame_bytes` each to keep every thread busy, fewer (at least 2) when they would pass
  // kBufferBudget together, so that very large frames do not take the memory of a small queue.
  static constexpr size_t kBufferBudget = size_t{512} << 20;
  static int DefaultWorkers();
  static int BuffersFor(int workers, size_t frame_bytes);

 private:
  struct Slot {
    std::vector<uint32_t> pixels;
    int64_t index = 0;
    int pending = 0;  // sinks that still have to see it
  };
  void WriterLoop();
  void WorkerLoop();
  // Takes the next slot of `queue`; null when the pipeline stops or the queue is drained
  // after the last Submit. Called with `lock` held.
  Slot* Next(std::unique_lock<std::mutex>& lock, std::deque<Slot*>& queue, std::condition_variable& ready);
  // After a sink call on `slot`, with the lock held.
  void Done(Slot* slot, bool ok, const std::string& error);
  void Join();

  Config config_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::mutex mutex_;
  std::condition_variable free_ready_, write_ready_, encode_ready_;
  std::deque<Slot*> free_, to_write_, to_encode_;
  bool stopped_ = false;   // an error or Abort: no more sink calls
  bool finished_ = false;  // Finish called: the queues drain and the threads end
  bool failed_ = false;
  std::string error_;
  std::vector<std::thread> threads_;
};

}  // namespace qlv::cli
