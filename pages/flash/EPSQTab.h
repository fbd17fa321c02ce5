// "EPSQ Reconfig" page: streams a flash image (.rpd) to the board on a worker
// thread; also shows the board information and the memory-map list.
#pragma once

#include <string>

#include "app/TransferRun.h"
#include "framework/dialog.h"
#include "link/command.h"
#include "link/net.h"
#include "pages/flash/flash_transfer.h"
#include "resources/resource.h"

class CEPSQTab : public fw::CDialogEx {
 public:
  enum { IDD = IDD_EPSQTAB };
  static constexpr UINT_PTR kTimerId = 101;

  CEPSQTab() : CDialogEx(IDD) {}
  ~CEPSQTab() override = default;

  fw::CListCtrl m_memoryMap;  // 1026, filled by the main dialog
  // Socket reference: the main dialog's board socket member.
  const vandok::net::Socket* m_pSocket = nullptr;

  void EnableCommands(bool enable) const;
  void CancelRun() { m_run.Cancel(); }
  void WaitForRun() { m_run.WaitUntilEnded(); }
  bool Running() const { return m_run.Running(); }

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnBrowse(fw::Message& m);
  bool OnReconfig(fw::Message& m);
  bool OnTimer(fw::Message& m);
  bool OnProgress(fw::Message& m);
  bool OnStopTimer(fw::Message& m);
  bool OnRunEnded(fw::Message& m);
  static unsigned __stdcall FlashTransferThread(void* argument);

  fw::CProgressCtrl m_progress;  // 1006
  std::wstring m_imagePath;      // last path confirmed with "Browse..."; UI thread only
  fw::CStatic m_timeText;        // 1007
  fw::CStatic m_totalText;       // 1008
  // Opened by OnReconfig; from the worker's start on, the worker's (it closes the file).
  vandok::ImageFile m_image;
  TransferRun m_run{kTimerId};

  static const fw::MessageEntry<CEPSQTab> kMessages[];
};
