// Traffic shaping: the token bucket on a fake clock, the stall on a memory stream.
#include <gtest/gtest.h>

#include "sim/memory_stream.h"
#include "sim/shaped_stream.h"
#include "sim/token_bucket.h"

namespace vandok::sim {
namespace {

using std::chrono::milliseconds;

TEST(SimTokenBucket, GrantsBurstThenRefillsAtTheRate) {
  const auto t0 = TokenBucket::Clock::time_point{};
  TokenBucket bucket(50000, t0);  // burst: 20 ms worth = 1000 bytes
  EXPECT_EQ(bucket.take(5000, t0), 1000u);
  EXPECT_EQ(bucket.take(1, t0), 0u);
  EXPECT_EQ(bucket.wait_time(), std::chrono::microseconds(20));
  EXPECT_EQ(bucket.take(5000, t0 + milliseconds(10)), 500u);
  bucket.refund(100);
  EXPECT_EQ(bucket.take(5000, t0 + milliseconds(10)), 100u);
  // A long idle time refills no more than the burst.
  EXPECT_EQ(bucket.take(5000, t0 + milliseconds(5000)), 1000u);
  // A clock that seems to go back grants nothing new.
  EXPECT_EQ(bucket.take(5000, t0), 0u);
}

TEST(SimShapedStream, StallCountsBothDirections) {
  const std::vector<std::uint8_t> input(100, 7);
  MemoryStream memory(input.data(), input.size(), 1000);
  ShapedStream stream(memory, {.stall_after = 30});
  std::vector<std::uint8_t> buf(100);
  EXPECT_EQ(read_full(stream, buf.data(), 20), 20u);
  EXPECT_EQ(write_full(stream, buf.data(), 20), 10u);
  EXPECT_EQ(stream.end(), StreamEnd::Stalled);
  EXPECT_EQ(read_full(stream, buf.data(), 1), 0u);
  EXPECT_EQ(memory.input_left(), 80u);
}

}  // namespace
}  // namespace vandok::sim
