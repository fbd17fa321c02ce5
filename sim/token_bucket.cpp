#include "sim/token_bucket.h"

#include <algorithm>
#include <cmath>

namespace vandok::sim {

TokenBucket::TokenBucket(std::uint64_t bytes_per_second, Clock::time_point now)
    : rate_(static_cast<double>(std::max<std::uint64_t>(bytes_per_second, 1))),
      burst_(std::max(1.0, rate_ / 50.0)),
      tokens_(burst_),
      last_(now) {}

void TokenBucket::refill(Clock::time_point now) {
  if (now <= last_) return;
  const double seconds = std::chrono::duration<double>(now - last_).count();
  tokens_ = std::min(burst_, tokens_ + seconds * rate_);
  last_ = now;
}

std::size_t TokenBucket::take(std::size_t want, Clock::time_point now) {
  refill(now);
  const double whole = std::floor(tokens_);
  const std::size_t granted = whole < static_cast<double>(want) ? static_cast<std::size_t>(whole) : want;
  tokens_ -= static_cast<double>(granted);
  return granted;
}

void TokenBucket::refund(std::size_t bytes) { tokens_ = std::min(burst_, tokens_ + static_cast<double>(bytes)); }

TokenBucket::Clock::duration TokenBucket::wait_time() const {
  if (tokens_ >= 1.0) return Clock::duration::zero();
  const auto wait = std::chrono::duration<double>((1.0 - tokens_) / rate_);
  return std::chrono::ceil<Clock::duration>(wait);
}

}  // namespace vandok::sim
