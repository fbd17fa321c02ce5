#include "sim/memory_stream.h"

#include <algorithm>
#include <cstring>

namespace vandok::sim {

MemoryStream::MemoryStream(const std::uint8_t* input, std::size_t input_len, std::size_t output_limit)
    : input_(input), input_len_(input_len), output_limit_(output_limit) {}

std::size_t MemoryStream::read_some(std::uint8_t* into, std::size_t count) {
  if (end_ != StreamEnd::Open) return 0;
  const std::size_t n = std::min(count, input_len_ - input_pos_);
  if (n == 0) {
    end_ = StreamEnd::Closed;
    return 0;
  }
  std::memcpy(into, input_ + input_pos_, n);
  input_pos_ += n;
  return n;
}

std::size_t MemoryStream::write_some(const std::uint8_t* data, std::size_t count) {
  if (end_ != StreamEnd::Open) return 0;
  const std::size_t n = std::min(count, output_limit_ - output_.size());
  if (n == 0) {
    end_ = StreamEnd::Closed;
    return 0;
  }
  output_.insert(output_.end(), data, data + n);
  return n;
}

}  // namespace vandok::sim
