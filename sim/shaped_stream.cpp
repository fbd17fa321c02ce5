#include "sim/shaped_stream.h"

#include <algorithm>

namespace vandok::sim {

ShapedStream::ShapedStream(ByteStream& inner, const StreamShape& shape)
    : inner_(inner), stall_after_(shape.stall_after) {
  if (shape.throttle > 0) {
    in_bucket_.emplace(shape.throttle, TokenBucket::Clock::now());
    out_bucket_.emplace(shape.throttle, TokenBucket::Clock::now());
  }
}

StreamEnd ShapedStream::end() const { return own_end_ != StreamEnd::Open ? own_end_ : inner_.end(); }

std::size_t ShapedStream::allow(std::optional<TokenBucket>& bucket, std::size_t count) {
  if (own_end_ != StreamEnd::Open) return 0;
  if (stall_after_) {
    if (moved_ >= *stall_after_) {
      own_end_ = StreamEnd::Stalled;
      inner_.hold();
      return 0;
    }
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, *stall_after_ - moved_));
  }
  if (!bucket) return count;
  for (;;) {
    const std::size_t granted = bucket->take(count, TokenBucket::Clock::now());
    if (granted > 0) return granted;
    if (!inner_.pause(bucket->wait_time())) {
      own_end_ = StreamEnd::Stopped;
      return 0;
    }
  }
}

std::size_t ShapedStream::read_some(std::uint8_t* into, std::size_t count) {
  const std::size_t allowed = allow(in_bucket_, count);
  if (allowed == 0) return 0;
  const std::size_t n = inner_.read_some(into, allowed);
  if (in_bucket_) in_bucket_->refund(allowed - n);
  moved_ += n;
  return n;
}

std::size_t ShapedStream::write_some(const std::uint8_t* data, std::size_t count) {
  const std::size_t allowed = allow(out_bucket_, count);
  if (allowed == 0) return 0;
  const std::size_t n = inner_.write_some(data, allowed);
  if (out_bucket_) out_bucket_->refund(allowed - n);
  moved_ += n;
  return n;
}

}  // namespace vandok::sim
