// A board session's stream over an accepted TCP connection. Every wait also
// watches the stop signal so that shutdown never hangs on a quiet peer.
#pragma once

#include "sim/byte_stream.h"
#include "sim/stop_signal.h"

namespace vandok::sim {

class SocketStream : public ByteStream {
 public:
  // Does not own fd; switches it to non-blocking mode.
  SocketStream(int fd, const StopSignal& stop);

  std::size_t read_some(std::uint8_t* into, std::size_t count) override;
  std::size_t write_some(const std::uint8_t* data, std::size_t count) override;
  void hold() override;
  bool pause(std::chrono::nanoseconds d) override;
  StreamEnd end() const override { return end_; }

 private:
  // Waits for events on the socket; false (and end_ set) when stopped or failed.
  bool wait(short events);
  void fail_from_errno();

  int fd_;
  const StopSignal& stop_;
  StreamEnd end_ = StreamEnd::Open;
};

}  // namespace vandok::sim
