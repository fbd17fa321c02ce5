// One bulk transfer of a page ("DDR RW", "EPSQ Reconfig"): its worker thread,
// cancel flag, progress relay and one-second elapsed-time timer. The worker
// reaches the page only through the posted messages of app_messages.h.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <ctime>

#include "framework/controls.h"
#include "framework/worker.h"
#include "link/message.h"

class TransferRun {
 public:
  explicit TransferRun(UINT_PTR timerId) : m_timerId(timerId) {}
  TransferRun(const TransferRun&) = delete;
  TransferRun& operator=(const TransferRun&) = delete;
  ~TransferRun();

  // --- user-interface thread ---
  bool Running() const { return m_thread != nullptr; }
  // Marks the page busy (the main dialog disables every command) and arms a new run.
  void Prepare(HWND page);
  // Starts the worker; on failure the page is marked idle again and false returned.
  bool StartWorker(fw::WorkerProc proc, void* argument);
  // Starts the page's timer and records the start time.
  void StartTimer();
  __time64_t StartTime() const { return m_startTime; }
  UINT_PTR TimerId() const { return m_timerId; }
  // Handlers of the worker's messages.
  void OnProgress(const fw::CProgressCtrl& progress);
  void OnStopTimer() const;
  void OnRunEnded();
  // Window closing: asks the worker to give up (the caller then closes the
  // socket under it) and waits for it while dispatching messages.
  void Cancel() { m_cancel.store(true); }
  void WaitUntilEnded();

  // --- worker thread ---
  const std::atomic<bool>* CancelFlag() const { return &m_cancel; }
  void ReportProgress(std::uint32_t position);
  void PostStopTimer() const;
  void PostRunEnded() const;
  // The worker's box (MessageBoxA, no owner); skipped once the window is closing.
  void ShowMessage(vandok::Message message) const;

 private:
  void SetBusy(bool busy) const;

  const UINT_PTR m_timerId;
  HWND m_page = nullptr;                       // set by the UI thread before the worker starts
  HANDLE m_thread = nullptr;                   // UI thread only
  __time64_t m_startTime = 0;                  // UI thread only
  std::atomic<bool> m_cancel{false};           // UI thread writes, worker reads
  std::atomic<std::uint32_t> m_position{0};    // worker writes, UI thread reads
  std::atomic<bool> m_progressPending{false};  // a WM_APP_PROGRESS is on its way
};
