#include "app/FieldText.h"

#include <algorithm>
#include <cstring>

bool ToThreadAnsi(const std::wstring& text, char* out, int out_bytes) {
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

void ReadFieldText(const fw::CWnd& edit, char (&Temp)[vandok::kFieldTextBytes]) {
  const std::wstring text = edit.GetText();
  const int limit = static_cast<int>(std::min<size_t>(text.size() + 1, sizeof Temp));
  if (!ToThreadAnsi(text, Temp, limit)) std::strcpy(Temp, "?");
}
