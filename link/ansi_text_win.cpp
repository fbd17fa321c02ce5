#include "link/ansi_text.h"

#include <windows.h>

namespace vandok {

bool to_thread_ansi(const std::wstring& text, char* out, int out_bytes) {
  BOOL usedDefault = FALSE;
  int written = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, out, out_bytes,
                                      nullptr, &usedDefault);
  const DWORD error = written == 0 ? ::GetLastError() : 0;
  if (error == ERROR_INVALID_FLAGS || error == ERROR_INVALID_PARAMETER) {
    // UTF-8 and the like take neither check, and convert every character exactly.
    written = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, out, out_bytes, nullptr, nullptr);
  }
  return written != 0 && !usedDefault;
}

}  // namespace vandok
