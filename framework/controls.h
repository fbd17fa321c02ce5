// Thin wrappers over a window handle and the standard controls the windows use.
// They own nothing: the dialog's data exchange binds them to control ids.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace fw {

class CWnd {
 public:
  HWND m_hWnd = nullptr;

  HWND GetSafeHwnd() const { return m_hWnd; }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }

  std::wstring GetText() const;
  void SetText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
  void Enable(bool enable) const { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
  bool IsEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
  void Show(bool show) const { ::ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE); }
  // Moves the top-left corner (parent's client coordinates); size and z-order stay.
  void MoveTo(int x, int y) const {
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Window timer without a procedure: each tick arrives as WM_TIMER with this id.
  bool SetTimer(UINT_PTR id, UINT milliseconds) const { return ::SetTimer(m_hWnd, id, milliseconds, nullptr) != 0; }
  void KillTimer(UINT_PTR id) const { ::KillTimer(m_hWnd, id); }
};

class CEdit : public CWnd {
 public:
  void LimitText(int chars) const { Send(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
};

class CButton : public CWnd {};

class CStatic : public CWnd {};

class CTabCtrl : public CWnd {
 public:
  int InsertItem(int index, const wchar_t* text) const;
  int GetCurSel() const { return static_cast<int>(Send(TCM_GETCURSEL)); }
  int SetCurSel(int index) const { return static_cast<int>(Send(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
  bool GetItemRect(int index, RECT& rect) const {
    return Send(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) != FALSE;
  }
};

class CProgressCtrl : public CWnd {
 public:
  void SetRange32(int lower, int upper) const { Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange(int& lower, int& upper) const;
  int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
  void SetPos(int position) const { Send(PBM_SETPOS, static_cast<WPARAM>(position)); }
};

class CListCtrl : public CWnd {
 public:
  // Each returns -1 when the list refuses.
  int InsertColumn(int index, const wchar_t* title, int width, int subItem) const;
  int InsertItem(int index, const wchar_t* text) const;
  int SetItemText(int item, int subItem, const wchar_t* text) const;
};

}  // namespace fw
