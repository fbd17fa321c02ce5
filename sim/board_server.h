// Listens on the board's TCP port and serves one host connection at a time,
// keeping the board state across connections.
#pragma once

#include <cstdint>
#include <string>

#include "sim/board_session.h"
#include "sim/command_log.h"
#include "sim/options.h"
#include "sim/stop_signal.h"

namespace vandok::sim {

class BoardServer {
 public:
  BoardServer(const Options& options, CommandLog& log, const StopSignal& stop);
  ~BoardServer();
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  // Binds and listens; on failure error says why.
  bool listen(std::string& error);
  // The bound port, valid after listen().
  std::uint16_t port() const { return port_; }

  // Serves until stop is requested or options.max_connections were served.
  void serve();

  // For inspection once serve() has returned.
  const BoardState& state() const { return state_; }

 private:
  void serve_connection(int fd);

  Options options_;
  CommandLog& log_;
  const StopSignal& stop_;
  BoardState state_;
  int listen_fd_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace vandok::sim
