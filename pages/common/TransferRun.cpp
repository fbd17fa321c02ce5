#include "pages/common/TransferRun.h"

#include "pages/common/app_messages.h"
#include "framework/message_box.h"
#include "pages/common/message_text.h"

TransferRun::~TransferRun() {
  if (m_thread != nullptr) ::CloseHandle(m_thread);
}

void TransferRun::Prepare(HWND page) {
  m_page = page;
  m_cancel.store(false);
  SetBusy(true);
}

bool TransferRun::StartWorker(fw::WorkerProc proc, void* argument) {
  m_thread = fw::StartWorker(proc, argument);
  if (m_thread == nullptr) {
    SetBusy(false);
    return false;
  }
  return true;
}

void TransferRun::StartTimer() {
  ::SetTimer(m_page, m_timerId, 1000, nullptr);
  m_startTime = ::_time64(nullptr);
}

void TransferRun::OnProgress(const fw::CProgressCtrl& progress) {
  // Cleared before reading, so a report that lands meanwhile posts again.
  m_progressPending.store(false);
  progress.SetPos(static_cast<int>(m_position.load()));
}

void TransferRun::OnStopTimer() const { ::KillTimer(m_page, m_timerId); }

void TransferRun::OnRunEnded() {
  // Posted as the worker's last act: the timer goes for good, even if its
  // start came after the worker had already finished.
  ::KillTimer(m_page, m_timerId);
  if (m_thread != nullptr) {
    ::WaitForSingleObject(m_thread, INFINITE);
    ::CloseHandle(m_thread);
    m_thread = nullptr;
    SetBusy(false);
  }
}

void TransferRun::WaitUntilEnded() {
  HANDLE thread = m_thread;
  m_thread = nullptr;  // the run-ended message, if dispatched meanwhile, finds nothing to do
  if (thread == nullptr) return;
  fw::WaitForWorker(thread);
  ::CloseHandle(thread);
  ::KillTimer(m_page, m_timerId);
}

void TransferRun::ReportProgress(std::uint32_t position) {
  // Only the latest position matters: one message in flight at a time keeps
  // a fast transfer from flooding the page's queue.
  m_position.store(position);
  if (!m_progressPending.exchange(true)) ::PostMessageW(m_page, WM_APP_PROGRESS, 0, 0);
}

void TransferRun::PostStopTimer() const { ::PostMessageW(m_page, WM_APP_STOP_TIMER, 0, 0); }

void TransferRun::PostRunEnded() const { ::PostMessageW(m_page, WM_APP_RUN_ENDED, 0, 0); }

void TransferRun::ShowMessage(vandok::Message message) const {
  if (!m_cancel.load()) fw::ShowUnownedMessage(vandok::message_text(message));
}

void TransferRun::SetBusy(bool busy) const {
  ::SendMessageW(::GetAncestor(m_page, GA_ROOT), WM_APP_COMMANDS_BUSY, busy ? TRUE : FALSE, 0);
}
