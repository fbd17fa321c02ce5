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

std::string native_to_utf8(const std::string& text) {
  if (text.empty()) return text;
  const int wide_length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide_length <= 0) return text;  // json_string then replaces what is not UTF-8
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), wide_length);
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return text;
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace vandok
