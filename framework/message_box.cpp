#include "framework/message_box.h"

#include <string>

#include "framework/app.h"

namespace fw {

namespace {

const char* Caption() {
  const CWinApp* app = CWinApp::Current();
  return app != nullptr ? app->MessageCaption() : "";
}

// The caption is plain ASCII.
std::wstring WideCaption() {
  const std::string caption = Caption();
  return std::wstring(caption.begin(), caption.end());
}

}  // namespace

void ShowMessage(HWND owner, const wchar_t* text) {
  ::MessageBoxW(owner, text, WideCaption().c_str(), kMessageFlags);
}

void ShowMessage(HWND owner, const char* text) {
  const int length = ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide.data(), length);
  ShowMessage(owner, wide.c_str());
}

void ShowUnownedMessage(const char* text) { ::MessageBoxA(nullptr, text, Caption(), kMessageFlags); }

}  // namespace fw
