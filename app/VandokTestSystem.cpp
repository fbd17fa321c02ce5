#include "app/VandokTestSystem.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/VandokTestSystemDlg.h"
#include "link/dll_search.h"
#include "link/net.h"

namespace {
CVandokTestSystemApp theApp;
}  // namespace

int CVandokTestSystemApp::InitInstance() {
  CVandokTestSystemDlg dlg;

  INITCOMMONCONTROLSEX InitCtrls;
  InitCtrls.dwSize = sizeof InitCtrls;  // 8
  InitCtrls.dwICC = 0xFF;
  ::InitCommonControlsEx(&InitCtrls);

  // The picture loader and the open-file dialog need COM on this thread.
  const HRESULT ole = ::OleInitialize(nullptr);

  if (!vandok::net::startup()) {
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return 0;
  }
  dlg.DoModal();
  vandok::net::cleanup();
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  vandok::restrict_dll_search_to_system32();
  return theApp.Run(instance);
}
