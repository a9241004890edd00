#include "host/cli/frame_pipeline.h"

#include <algorithm>

namespace qlv::cli {

FramePipeline::FramePipeline(Config config) : config_(std::move(config)) {
  const int buffers = std::max(1, config_.buffers);
  for (int i = 0; i < buffers; ++i) {
    slots_.push_back(std::make_unique<Slot>());
    free_.push_back(slots_.back().get());
  }
  if (config_.in_order) threads_.emplace_back(&FramePipeline::WriterLoop, this);
  if (config_.any_order) {
    for (int i = 0; i < std::max(1, config_.workers); ++i) threads_.emplace_back(&FramePipeline::WorkerLoop, this);
  }
}

FramePipeline::~FramePipeline() {
  Abort();
  Join();
}

int FramePipeline::DefaultWorkers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 4u));
}

int FramePipeline::BuffersFor(int workers, size_t frame_bytes) {
  const size_t fit = kBufferBudget / std::max<size_t>(frame_bytes, 1);
  return static_cast<int>(std::clamp<size_t>(fit, 2, static_cast<size_t>(std::max(workers, 0)) + 3));
}

std::vector<uint32_t>* FramePipeline::Acquire() {
  std::unique_lock<std::mutex> lock(mutex_);
  free_ready_.wait(lock, [&] { return stopped_ || !free_.empty(); });
  if (stopped_) return nullptr;
  Slot* slot = free_.front();
  free_.pop_front();
  return &slot->pixels;
}

void FramePipeline::Submit(int64_t index, std::vector<uint32_t>* buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find_if(slots_.begin(), slots_.end(), [&](const auto& s) { return &s->pixels == buffer; });
  if (it == slots_.end()) return;
  Slot* slot = it->get();
  slot->index = index;
  slot->pending = (config_.in_order ? 1 : 0) + (config_.any_order ? 1 : 0);
  if (stopped_ || slot->pending == 0) {
    slot->pending = 0;
    free_.push_back(slot);
    free_ready_.notify_one();
    return;
  }
  if (config_.in_order) {
    to_write_.push_back(slot);
    write_ready_.notify_one();
  }
  if (config_.any_order) {
    to_encode_.push_back(slot);
    encode_ready_.notify_one();
  }
}

FramePipeline::Slot* FramePipeline::Next(std::unique_lock<std::mutex>& lock, std::deque<Slot*>& queue,
                                         std::condition_variable& ready) {
  ready.wait(lock, [&] { return stopped_ || finished_ || !queue.empty(); });
  if (stopped_ || queue.empty()) return nullptr;
  Slot* slot = queue.front();
  queue.pop_front();
  return slot;
}

void FramePipeline::Done(Slot* slot, bool ok, const std::string& error) {
  if (!ok && !stopped_) {
    failed_ = true;
    error_ = error;
  }
  if (!ok) {
    stopped_ = true;
    free_ready_.notify_all();
    write_ready_.notify_all();
    encode_ready_.notify_all();
  }
  if (--slot->pending == 0) {
    free_.push_back(slot);
    free_ready_.notify_one();
  }
}

void FramePipeline::WriterLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (Slot* slot = Next(lock, to_write_, write_ready_)) {
    lock.unlock();
    std::string error;
    const bool ok = config_.in_order(slot->index, slot->pixels, &error);
    lock.lock();
    Done(slot, ok, error);
  }
}

void FramePipeline::WorkerLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (Slot* slot = Next(lock, to_encode_, encode_ready_)) {
    lock.unlock();
    std::string error;
    const bool ok = config_.any_order(slot->index, slot->pixels, &error);
    lock.lock();
    Done(slot, ok, error);
  }
}

void FramePipeline::Join() {
  for (std::thread& t : threads_) {
    if (t.joinable()) t.join();
  }
  threads_.clear();
}

bool FramePipeline::Finish(std::string* error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    write_ready_.notify_all();
    encode_ready_.notify_all();
  }
  Join();
  std::lock_guard<std::mutex> lock(mutex_);
  if (failed_) {
    *error = error_;
    return false;
  }
  if (stopped_) {
    *error = "stopped";
    return false;
  }
  return true;
}

void FramePipeline::Abort() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  free_ready_.notify_all();
  write_ready_.notify_all();
  encode_ready_.notify_all();
}

}  // namespace qlv::cli
