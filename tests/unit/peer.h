// A connected socket pair for exercising the transfer code without a network:
// one end for the code under test, the other played by the test.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "link/net.h"
#include "pages/common/message_text.h"
#include "pages/common/transfer_port.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_transfer.h"

namespace vandok::testing {

struct SocketPair {
  net::Socket host = net::kInvalidSocket;
  net::Socket peer = net::kInvalidSocket;
  SocketPair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
      host = fds[0];
      peer = fds[1];
    }
  }
  ~SocketPair() {
    net::close(host);
    net::close(peer);
  }
  void close_peer() {
    net::close(peer);
    peer = net::kInvalidSocket;
  }
};

// Reads everything the host sends until it closes its end.
inline std::vector<std::uint8_t> drain(net::Socket s) {
  std::vector<std::uint8_t> out;
  std::uint8_t buf[65536];
  for (;;) {
    const long n = net::recv_some(s, buf, sizeof buf);
    if (n <= 0) return out;
    out.insert(out.end(), buf, buf + n);
  }
}

// Collects the peer's bytes on a thread while the host sends.
class Collector {
 public:
  explicit Collector(net::Socket s) : thread_([this, s] { bytes_ = drain(s); }) {}
  // Call after the host end is shut down for writing.
  std::vector<std::uint8_t> take() {
    thread_.join();
    return std::move(bytes_);
  }
  ~Collector() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::thread thread_;
};

// What a transfer page sees of a run, in order: boxes and timer stops as
// events, progress positions apart.
class RecordingPort : public TransferPort {
 public:
  std::vector<std::string> events;
  std::vector<std::uint32_t> positions;
  void report_progress(std::uint32_t p) override { positions.push_back(p); }
  void stop_timer() override { events.push_back("stop"); }
  void show_message(Message m) override { events.push_back(message_text(m)); }
};

inline void finish_sending(net::Socket host) { ::shutdown(static_cast<int>(host), SHUT_WR); }

}  // namespace vandok::testing
