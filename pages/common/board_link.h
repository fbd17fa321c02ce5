// The one connection to the board. The main dialog owns it and gives it to
// each page at creation; discovery replaces its socket, the pages and their
// workers read the handle at every use, so all see a replacement at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "link/net.h"

namespace vandok {

class BoardLink {
 public:
  BoardLink() = default;
  BoardLink(const BoardLink&) = delete;
  BoardLink& operator=(const BoardLink&) = delete;
  ~BoardLink() { close(); }

  // The socket reference: read at every use, never copied for later.
  const net::Socket& socket() const { return socket_; }

  // An unconnected socket in place of whatever was there; false when none
  // could be opened. Refused (returns false) once closing is set, so that no
  // socket is opened while the window winds down.
  bool replace(const std::atomic<bool>& closing);
  // Window closing: shut down and close the socket, which ends a connect,
  // send, recv or select blocked on it (under Wine a shutdown alone does not).
  // The handle is left as it was, and is never reused: nothing opens a new
  // socket once closing has begun.
  void shut_down();
  // The end: closes the socket for good.
  void close();

  // The board found by the last discovery (host byte order), 0 when none: what
  // the run history says each command reached.
  std::uint32_t board_address() const { return board_address_.load(); }
  void set_board_address(std::uint32_t address) { board_address_.store(address); }

 private:
  net::Socket socket_ = net::kInvalidSocket;  // written under lock_ off the UI thread
  bool shut_ = false;                         // closed by shut_down; under lock_
  std::atomic<std::uint32_t> board_address_{0};
  std::mutex lock_;
};

}  // namespace vandok
