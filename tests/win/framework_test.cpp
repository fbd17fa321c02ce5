// Checks of the dialog framework that only Windows (or Wine) can run: the
// message table's routing, and the user-interface thread's wait for a worker
// at shutdown, which must neither deadlock nor hang on the worker's boxes.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "framework/message_box.h"
#include "framework/message_table.h"
#include "framework/worker.h"

namespace {

int g_failed = 0;
int g_passed = 0;

void check(bool ok, const char* what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED: %s\n", what);
  }
}

struct Window {
  int command = 0, notify = 0, timer = 0, about = 0, other = 0;
  bool declined = false;
  bool OnCommand(fw::Message&) { return ++command, true; }
  bool OnNotify(fw::Message& m) { return ++notify, m.result = 7, true; }
  bool OnTimer(fw::Message&) { return ++timer, true; }
  bool OnAbout(fw::Message&) { return ++about, true; }
  bool OnDecline(fw::Message&) { return declined = true, false; }
  bool OnPaint(fw::Message&) { return ++other, true; }
};

const fw::MessageEntry<Window> kTable[] = {
    {WM_COMMAND, 1016, BN_CLICKED, &Window::OnCommand},
    {WM_NOTIFY, 1000, TCN_SELCHANGE, &Window::OnNotify},
    {WM_TIMER, 102, 0, &Window::OnTimer},
    {WM_SYSCOMMAND, 0x0010, 0, &Window::OnAbout},
    {WM_TIMER, 0, 0, &Window::OnDecline},
    {WM_PAINT, 0, 0, &Window::OnPaint},
};

bool route(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
  fw::Message m{message, wParam, lParam};
  const bool handled = fw::Dispatch(w, kTable, m);
  if (result) *result = m.result;
  return handled;
}

void test_routing() {
  Window w;
  check(route(w, WM_COMMAND, MAKEWPARAM(1016, BN_CLICKED), 0) && w.command == 1, "click of 1016 routed");
  check(!route(w, WM_COMMAND, MAKEWPARAM(1016, BN_SETFOCUS), 0), "other notification of 1016 not routed");
  check(!route(w, WM_COMMAND, MAKEWPARAM(1013, BN_CLICKED), 0) && w.command == 1, "click of another id not routed");

  NMHDR header{nullptr, 1000, TCN_SELCHANGE};
  LRESULT result = 0;
  check(route(w, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&header), &result) && w.notify == 1 && result == 7,
        "TCN_SELCHANGE of 1000 routed with its result");
  header.code = TCN_SELCHANGING;
  check(!route(w, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&header)), "TCN_SELCHANGING not routed");

  check(route(w, WM_TIMER, 102, 0) && w.timer == 1 && !w.declined, "timer 102 routed to its line");
  check(!route(w, WM_TIMER, 101, 0) && w.declined && w.timer == 1, "other timer: declined, left to the default");

  check(route(w, WM_SYSCOMMAND, 0x0013, 0) && w.about == 1, "system command compared without its low four bits");
  check(!route(w, WM_SYSCOMMAND, SC_CLOSE, 0), "SC_CLOSE left to the default");
  check(route(w, WM_PAINT, 0, 0) && w.other == 1, "plain message routed by message alone");
  check(!route(w, WM_SIZE, 0, 0), "message without a line not handled");
}

// --- the wait at shutdown ---

HWND g_window = nullptr;
int g_sentHandled = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) return ++g_sentHandled, 42;
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

unsigned __stdcall SendingWorker(void*) {
  ::Sleep(100);
  // Blocks until the waiting thread dispatches it.
  return ::SendMessageW(g_window, WM_APP, 0, 0) == 42 ? 0 : 1;
}

unsigned __stdcall BoxWorker(void*) {
  fw::ShowUnownedMessage("framework test: this box is closed by the wait");
  return 0;
}

void test_wait() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VandokFrameworkTest";
  ::RegisterClassW(&wc);
  g_window = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  check(g_window != nullptr, "test window created");

  HANDLE sender = fw::StartWorker(SendingWorker, nullptr);
  check(sender != nullptr, "worker started");
  const DWORD t0 = ::GetTickCount();
  fw::WaitForWorker(sender);
  DWORD code = 99;
  ::GetExitCodeThread(sender, &code);
  ::CloseHandle(sender);
  check(code == 0 && g_sentHandled == 1, "a worker blocked in SendMessage to the waiting thread gets its answer");
  check(::GetTickCount() - t0 < 5000, "...and the wait ends soon");

  HANDLE boxer = fw::StartWorker(BoxWorker, nullptr);
  const DWORD t1 = ::GetTickCount();
  fw::WaitForWorker(boxer);
  ::CloseHandle(boxer);
  check(::GetTickCount() - t1 < 10000, "a worker's open message box is closed by the wait");
  ::DestroyWindow(g_window);
}

}  // namespace

int main() {
  test_routing();
  test_wait();
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
