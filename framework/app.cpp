#include "framework/app.h"

namespace fw {

CWinApp* CWinApp::s_current = nullptr;

CWinApp::CWinApp(const char* messageCaption) : m_messageCaption(messageCaption) { s_current = this; }

CWinApp::~CWinApp() {
  if (s_current == this) s_current = nullptr;
}

int CWinApp::Run(HINSTANCE instance) {
  m_hInstance = instance;
  return InitInstance();
}

HICON CWinApp::LoadIcon(UINT id) const {
  return static_cast<HICON>(::LoadImageW(m_hInstance, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

}  // namespace fw
