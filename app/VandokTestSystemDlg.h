// The main dialog: "Discovery" and the status box, the logo pictures, and the
// tab control with the three pages. It owns the board socket.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <array>
#include <atomic>
#include <string>

#include "app/BoardDiscovery.h"
#include "framework/dialog.h"
#include "pages/common/board_link.h"
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
  // Window closing: stops discovery and transfers and waits for their threads.
  void StopWorkers();
  static unsigned __stdcall DiscoveryThread(void* argument);

  HICON m_hIcon;
  HICON m_hSmallIcon;
  IPicture* m_pictures[5] = {};  // pelto, vandok, tarvex, brisal, vandok_log; nullptr: not loaded
  fw::CTabCtrl m_tab;
  RECT m_rectTabItem = {};  // tab item 0, read again before every page placement

  // The board link. Its socket is replaced by the discovery worker while the
  // pages are disabled; the pages and their workers read it at every use.
  vandok::BoardLink m_link;
  CLedTab m_ledTab{m_link};
  CDDRRWTab m_ddrTab{m_link};
  CEPSQTab m_epsqTab{m_link};
  // The pages in the order of the tab items.
  const std::array<CTabPage*, 3> m_pages{&m_epsqTab, &m_ddrTab, &m_ledTab};
  bool m_pagesCreated = false;

  std::wstring m_strStatus;  // the status box's text, at most 50 characters
  int m_nPrivate = 0;        // private-adapter flag; the discovery worker's while it runs
  fw::CEdit m_statusBox;

  HANDLE m_discoveryThread = nullptr;    // UI thread only
  std::atomic<bool> m_closing{false};    // UI thread writes; workers read
  bool m_tabsEnabledBeforeDiscovery = false;
  bool m_commandsBusy = false;           // a page's command runs; UI thread only

  static const fw::MessageEntry<CVandokTestSystemDlg> kMessages[];
};
