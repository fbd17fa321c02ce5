// The base of the two transfer pages ("DDR RW", "EPSQ Reconfig"): the run and
// its worker, the progress bar, the two time texts, the one-second timer and
// the handlers of the worker's messages.
#pragma once

#include <chrono>

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

  // The worker's view of the page. It also times the run for the history:
  // from its start to the first stop of the timer or box, so that the time a
  // box stays open does not count.
  class Port : public vandok::TransferPort {
   public:
    explicit Port(TransferRun& run) : m_run(run), m_start(Clock::now()), m_end(m_start) {}
    void report_progress(std::uint32_t position) override { m_run.ReportProgress(position); }
    void stop_timer() override {
      Ended();
      m_run.PostStopTimer();
    }
    void show_message(vandok::Message message) override {
      Ended();
      m_run.ShowMessage(message);
    }
    double Seconds() const { return std::chrono::duration<double>(m_end - m_start).count(); }

   private:
    using Clock = std::chrono::steady_clock;
    void Ended() {
      if (!m_ended) m_end = Clock::now();
      m_ended = true;
    }
    TransferRun& m_run;
    const Clock::time_point m_start;
    Clock::time_point m_end;
    bool m_ended = false;
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
