// A stream over a fixed input buffer whose output is collected up to a limit;
// it drives a session without a socket (tests, fuzzing).
#pragma once

#include <vector>

#include "sim/byte_stream.h"

namespace vandok::sim {

class MemoryStream : public ByteStream {
 public:
  // Past output_limit bytes the stream acts as a peer that closed.
  MemoryStream(const std::uint8_t* input, std::size_t input_len, std::size_t output_limit);

  std::size_t read_some(std::uint8_t* into, std::size_t count) override;
  std::size_t write_some(const std::uint8_t* data, std::size_t count) override;
  void hold() override {}
  bool pause(std::chrono::nanoseconds) override { return true; }
  StreamEnd end() const override { return end_; }

  const std::vector<std::uint8_t>& output() const { return output_; }
  std::size_t input_left() const { return input_len_ - input_pos_; }

 private:
  const std::uint8_t* input_;
  std::size_t input_len_;
  std::size_t input_pos_ = 0;
  std::size_t output_limit_;
  std::vector<std::uint8_t> output_;
  StreamEnd end_ = StreamEnd::Open;
};

}  // namespace vandok::sim
