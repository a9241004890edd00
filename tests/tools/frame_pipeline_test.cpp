// The frame pipeline with stand-in sinks that take a random little while, so that buffers are
// reused while other frames are still being kept.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/cli/frame_pipeline.h"

namespace qlv::cli {
namespace {

constexpr size_t kWords = 4096;

void Dawdle() {
  thread_local std::minstd_rand random(std::hash<std::thread::id>()(std::this_thread::get_id()));
  std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
}

// Every word of frame `index`'s picture.
uint32_t Word(int64_t index) { return 0x9E3779B9u * static_cast<uint32_t>(index + 1); }

bool Intact(int64_t index, const std::vector<uint32_t>& pixels) {
  if (pixels.size() != kWords) return false;
  for (uint32_t w : pixels)
    if (w != Word(index)) return false;
  return true;
}

// Paints frames 0..count-1 until the pipeline stops; the frames painted.
int64_t Paint(FramePipeline& pipeline, int64_t count, std::set<std::vector<uint32_t>*>* buffers) {
  int64_t f = 0;
  for (; f < count; ++f) {
    std::vector<uint32_t>* buffer = pipeline.Acquire();
    if (!buffer) break;
    buffers->insert(buffer);
    buffer->assign(kWords, Word(f));
    pipeline.Submit(f, buffer);
  }
  return f;
}

TEST(FramePipeline, EveryFrameReachesEachSinkOnceIntactInOrderWhereAskedWithinTheBuffers) {
  constexpr int64_t kFrames = 300;
  std::mutex mutex;
  std::vector<int64_t> written;
  std::multiset<int64_t> encoded;
  std::atomic<int> damaged{0};
  FramePipeline::Config config;
  config.in_order = [&](int64_t f, const std::vector<uint32_t>& px, std::string*) {
    Dawdle();
    damaged += !Intact(f, px);
    written.push_back(f);  // one writer thread
    return true;
  };
  config.any_order = [&](int64_t f, const std::vector<uint32_t>& px, std::string*) {
    Dawdle();
    damaged += !Intact(f, px);
    std::lock_guard<std::mutex> lock(mutex);
    encoded.insert(f);
    return true;
  };
  config.workers = 3;
  config.buffers = 4;
  FramePipeline pipeline(config);
  std::set<std::vector<uint32_t>*> buffers;
  EXPECT_EQ(Paint(pipeline, kFrames, &buffers), kFrames);
  std::string error;
  ASSERT_TRUE(pipeline.Finish(&error)) << error;
  EXPECT_EQ(damaged.load(), 0) << "a buffer was painted again before every sink was done with it";
  std::vector<int64_t> expected(kFrames);
  for (int64_t f = 0; f < kFrames; ++f) expected[static_cast<size_t>(f)] = f;
  EXPECT_EQ(written, expected);
  EXPECT_EQ(encoded, std::multiset<int64_t>(expected.begin(), expected.end()));
  EXPECT_LE(buffers.size(), 4u);
}

// Either sink failing, or the painter giving up, ends everything with the first error, never
// waiting: a painter waiting for a buffer is released, queued frames are dropped.
TEST(FramePipeline, TheFirstFailureStopsEveryThreadAndIsReported) {
  for (const bool ordered : {true, false}) {
    SCOPED_TRACE(ordered ? "in-order sink fails" : "any-order sink fails");
    std::atomic<int64_t> calls{0};
    FramePipeline::Config config;
    FrameSink fine = [&](int64_t, const std::vector<uint32_t>&, std::string*) {
      ++calls;
      Dawdle();
      return true;
    };
    FrameSink failing = [&](int64_t f, const std::vector<uint32_t>&, std::string* error) {
      Dawdle();
      if (f < 20) return true;
      *error = "disk full at " + std::to_string(f);
      return false;
    };
    config.in_order = ordered ? failing : fine;
    config.any_order = ordered ? fine : failing;
    config.workers = 2;
    config.buffers = 3;
    FramePipeline pipeline(config);
    std::set<std::vector<uint32_t>*> buffers;
    const int64_t painted = Paint(pipeline, 100000, &buffers);
    EXPECT_LT(painted, 40) << "the painter went on after the failure";
    std::string error;
    EXPECT_FALSE(pipeline.Finish(&error));
    EXPECT_EQ(error.rfind("disk full at ", 0), 0u) << error;
    EXPECT_LT(calls.load(), 40);
  }
  // A painter that fails itself drops what is queued; the threads end without draining it.
  std::atomic<int64_t> calls{0};
  FramePipeline::Config config;
  config.in_order = [&](int64_t, const std::vector<uint32_t>&, std::string*) {
    ++calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
  };
  config.buffers = 8;
  {
    FramePipeline pipeline(config);
    std::set<std::vector<uint32_t>*> buffers;
    Paint(pipeline, 8, &buffers);
    pipeline.Abort();
    EXPECT_EQ(pipeline.Acquire(), nullptr);
    std::string error;
    EXPECT_FALSE(pipeline.Finish(&error)) << "an abandoned render is not a success";
  }
  EXPECT_LT(calls.load(), 8);
}

}  // namespace
}  // namespace qlv::cli
