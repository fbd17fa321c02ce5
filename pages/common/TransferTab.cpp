#include "pages/common/TransferTab.h"

#include "pages/common/ElapsedTimeDisplay.h"
#include "pages/common/app_messages.h"

const fw::MessageEntry<CTransferTab> CTransferTab::kMessages[] = {
    {WM_TIMER, 0, 0, &CTransferTab::OnTimer},
    {WM_APP_PROGRESS, 0, 0, &CTransferTab::OnProgress},
    {WM_APP_STOP_TIMER, 0, 0, &CTransferTab::OnStopTimer},
    {WM_APP_RUN_ENDED, 0, 0, &CTransferTab::OnRunEnded},
};

bool CTransferTab::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m); }

void CTransferTab::BindTransferControls(fw::DataExchange& dx, int progressId, int elapsedId, int totalId) {
  dx.Control(progressId, m_progress);
  dx.Control(elapsedId, m_elapsedText);
  dx.Control(totalId, m_totalText);
}

bool CTransferTab::OnTimer(fw::Message& m) {
  if (m.wParam == m_run.TimerId()) ShowElapsedTick(m_run.StartTime(), m_progress, m_elapsedText, m_totalText);
  return false;  // every tick then gets the default handling
}

bool CTransferTab::OnProgress(fw::Message&) {
  m_run.OnProgress(m_progress);
  return true;
}

bool CTransferTab::OnStopTimer(fw::Message&) {
  m_run.OnStopTimer();
  return true;
}

bool CTransferTab::OnRunEnded(fw::Message&) {
  m_run.OnRunEnded();
  return true;
}
