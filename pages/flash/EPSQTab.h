// "EPSQ Reconfig" page: streams a flash image (.rpd) to the board on a worker
// thread; also shows the board information and the memory-map list.
#pragma once

#include <string>

#include "pages/common/TransferTab.h"
#include "pages/flash/flash_transfer.h"
#include "resources/resource.h"

class CEPSQTab : public CTransferTab {
 public:
  enum { IDD = IDD_EPSQTAB };
  static constexpr UINT_PTR kTimerId = 101;

  explicit CEPSQTab(vandok::BoardLink& link) : CTransferTab(IDD, kTimerId, link) {}
  ~CEPSQTab() override = default;

  void EnableCommands(bool enable) const override;
  // Fills the memory-map list; a failure's box is owned by owner. Returns the
  // fill's code (0: every row added).
  int FillMemoryMap(HWND owner) const;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnBrowse(fw::Message& m);
  bool OnReconfig(fw::Message& m);
  static unsigned __stdcall FlashTransferThread(void* argument);

  fw::CListCtrl m_memoryMap;  // 1026
  std::wstring m_imagePath;   // last path confirmed with "Browse..."; UI thread only
  std::string m_imageName;    // m_imagePath as 8-bit text for the run history; set before the worker starts
  // Opened by OnReconfig; from the worker's start on, the worker's (the run closes it).
  vandok::ImageFile m_image;

  static const fw::MessageEntry<CEPSQTab> kMessages[];
};
