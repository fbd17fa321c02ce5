// The main dialog: "Discovery" and the status box, the logo pictures, and the
// tab control with the three pages. It owns the board socket.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <mutex>
#include <string>

#include "app/BoardDiscovery.h"
#include "framework/dialog.h"
#include "link/net.h"
#include "pages/ddr/DDRRWTab.h"
#include "pages/flash/EPSQTab.h"
#include "pages/register/LedTab.h"
#include "resources/resource.h"

class CVandokTestSystemDlg : public fw::CDialogEx {
 public:
  enum { IDD = IDD_VANDOKTESTSYSTEM_DIALOG };
  CVandokTestSystemDlg();
  ~CVandokTestSystemDlg() override;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnSysCommandAbout(fw::Message& m);
  bool OnPaint(fw::Message& m);
  bool OnQueryDragIcon(fw::Message& m);
  bool OnTabSelChange(fw::Message& m);
  bool OnDiscovery(fw::Message& m);
  bool OnShowMessage(fw::Message& m);
  bool OnSetStatus(fw::Message& m);
  bool OnEnableTabs(fw::Message& m);
  bool OnDiscoveryEnded(fw::Message& m);
  bool OnCommandsBusy(fw::Message& m);

  void PlacePage(const fw::CDialogEx& page);
  void LoadLogos();
  void ReleaseLogos();
  int FillMemoryMap();
  // Window closing: stops discovery and transfers and waits for their threads.
  void StopWorkers();
  static unsigned __stdcall DiscoveryThread(void* argument);

  HICON m_hIcon;
  HICON m_hSmallIcon;
  IPicture* m_pictures[5] = {};  // pelto, vandok, tarvex, brisal, vandok_log; nullptr: not loaded
  fw::CTabCtrl m_tab;
  RECT m_rectTabItem = {};  // tab item 0, read again before every page placement
  CLedTab m_ledTab;
  CDDRRWTab m_ddrTab;
  CEPSQTab m_epsqTab;
  bool m_pagesCreated = false;

  // The board socket. Written by the UI thread, or by the discovery worker
  // under m_socketLock while the pages are disabled; read by the pages and
  // the transfer workers through their socket references.
  vandok::net::Socket m_socket = vandok::net::kInvalidSocket;
  std::mutex m_socketLock;

  std::wstring m_strStatus;  // the status box's text, at most 50 characters
  int m_nPrivate = 0;        // private-adapter flag; the discovery worker's while it runs
  fw::CEdit m_statusBox;

  HANDLE m_discoveryThread = nullptr;    // UI thread only
  std::atomic<bool> m_closing{false};    // UI thread writes; workers read
  bool m_tabsEnabledBeforeDiscovery = false;

  static const fw::MessageEntry<CVandokTestSystemDlg> kMessages[];
};
