// A flat message table: each window class lists, one line per message,
//   {message, id, code, &Class::Handler}
// and routes its messages through Dispatch. Meaning of id and code:
//   WM_COMMAND     id = control or command id, code = notification (BN_CLICKED = 0)
//   WM_NOTIFY      id = NMHDR::idFrom,         code = NMHDR::code
//   WM_TIMER       id = timer id (0: any timer)
//   WM_SYSCOMMAND  id = command with its low four bits cleared (0: any command)
//   anything else  id and code are 0 and unused
// A handler returns true when it handled the message; false lets the next
// matching line, and then the default handling, have it.
#pragma once

#include <windows.h>

#include <cstddef>

namespace fw {

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;  // what the window procedure returns for a handled message
};

template <class T>
struct MessageEntry {
  UINT message;
  UINT id;
  UINT code;
  bool (T::*handler)(Message&);
};

inline bool Matches(UINT message, UINT id, UINT code, const Message& m) {
  if (m.message != message) return false;
  switch (message) {
    case WM_COMMAND:
      return LOWORD(m.wParam) == id && HIWORD(m.wParam) == code;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(m.lParam);
      return header != nullptr && header->idFrom == id && header->code == code;
    }
    case WM_TIMER:
      return id == 0 || m.wParam == id;
    case WM_SYSCOMMAND:
      return id == 0 || (m.wParam & 0xFFF0) == id;
    default:
      return true;
  }
}

template <class T, std::size_t N>
bool Dispatch(T& window, const MessageEntry<T> (&table)[N], Message& m) {
  for (const MessageEntry<T>& entry : table) {
    if (Matches(entry.message, entry.id, entry.code, m) && (window.*entry.handler)(m)) return true;
  }
  return false;
}

}  // namespace fw
