// Ctrl-C and terminal detection on POSIX.
#include <signal.h>
#include <unistd.h>

#include "cli/cancel.h"

namespace vandok::cli {

namespace {

CancelState* g_state = nullptr;

void on_signal(int signal_number) {
  if (g_state) g_state->request(signal_number);
}

}  // namespace

void install_cancel_handler(CancelState& state) {
  g_state = &state;
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in poll returns at once. SA_RESETHAND: a second
  // signal is not caught and ends the program.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool stdout_is_terminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::vector<std::string> program_arguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace vandok::cli
