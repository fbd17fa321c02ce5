// Ctrl-C: the run in progress stops at once, also inside a wait for the board.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "link/net.h"

namespace vandok::cli {

// Shared between the run and the Ctrl-C handler (a signal handler on POSIX, a
// console handler thread on Windows): only lock-free atomics and the socket
// calls below are touched from there.
struct CancelState {
  std::atomic<bool> requested{false};
  std::atomic<int> signal{0};                        // what asked; 0 for Ctrl-C on Windows
  std::atomic<net::Socket> socket{net::kInvalidSocket};  // the board socket in use, if any
  // Windows: a shutdown does not always wake a blocked wait (under Wine it
  // does not), so the handler takes the socket and closes it; its owner then
  // finds it gone and does not close it again.
  bool close_on_request = false;

  // Marks the run cancelled and shuts the board socket down, which ends a
  // blocked send, receive or readiness wait straight away.
  void request(int signal_number) {
    signal.store(signal_number);
    requested.store(true);
    if (close_on_request) {
      const net::Socket s = socket.exchange(net::kInvalidSocket);
      net::shutdown_both(s);
      net::close(s);
      return;
    }
    const net::Socket s = socket.load();
    if (s != net::kInvalidSocket) net::shutdown_both(s);
  }
};

// A repeat of the request within this time is the same request (GNU timeout
// signals the program, then its process group), so the report is still written.
inline constexpr int kRepeatedRequestMs = 1000;

// Routes Ctrl-C (and on POSIX SIGTERM) to state.request. A repeat within
// kRepeatedRequestMs is ignored; one after it ends the program the ordinary way.
void install_cancel_handler(CancelState& state);

// True when standard error is a terminal: the progress line is drawn there.
bool stderr_is_terminal();

// The program's arguments as the board logic reads them. On Windows they are
// taken from the wide command line, and one that does not convert exactly to
// the ANSI code page becomes "?", which no field or file name accepts.
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace vandok::cli
