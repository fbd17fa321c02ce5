#include "pages/flash/EPSQTab.h"

#include <commdlg.h>

#include <vector>

#include "link/ansi_text.h"
#include "link/hex_field.h"
#include "pages/flash/MemoryMapListView.h"

namespace {

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
  char FileName[vandok::kFieldTextBytes];
  // A path whose narrow form does not fit, or names another file, is refused,
  // never opened cut short or as a look-alike.
  if (!vandok::to_thread_ansi(m_imagePath, FileName, sizeof FileName) || !m_image.open(FileName)) {
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
  Port port(page->m_run);
  vandok::run_flash_transfer(run, port);
  page->m_run.PostRunEnded();
  return 0;
}
