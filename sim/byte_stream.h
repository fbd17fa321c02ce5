// The byte stream a board session talks over: a socket in the simulator, a
// memory buffer under the fuzzer, optionally wrapped to shape the traffic.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vandok::sim {

// Why a stream stopped moving bytes.
enum class StreamEnd {
  Open,     // still moving bytes
  Closed,   // the peer closed or reset the connection
  Stalled,  // the stall fault stopped the traffic
  Stopped,  // the simulator is shutting down
  Failed,   // a socket error
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Blocks for at least one byte; returns up to count bytes, or 0 once ended.
  virtual std::size_t read_some(std::uint8_t* into, std::size_t count) = 0;
  // Blocks until at least one byte is written; returns the count, or 0 once ended.
  virtual std::size_t write_some(const std::uint8_t* data, std::size_t count) = 0;
  // Keeps the connection open without moving a byte until the peer leaves or
  // the simulator stops.
  virtual void hold() = 0;
  // Sleeps for d, or less when the simulator stops; false when it stopped.
  virtual bool pause(std::chrono::nanoseconds d) = 0;
  virtual StreamEnd end() const = 0;
};

// Loop over read_some/write_some; each returns how many bytes moved, which is
// less than count only when the stream ended.
std::size_t read_full(ByteStream& stream, std::uint8_t* into, std::size_t count);
std::size_t write_full(ByteStream& stream, const std::uint8_t* data, std::size_t count);

}  // namespace vandok::sim
