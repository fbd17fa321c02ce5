// Ctrl-C and the terminal on POSIX.
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "cli/cancel.h"
#include "pages/common/json.h"
#include "cli/progress.h"

namespace vandok::cli {

namespace {

CancelState* g_state = nullptr;
std::atomic<long long> g_first_ms{0};

long long monotonic_ms() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void on_signal(int signal_number) {
  if (g_state == nullptr) return;
  const long long now = monotonic_ms();
  if (!g_state->requested.load()) {
    g_first_ms.store(now);
    g_state->request(signal_number);
    return;
  }
  if (now - g_first_ms.load() < kRepeatedRequestMs) return;
  // Asked again later: the user insists, so end now the default way.
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

void install_cancel_handler(CancelState& state) {
  g_state = &state;
  struct sigaction action {};
  action.sa_handler = on_signal;
  // Both signals wait while the handler runs, so it never runs twice at once.
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  // No SA_RESTART: a wait in poll returns at once.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

int terminal_columns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

std::vector<std::string> program_arguments(int argc, char** argv) { return {argv, argv + argc}; }


}  // namespace vandok::cli
