#include "sim/byte_stream.h"

namespace vandok::sim {

std::size_t read_full(ByteStream& stream, std::uint8_t* into, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = stream.read_some(into + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::size_t write_full(ByteStream& stream, const std::uint8_t* data, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = stream.write_some(data + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace vandok::sim
