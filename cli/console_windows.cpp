// Ctrl-C and terminal detection on Windows.
#include <windows.h>
#include <io.h>

#include <cstdio>

#include "cli/cancel.h"

namespace vandok::cli {

namespace {

CancelState* g_state = nullptr;

// Runs on a thread of its own that the console starts for each event.
BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_state == nullptr || g_state->requested.load()) return FALSE;  // a second Ctrl-C ends the program
  g_state->request(0);
  return TRUE;
}

}  // namespace

void install_cancel_handler(CancelState& state) {
  g_state = &state;
  ::SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool stdout_is_terminal() { return ::_isatty(::_fileno(stdout)) != 0; }

}  // namespace vandok::cli
