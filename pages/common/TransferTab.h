// The base of the two transfer pages ("DDR RW", "EPSQ Reconfig"): the run and
// its worker, the progress bar, the two time texts, the one-second timer and
// the handlers of the worker's messages.
#pragma once

#include "framework/controls.h"
#include "pages/common/TabPage.h"
#include "pages/common/TransferRun.h"
#include "pages/common/transfer_port.h"

class CTransferTab : public CTabPage {
 public:
  CTransferTab(UINT templateId, UINT_PTR timerId, vandok::BoardLink& link)
      : CTabPage(templateId, link), m_run(timerId) {}

  void CancelRun() override { m_run.Cancel(); }
  void WaitForRun() override { m_run.WaitUntilEnded(); }
  bool Running() const override { return m_run.Running(); }

 protected:
  // The page's message table first, then this one.
  bool OnMessage(fw::Message& m) override;
  // Binds the progress bar and the elapsed and total time texts.
  void BindTransferControls(fw::DataExchange& dx, int progressId, int elapsedId, int totalId);

  // The worker's view of the page.
  class Port : public vandok::TransferPort {
   public:
    explicit Port(TransferRun& run) : m_run(run) {}
    void report_progress(std::uint32_t position) override { m_run.ReportProgress(position); }
    void stop_timer() override { m_run.PostStopTimer(); }
    void show_message(vandok::Message message) override { m_run.ShowMessage(message); }

   private:
    TransferRun& m_run;
  };

  TransferRun m_run;
  fw::CProgressCtrl m_progress;
  fw::CStatic m_elapsedText;
  fw::CStatic m_totalText;

 private:
  bool OnTimer(fw::Message& m);
  bool OnProgress(fw::Message& m);
  bool OnStopTimer(fw::Message& m);
  bool OnRunEnded(fw::Message& m);

  static const fw::MessageEntry<CTransferTab> kMessages[];
};
