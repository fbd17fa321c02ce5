#include "pages/flash/EPSQTab.h"

#include <commdlg.h>

#include <vector>

#include "app/ElapsedTimeDisplay.h"
#include "framework/app_messages.h"
#include "link/ansi_text.h"
#include "link/hex_field.h"

namespace {

// The worker's view of the page.
class FlashPort : public vandok::FlashTransferPort {
 public:
  explicit FlashPort(TransferRun& run) : m_run(run) {}
  void report_progress(std::uint32_t position) override { m_run.ReportProgress(position); }
  void stop_timer() override { m_run.PostStopTimer(); }
  void show_message(const char* text) override { m_run.ShowMessage(text); }

 private:
  TransferRun& m_run;
};

// "Text|pattern||" as the open-file dialog wants it: "Text\0pattern\0\0".
std::vector<wchar_t> MakeFilter(const char* filter) {
  std::vector<wchar_t> out;
  for (const char* c = filter; *c != '\0'; ++c) out.push_back(*c == '|' ? L'\0' : static_cast<wchar_t>(*c));
  out.push_back(L'\0');
  return out;
}

}  // namespace

const fw::MessageEntry<CEPSQTab> CEPSQTab::kMessages[] = {
    {WM_COMMAND, IDC_BROWSE, BN_CLICKED, &CEPSQTab::OnBrowse},
    {WM_COMMAND, IDC_RECONFIG, BN_CLICKED, &CEPSQTab::OnReconfig},
    {WM_TIMER, 0, 0, &CEPSQTab::OnTimer},
    {WM_APP_PROGRESS, 0, 0, &CEPSQTab::OnProgress},
    {WM_APP_STOP_TIMER, 0, 0, &CEPSQTab::OnStopTimer},
    {WM_APP_RUN_ENDED, 0, 0, &CEPSQTab::OnRunEnded},
};

bool CEPSQTab::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m); }

void CEPSQTab::DoDataExchange(fw::DataExchange& dx) {
  dx.Control(IDC_FLASH_PROGRESS, m_progress);
  dx.Control(IDC_FLASH_ELAPSED, m_timeText);
  dx.Control(IDC_FLASH_TOTAL, m_totalText);
  dx.Control(IDC_MEMORY_MAP, m_memoryMap);
}

void CEPSQTab::EnableCommands(bool enable) const {
  ::EnableWindow(GetDlgItem(IDC_BROWSE), enable ? TRUE : FALSE);
  ::EnableWindow(GetDlgItem(IDC_RECONFIG), enable ? TRUE : FALSE);
}

bool CEPSQTab::OnBrowse(fw::Message&) {
  if (m_run.Running()) return true;
  const std::vector<wchar_t> filter = MakeFilter(vandok::kRpdFilter);
  std::vector<wchar_t> path(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = filter.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.Flags = OFN_HIDEREADONLY;
  if (::GetOpenFileNameW(&ofn)) m_imagePath = path.data();
  return true;
}

bool CEPSQTab::OnReconfig(fw::Message&) {
  if (m_run.Running()) return true;
  m_image = vandok::ImageFile{};
  char FileName[vandok::kFieldTextBytes];
  // A path whose narrow form does not fit, or names another file, is refused,
  // never opened cut short or as a look-alike.
  if (!vandok::to_thread_ansi(m_imagePath, FileName, sizeof FileName) ||
      !vandok::open_image_file(FileName, m_image)) {
    ShowMessage(vandok::kMsgCannotOpenImage);
    return true;
  }
  m_run.Prepare(m_hWnd);
  if (!m_run.StartWorker(&CEPSQTab::FlashTransferThread, this)) {
    std::fclose(m_image.file);
    m_image = vandok::ImageFile{};
    ShowMessage(vandok::kMsgWorkerNotStarted);
    return true;
  }
  // The worker's messages are handled only after this handler: its stop of
  // the timer always follows the start below.
  m_progress.SetRange32(0, m_image.size - 1);
  m_run.StartTimer();
  return true;
}

unsigned __stdcall CEPSQTab::FlashTransferThread(void* argument) {
  auto* page = static_cast<CEPSQTab*>(argument);
  vandok::FlashRun run;
  run.socket = page->m_pSocket;
  run.image = page->m_image.file;
  run.image_size = page->m_image.size;
  run.cancel = page->m_run.CancelFlag();
  FlashPort port(page->m_run);
  vandok::run_flash_transfer(run, port);
  page->m_run.PostRunEnded();
  return 0;
}

bool CEPSQTab::OnTimer(fw::Message& m) {
  if (m.wParam == kTimerId) ShowElapsedTick(m_run.StartTime(), m_progress, m_timeText, m_totalText);
  return false;  // every tick then gets the default handling
}

bool CEPSQTab::OnProgress(fw::Message&) {
  m_run.OnProgress(m_progress);
  return true;
}

bool CEPSQTab::OnStopTimer(fw::Message&) {
  m_run.OnStopTimer();
  return true;
}

bool CEPSQTab::OnRunEnded(fw::Message&) {
  m_run.OnRunEnded();
  return true;
}
