#include "pages/flash/EPSQTab.h"

#include <commdlg.h>

#include <vector>

#include "link/ansi_text.h"
#include "link/hex_field.h"
#include "pages/flash/MemoryMapListView.h"
#include "pages/flash/flash_record.h"

namespace {

// "Text|pattern||" as the open-file dialog wants it: "Text\0pattern\0\0".
std::vector<wchar_t> MakeFilter(const char* filter) {
  std::vector<wchar_t> out;
  for (const char* c = filter; *c != '\0'; ++c) out.push_back(*c == '|' ? L'\0' : static_cast<wchar_t>(*c));
  out.push_back(L'\0');
  return out;
}

// The program's own 8-bit text, as the run history reads it; a character the
// code page lacks shows as its default character.
std::string ThreadAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size > 0) ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), length, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

const fw::MessageEntry<CEPSQTab> CEPSQTab::kMessages[] = {
    {WM_COMMAND, IDC_BROWSE, BN_CLICKED, &CEPSQTab::OnBrowse},
    {WM_COMMAND, IDC_RECONFIG, BN_CLICKED, &CEPSQTab::OnReconfig},
};

bool CEPSQTab::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m) || CTransferTab::OnMessage(m); }

void CEPSQTab::DoDataExchange(fw::DataExchange& dx) {
  BindTransferControls(dx, IDC_FLASH_PROGRESS, IDC_FLASH_ELAPSED, IDC_FLASH_TOTAL);
  dx.Control(IDC_MEMORY_MAP, m_memoryMap);
}

int CEPSQTab::FillMemoryMap(HWND owner) const {
  MemoryMapListView list(m_memoryMap, owner);
  return vandok::FillMemoryMap(list);
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
  m_image.close();
  m_imageName = ThreadAnsi(m_imagePath);
  char FileName[vandok::kFieldTextBytes];
  // A path whose narrow form does not fit, or names another file, is refused,
  // never opened cut short or as a look-alike.
  if (!vandok::to_thread_ansi(m_imagePath, FileName, sizeof FileName) || !m_image.open(FileName)) {
    vandok::RunRecord record = vandok::window_record(m_link.board_address(), "reconfig", vandok::RunKind::BadInput,
                                                     vandok::Message::CannotOpenImage);
    record.fields = vandok::image_fields(m_imageName, 0, "");
    vandok::record_run(record);
    ShowMessage(vandok::Message::CannotOpenImage);
    return true;
  }
  m_run.Prepare(m_hWnd);
  if (!m_run.StartWorker(&CEPSQTab::FlashTransferThread, this)) {
    m_image.close();
    ShowMessage(vandok::Message::WorkerNotStarted);
    return true;
  }
  // The worker's messages are handled only after this handler: its stop of
  // the timer always follows the start below.
  m_progress.SetRange32(0, m_image.size() - 1);
  m_run.StartTimer();
  return true;
}

unsigned __stdcall CEPSQTab::FlashTransferThread(void* argument) {
  auto* page = static_cast<CEPSQTab*>(argument);
  vandok::FlashRun run;
  run.socket = &page->m_link.socket();
  run.image = &page->m_image;
  run.cancel = page->m_run.CancelFlag();
  run.digest = !vandok::history_path().empty();  // the digest is for the history alone
  Port port(page->m_run);
  const std::uint64_t size = static_cast<std::uint32_t>(page->m_image.size());
  const vandok::FlashOutcome outcome = vandok::run_flash_transfer(run, port);
  // The line is written before the page hears of the end, and touches no window.
  vandok::RunRecord record =
      vandok::window_record(page->m_link.board_address(), "reconfig", vandok::kind_of(outcome), outcome.message);
  record.seconds = port.Seconds();
  record.bytes = outcome.bytes_sent;
  record.fields = vandok::image_fields(page->m_imageName, size, outcome.sha256);
  vandok::record_run(record);
  page->m_run.PostRunEnded();
  return 0;
}
