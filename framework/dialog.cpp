#include "framework/dialog.h"

#include "framework/message_box.h"

namespace fw {

namespace {

// Messages whose result a dialog procedure returns itself instead of in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

}  // namespace

void DataExchange::Text(int id, std::wstring& text, int maxChars) const {
  const HWND control = ::GetDlgItem(m_dialog, id);
  if (m_save) {
    CWnd wnd;
    wnd.m_hWnd = control;
    text = wnd.GetText();
    if (text.size() > static_cast<size_t>(maxChars)) text.resize(static_cast<size_t>(maxChars));
  } else {
    ::SendMessageW(control, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    ::SetWindowTextW(control, text.c_str());
  }
}

CDialogEx::~CDialogEx() {
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
    ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
    if (!m_modal) ::DestroyWindow(m_hWnd);
  }
}

INT_PTR CDialogEx::DoModal(HWND parent) {
  m_modal = true;
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialogEx::Create(HWND parent) {
  m_modal = false;
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialogEx::UpdateData(bool saveAndValidate) {
  DataExchange exchange(m_hWnd, saveAndValidate);
  DoDataExchange(exchange);
}

void CDialogEx::OnOK() {
  if (m_modal) EndDialog(IDOK);
}

void CDialogEx::OnCancel() {
  if (m_modal) EndDialog(IDCANCEL);
}

void CDialogEx::DefaultPaint() const {
  PAINTSTRUCT paint;
  ::BeginPaint(m_hWnd, &paint);
  ::EndPaint(m_hWnd, &paint);
}

void CDialogEx::ShowMessage(const char* text) const { fw::ShowMessage(m_hWnd, text); }

INT_PTR CALLBACK CDialogEx::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialogEx*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hWnd = hwnd;
    self->UpdateData(false);
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  return self->Route(message, wParam, lParam);
}

INT_PTR CDialogEx::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  Message m{message, wParam, lParam};
  if (OnMessage(m)) {
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(m.result);
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, m.result);
    return TRUE;
  }
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      break;
    case WM_DESTROY:
      OnDestroy();
      break;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
      m_hWnd = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace fw
