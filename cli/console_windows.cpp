// Ctrl-C and the terminal on Windows.
#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include <atomic>
#include <cstdio>

#include "cli/cancel.h"
#include "pages/common/json.h"
#include "cli/progress.h"
#include "link/ansi_text.h"

namespace vandok::cli {

namespace {

CancelState* g_state = nullptr;
std::atomic<ULONGLONG> g_first_ms{0};

// Runs on a thread of its own that the console starts for each event.
BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_state == nullptr) return FALSE;
  const ULONGLONG now = ::GetTickCount64();
  if (!g_state->requested.exchange(true)) {
    g_first_ms.store(now);
    g_state->request(0);
    return TRUE;
  }
  // The same request again within the second; later, the user insists and
  // the default handler ends the program.
  return now - g_first_ms.load() < kRepeatedRequestMs ? TRUE : FALSE;
}

}  // namespace

void install_cancel_handler(CancelState& state) {
  g_state = &state;
  state.close_on_request = true;
  ::SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool stderr_is_terminal() { return ::_isatty(::_fileno(stderr)) != 0; }

int terminal_columns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info))
    return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

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
