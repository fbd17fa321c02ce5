// "DDR RW" page: writes an incrementing pattern into a DDR range, reads it
// back and compares, on a worker thread.
#pragma once

#include <cstdint>

#include "app/TransferRun.h"
#include "framework/dialog.h"
#include "link/net.h"
#include "pages/ddr/ddr_test.h"
#include "resources/resource.h"

class CDDRRWTab : public fw::CDialogEx {
 public:
  enum { IDD = IDD_DDRRWTAB };
  static constexpr UINT_PTR kTimerId = 102;

  CDDRRWTab() : CDialogEx(IDD) {}
  ~CDDRRWTab() override = default;

  // Socket reference: the main dialog's board socket member.
  const vandok::net::Socket* m_pSocket = nullptr;
  // The pair of the last run: the UI thread replaces them only between runs;
  // the worker reads them during a run; the main dialog frees them at the end.
  std::uint8_t* m_pWriteBuffer = nullptr;
  std::uint8_t* m_pReadBuffer = nullptr;

  void EnableCommands(bool enable) const;
  // Window closing: the run gives up once the socket is closed under it.
  void CancelRun() { m_run.Cancel(); }
  void WaitForRun() { m_run.WaitUntilEnded(); }
  bool Running() const { return m_run.Running(); }

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnMessage(fw::Message& m) override;

 private:
  bool OnIncrementTest(fw::Message& m);
  bool OnTimer(fw::Message& m);
  bool OnProgress(fw::Message& m);
  bool OnStopTimer(fw::Message& m);
  bool OnRunEnded(fw::Message& m);
  void FreeBuffers();
  static unsigned __stdcall DdrTestThread(void* argument);

  fw::CProgressCtrl m_progress;  // 1012
  fw::CStatic m_elapsedText;     // 1014
  fw::CStatic m_totalText;       // 1015
  vandok::DdrRequest m_request;  // UI thread writes before the worker starts; the worker reads
  TransferRun m_run{kTimerId};

  static const fw::MessageEntry<CDDRRWTab> kMessages[];
};
