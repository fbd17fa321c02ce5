// Dialog windows built from templates. One static dialog procedure serves
// every dialog: `this` travels in the creation parameter and is kept in the
// window (DWLP_USER); messages then go to the object's message table and to
// a few virtual handlers. Modal dialogs and modeless child pages share it.
#pragma once

#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/message_table.h"

namespace fw {

// Binds control objects to ids, and moves field texts in or out.
class DataExchange {
 public:
  DataExchange(HWND dialog, bool saveAndValidate) : m_dialog(dialog), m_save(saveAndValidate) {}
  bool Saving() const { return m_save; }
  void Control(int id, CWnd& control) const { control.m_hWnd = ::GetDlgItem(m_dialog, id); }
  // Field text limited to maxChars characters.
  void Text(int id, std::wstring& text, int maxChars) const;

 private:
  HWND m_dialog;
  bool m_save;
};

class CDialogEx : public CWnd {
 public:
  explicit CDialogEx(UINT templateId) : m_templateId(templateId) {}
  CDialogEx(const CDialogEx&) = delete;
  CDialogEx& operator=(const CDialogEx&) = delete;
  virtual ~CDialogEx();

  // Runs the dialog modally; returns the EndDialog result, or -1.
  INT_PTR DoModal(HWND parent = nullptr);
  // Creates the dialog modeless as a child page of parent; false on failure.
  bool Create(HWND parent);

  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void EndDialog(INT_PTR result) const { ::EndDialog(m_hWnd, result); }
  // Runs the data exchange: true moves control texts into members.
  void UpdateData(bool saveAndValidate);

 protected:
  virtual void DoDataExchange(DataExchange&) {}
  // After the data exchange; TRUE lets the dialog manager set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // IDOK / IDCANCEL: a modal dialog ends, a page ignores them.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void OnDestroy() {}
  // The class's message table; see message_table.h.
  virtual bool OnMessage(Message&) { return false; }

  // Lets the dialog manager paint (background, validation) before a handler draws on top.
  void DefaultPaint() const;
  // Message box owned by this window (caption, flags: framework/message_box.h).
  void ShowMessage(const char* text) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  bool m_modal = false;
};

}  // namespace fw
