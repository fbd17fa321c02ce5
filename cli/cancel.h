// Ctrl-C: the run in progress stops at once, also inside a wait for the board.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "link/net.h"

namespace vandok::cli {

// Shared between the run and the Ctrl-C handler (a signal handler on POSIX, a
// console handler thread on Windows): only lock-free atomics and a socket
// shutdown are touched from there.
struct CancelState {
  std::atomic<bool> requested{false};
  std::atomic<int> signal{0};                        // what asked; 0 for Ctrl-C on Windows
  std::atomic<net::Socket> socket{net::kInvalidSocket};  // the board socket in use, if any

  // Marks the run cancelled and shuts the board socket down, which ends a
  // blocked send, receive or readiness wait straight away.
  void request(int signal_number) {
    signal.store(signal_number);
    requested.store(true);
    const net::Socket s = socket.load();
    if (s != net::kInvalidSocket) net::shutdown_both(s);
  }
};

// Routes Ctrl-C (and on POSIX SIGTERM) to state.request. A second Ctrl-C ends
// the program the ordinary way.
void install_cancel_handler(CancelState& state);

// True when standard output is a terminal: the progress bar is drawn only then.
bool stdout_is_terminal();

// The program's arguments as the board logic reads them. On Windows they are
// taken from the wide command line, and one that does not convert exactly to
// the ANSI code page becomes "?", which no field or file name accepts.
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace vandok::cli
