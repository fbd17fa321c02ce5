// The connection to the board: straight to --board, or found by discovery.
#pragma once

#include <cstdint>
#include <string>

#include "cli/cancel.h"
#include "cli/options.h"
#include "link/message.h"
#include "link/net.h"

namespace vandok::cli {

struct BoardOutcome {
  enum Kind { Connected, NotFound, Cancelled } kind = NotFound;
  Message message = Message::None;  // the system's message when not connected
  std::string hint;                 // the companion's second line: why, and what to do
};

// A connected board socket, registered with the cancel state while it lives.
class BoardConnection {
 public:
  explicit BoardConnection(CancelState& cancel) : cancel_(cancel) {}
  ~BoardConnection();
  BoardConnection(const BoardConnection&) = delete;
  BoardConnection& operator=(const BoardConnection&) = delete;

  // board empty: discovery over the PC's adapters, in the window's order of
  // tries, each on a fresh socket. Otherwise one connection to board.
  // Verbose: each address tried, and what came back, on standard error;
  // Quiet: not even the board found.
  BoardOutcome open(const std::string& board, std::uint16_t port, Verbosity verbosity = Verbosity::Normal);

  const net::Socket& socket() const { return socket_; }
  const std::string& address() const { return address_; }

  // Closes the current socket and opens a fresh, unconnected one.
  bool replace();
  net::ConnectResult connect(std::uint32_t address, std::uint16_t port);

 private:
  void close();

  CancelState& cancel_;
  net::Socket socket_ = net::kInvalidSocket;
  std::string address_;
};

}  // namespace vandok::cli
