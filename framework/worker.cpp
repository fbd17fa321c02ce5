#include "framework/worker.h"

#include <process.h>

namespace fw {

namespace {

BOOL CALLBACK CloseMessageBox(HWND window, LPARAM) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (::lstrcmpW(className, L"#32770") == 0) ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

}  // namespace

HANDLE StartWorker(WorkerProc proc, void* argument) {
  const uintptr_t thread = ::_beginthreadex(nullptr, 0, proc, argument, 0, nullptr);
  return reinterpret_cast<HANDLE>(thread);
}

void WaitForWorker(HANDLE thread) {
  if (thread == nullptr) return;
  const DWORD threadId = ::GetThreadId(thread);
  bool quit = false;
  int quitCode = 0;
  for (;;) {
    ::EnumThreadWindows(threadId, CloseMessageBox, 0);
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = static_cast<int>(msg.wParam);
        continue;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (quit) ::PostQuitMessage(quitCode);
}

}  // namespace fw
