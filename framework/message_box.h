// The program's message boxes: the application's caption, an OK button,
// no icon, MB_TOPMOST | MB_TASKMODAL.
#pragma once

#include <windows.h>

namespace fw {

inline constexpr UINT kMessageFlags = MB_OK | MB_TOPMOST | MB_TASKMODAL;  // 0x00042000

// A box owned by a window, shown on that window's thread.
void ShowMessage(HWND owner, const wchar_t* text);
void ShowMessage(HWND owner, const char* text);
// 8-bit box without an owner window (workers, and the register send
// failure); returns once the user closed it.
void ShowUnownedMessage(const char* text);

}  // namespace fw
