// The application object: one per process, started from wWinMain.
#pragma once

#include <windows.h>

namespace fw {

class CWinApp {
 public:
  // caption: the title of the program's message boxes.
  explicit CWinApp(const char* messageCaption);
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  static CWinApp* Current() { return s_current; }
  // Runs InitInstance; the process ends with its result code.
  int Run(HINSTANCE instance);

  HINSTANCE m_hInstance = nullptr;
  HICON LoadIcon(UINT id) const;
  const char* MessageCaption() const { return m_messageCaption; }

 protected:
  // Everything the program does; a dialog-based program runs its dialog here.
  virtual int InitInstance() = 0;

 private:
  static CWinApp* s_current;
  const char* m_messageCaption;
};

}  // namespace fw
