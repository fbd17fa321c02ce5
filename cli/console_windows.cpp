// Ctrl-C and terminal detection on Windows.
#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include <cstdio>

#include "cli/cancel.h"
#include "link/ansi_text.h"

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

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::vector<char> text(static_cast<size_t>(::lstrlenW(wide[i])) * 4 + 1);
    const bool exact = vandok::to_thread_ansi(wide[i], text.data(), static_cast<int>(text.size()));
    out.push_back(exact ? std::string(text.data()) : std::string("?"));
  }
  ::LocalFree(wide);
  return out;
}

}  // namespace vandok::cli
