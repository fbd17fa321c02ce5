#include "framework/message_box.h"

#include <string>

namespace fw {

void ShowMessage(HWND owner, const wchar_t* text) { ::MessageBoxW(owner, text, kMessageCaption, kMessageFlags); }

void ShowMessage(HWND owner, const char* text) {
  const int length = ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide.data(), length);
  ShowMessage(owner, wide.c_str());
}

void ShowUnownedMessage(const char* text) { ::MessageBoxA(nullptr, text, kMessageCaptionA, kMessageFlags); }

}  // namespace fw
