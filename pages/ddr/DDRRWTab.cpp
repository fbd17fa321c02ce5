#include "pages/ddr/DDRRWTab.h"

#include <cstdlib>

#include "app/ElapsedTimeDisplay.h"
#include "app/FieldText.h"
#include "framework/app_messages.h"
#include "pages/flash/flash_transfer.h"

namespace {

// The worker's view of the page.
class DdrPort : public vandok::DdrTestPort {
 public:
  explicit DdrPort(TransferRun& run) : m_run(run) {}
  void report_progress(std::uint32_t position) override { m_run.ReportProgress(position); }
  void stop_timer() override { m_run.PostStopTimer(); }
  void show_message(const char* text) override { m_run.ShowMessage(text); }

 private:
  TransferRun& m_run;
};

}  // namespace

const fw::MessageEntry<CDDRRWTab> CDDRRWTab::kMessages[] = {
    {WM_COMMAND, IDC_INCREMENT_TEST, BN_CLICKED, &CDDRRWTab::OnIncrementTest},
    {WM_TIMER, 0, 0, &CDDRRWTab::OnTimer},
    {WM_APP_PROGRESS, 0, 0, &CDDRRWTab::OnProgress},
    {WM_APP_STOP_TIMER, 0, 0, &CDDRRWTab::OnStopTimer},
    {WM_APP_RUN_ENDED, 0, 0, &CDDRRWTab::OnRunEnded},
};

bool CDDRRWTab::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m); }

void CDDRRWTab::DoDataExchange(fw::DataExchange& dx) {
  dx.Control(IDC_DDR_PROGRESS, m_progress);
  dx.Control(IDC_DDR_ELAPSED, m_elapsedText);
  dx.Control(IDC_DDR_TOTAL, m_totalText);
}

void CDDRRWTab::EnableCommands(bool enable) const {
  ::EnableWindow(GetDlgItem(IDC_INCREMENT_TEST), enable ? TRUE : FALSE);
}

void CDDRRWTab::FreeBuffers() {
  std::free(m_pWriteBuffer);
  std::free(m_pReadBuffer);
  m_pWriteBuffer = nullptr;
  m_pReadBuffer = nullptr;
}

bool CDDRRWTab::OnIncrementTest(fw::Message&) {
  if (m_run.Running()) return true;
  char strAddress[vandok::kFieldTextBytes];
  char strSize[vandok::kFieldTextBytes];
  fw::CWnd field;
  field.m_hWnd = GetDlgItem(IDC_DDR_START);
  ReadFieldText(field, strAddress);
  field.m_hWnd = GetDlgItem(IDC_DDR_SIZE);
  ReadFieldText(field, strSize);
  if (const char* failure = vandok::check_ddr_fields(strAddress, strSize, m_request)) {
    ShowMessage(failure);
    return true;
  }
  // The previous run's pair goes first, so repeated runs do not pile up memory.
  FreeBuffers();
  const std::uint32_t size = m_request.size;
  m_pWriteBuffer = static_cast<std::uint8_t*>(std::malloc(size));
  if (m_pWriteBuffer == nullptr) {
    ShowMessage(vandok::kMsgWriteMallocFailed);
    return true;
  }
  vandok::fill_increment_pattern(m_pWriteBuffer, size);
  m_pReadBuffer = static_cast<std::uint8_t*>(std::malloc(size));
  if (m_pReadBuffer == nullptr) {
    ShowMessage(vandok::kMsgReadMallocFailed);
    return true;
  }
  m_progress.SetRange32(0, static_cast<int>(3 * size - 1));
  m_run.Prepare(m_hWnd);
  // The timer starts before the worker: the worker's stop, posted, always comes after it.
  m_run.StartTimer();
  if (!m_run.StartWorker(&CDDRRWTab::DdrTestThread, this)) {
    m_run.OnStopTimer();
    ShowMessage(vandok::kMsgWorkerNotStarted);
  }
  return true;
}

unsigned __stdcall CDDRRWTab::DdrTestThread(void* argument) {
  auto* page = static_cast<CDDRRWTab*>(argument);
  vandok::DdrRun run;
  run.socket = page->m_pSocket;
  run.request = page->m_request;
  run.write_buffer = page->m_pWriteBuffer;
  run.read_buffer = page->m_pReadBuffer;
  run.cancel = page->m_run.CancelFlag();
  DdrPort port(page->m_run);
  vandok::run_ddr_test(run, port);
  page->m_run.PostRunEnded();
  return 0;
}

bool CDDRRWTab::OnTimer(fw::Message& m) {
  if (m.wParam == kTimerId) ShowElapsedTick(m_run.StartTime(), m_progress, m_elapsedText, m_totalText);
  return false;  // every tick then gets the default handling
}

bool CDDRRWTab::OnProgress(fw::Message&) {
  m_run.OnProgress(m_progress);
  return true;
}

bool CDDRRWTab::OnStopTimer(fw::Message&) {
  m_run.OnStopTimer();
  return true;
}

bool CDDRRWTab::OnRunEnded(fw::Message&) {
  m_run.OnRunEnded();
  return true;
}
