// Wraps a stream with the connection-level faults: a rate limit in each
// direction and a stall after a number of bytes.
#pragma once

#include <optional>

#include "sim/byte_stream.h"
#include "sim/token_bucket.h"

namespace vandok::sim {

struct StreamShape {
  std::uint64_t throttle = 0;                // bytes per second each way; 0 = unlimited
  std::optional<std::uint64_t> stall_after = std::nullopt;  // bytes received + sent before traffic stops
};

class ShapedStream : public ByteStream {
 public:
  ShapedStream(ByteStream& inner, const StreamShape& shape);

  std::size_t read_some(std::uint8_t* into, std::size_t count) override;
  std::size_t write_some(const std::uint8_t* data, std::size_t count) override;
  void hold() override { inner_.hold(); }
  bool pause(std::chrono::nanoseconds d) override { return inner_.pause(d); }
  StreamEnd end() const override;

 private:
  // How many of count bytes may move now; 0 when the stream ended meanwhile.
  std::size_t allow(std::optional<TokenBucket>& bucket, std::size_t count);

  ByteStream& inner_;
  std::optional<std::uint64_t> stall_after_;
  std::optional<TokenBucket> in_bucket_;
  std::optional<TokenBucket> out_bucket_;
  std::uint64_t moved_ = 0;
  StreamEnd own_end_ = StreamEnd::Open;
};

}  // namespace vandok::sim
