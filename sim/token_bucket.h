// Rate limit for one direction of a throttled connection: tokens are bytes,
// refilled at the configured rate up to a burst of 20 ms worth.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vandok::sim {

class TokenBucket {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts full.
  TokenBucket(std::uint64_t bytes_per_second, Clock::time_point now);

  // Grants up to want bytes, 0 when the bucket holds less than one.
  std::size_t take(std::size_t want, Clock::time_point now);
  // Returns bytes granted but not moved.
  void refund(std::size_t bytes);
  // Time until at least one byte can be granted.
  Clock::duration wait_time() const;

  double burst() const { return burst_; }

 private:
  void refill(Clock::time_point now);

  double rate_;
  double burst_;
  double tokens_;
  Clock::time_point last_;
};

}  // namespace vandok::sim
