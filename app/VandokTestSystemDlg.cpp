#include "app/VandokTestSystemDlg.h"

#include "app/AboutDlg.h"
#include "app/LogoPanel.h"
#include "app/logo_layout.h"
#include "framework/app.h"
#include "framework/worker.h"
#include "link/discovery.h"
#include "pages/common/app_messages.h"
#include "pages/common/message_text.h"
#include "pages/common/run_history.h"

namespace {

constexpr int kStatusMaxChars = 50;

std::wstring Widen(const char* text) {
  const int length = ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

}  // namespace

const fw::MessageEntry<CVandokTestSystemDlg> CVandokTestSystemDlg::kMessages[] = {
    {WM_SYSCOMMAND, IDM_ABOUTBOX, 0, &CVandokTestSystemDlg::OnSysCommandAbout},
    {WM_PAINT, 0, 0, &CVandokTestSystemDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, 0, &CVandokTestSystemDlg::OnQueryDragIcon},
    {WM_NOTIFY, IDC_TAB, TCN_SELCHANGE, &CVandokTestSystemDlg::OnTabSelChange},
    {WM_COMMAND, IDC_DISCOVERY, BN_CLICKED, &CVandokTestSystemDlg::OnDiscovery},
    {WM_APP_SHOW_MESSAGE, 0, 0, &CVandokTestSystemDlg::OnShowMessage},
    {WM_APP_SET_STATUS, 0, 0, &CVandokTestSystemDlg::OnSetStatus},
    {WM_APP_ENABLE_TABS, 0, 0, &CVandokTestSystemDlg::OnEnableTabs},
    {WM_APP_DISCOVERY_ENDED, 0, 0, &CVandokTestSystemDlg::OnDiscoveryEnded},
    {WM_APP_COMMANDS_BUSY, 0, 0, &CVandokTestSystemDlg::OnCommandsBusy},
};

CVandokTestSystemDlg::CVandokTestSystemDlg()
    : CDialogEx(IDD), m_strStatus(Widen(vandok::message_text(vandok::Message::StatusPutDiscovery))) {
  const fw::CWinApp* app = fw::CWinApp::Current();
  m_hIcon = app->LoadIcon(IDR_MAINFRAME);
  m_hSmallIcon = static_cast<HICON>(::LoadImageW(app->m_hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON),
                                                 ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

CVandokTestSystemDlg::~CVandokTestSystemDlg() = default;

bool CVandokTestSystemDlg::OnMessage(fw::Message& m) { return fw::Dispatch(*this, kMessages, m); }

void CVandokTestSystemDlg::DoDataExchange(fw::DataExchange& dx) {
  dx.Control(IDC_TAB, m_tab);
  dx.Control(IDC_STATUS, m_statusBox);
  dx.Text(IDC_STATUS, m_strStatus, kStatusMaxChars);
}

BOOL CVandokTestSystemDlg::OnInitDialog() {
  wchar_t strAboutMenu[64] = {};
  if (::LoadStringW(fw::CWinApp::Current()->m_hInstance, IDS_ABOUTBOX, strAboutMenu, 64) > 0) {
    const HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu != nullptr) {
      ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
  }
  Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon : m_hIcon));

  if (!m_link.replace(m_closing)) {
    ShowMessage(vandok::message_text(vandok::Message::SocketFailed));
    return TRUE;
  }

  m_ledTab.Create(m_tab.m_hWnd);
  m_ddrTab.Create(m_tab.m_hWnd);
  m_epsqTab.Create(m_tab.m_hWnd);
  m_pagesCreated = true;

  m_tab.InsertItem(0, L"EPSQ Reconfig");
  m_tab.InsertItem(1, L"DDR RW");
  m_tab.InsertItem(2, L"Register Access");
  m_tab.SetCurSel(0);

  PlacePage(m_epsqTab);
  m_epsqTab.Show(true);
  // A disabled tab control takes its pages with it: nothing works before discovery.
  m_tab.Enable(false);

  LoadLogos();

  m_ledTab.m_address.SetText(L"0");
  m_ledTab.m_value.SetText(L"0");
  m_nPrivate = 0;

  // Last step: a failure reports itself, and the dialog opens all the same.
  m_epsqTab.FillMemoryMap(m_hWnd);
  return TRUE;
}

void CVandokTestSystemDlg::PlacePage(const fw::CDialogEx& page) {
  m_tab.GetItemRect(0, m_rectTabItem);
  page.MoveTo(m_rectTabItem.left, m_rectTabItem.bottom + 1);
}

bool CVandokTestSystemDlg::OnTabSelChange(fw::Message& m) {
  m.result = 0;
  if (!m_pagesCreated) return true;
  const int index = m_tab.GetCurSel();
  if (index < 0 || index >= static_cast<int>(m_pages.size())) return true;
  CTabPage* selected = m_pages[static_cast<size_t>(index)];
  PlacePage(*selected);
  selected->Show(true);
  for (CTabPage* page : m_pages) {
    if (page != selected) page->Show(false);
  }
  return true;
}

bool CVandokTestSystemDlg::OnSysCommandAbout(fw::Message&) {
  CAboutDlg dlgAbout;
  dlgAbout.DoModal(m_hWnd);
  return true;
}

bool CVandokTestSystemDlg::OnQueryDragIcon(fw::Message& m) {
  m.result = reinterpret_cast<LRESULT>(m_hIcon);
  return true;
}

bool CVandokTestSystemDlg::OnPaint(fw::Message&) {
  if (::IsIconic(m_hWnd)) {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const vandok::PixelPoint at =
        vandok::centred_icon_origin(client.right - client.left, client.bottom - client.top,
                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(dc, at.x, at.y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
  }
  DefaultPaint();
  // The pictures are drawn whole on every paint, whatever part was uncovered;
  // the controls stay on top of them.
  const HDC dc = ::GetDCEx(m_hWnd, nullptr, DCX_CACHE | DCX_CLIPCHILDREN);
  for (size_t i = 0; i < vandok::kLogoPlaces.size(); ++i) {
    if (m_pictures[i] != nullptr) DrawLogoPicture(m_pictures[i], dc, vandok::kLogoPlaces[i]);
  }
  ::ReleaseDC(m_hWnd, dc);
  return true;
}

void CVandokTestSystemDlg::LoadLogos() {
  for (size_t i = 0; i < vandok::kLogoPlaces.size(); ++i) m_pictures[i] = LoadLogoPicture(vandok::kLogoPlaces[i].file);
}

void CVandokTestSystemDlg::ReleaseLogos() {
  for (IPicture*& picture : m_pictures) {
    if (picture != nullptr) picture->Release();
    picture = nullptr;
  }
}

// --- discovery ---

bool CVandokTestSystemDlg::OnDiscovery(fw::Message&) {
  if (m_discoveryThread != nullptr || m_closing.load()) return true;
  const HWND discovery = GetDlgItem(IDC_DISCOVERY);
  m_tabsEnabledBeforeDiscovery = m_tab.IsEnabled();
  ::EnableWindow(discovery, FALSE);
  m_tab.Enable(false);
  m_discoveryThread = fw::StartWorker(&CVandokTestSystemDlg::DiscoveryThread, this);
  if (m_discoveryThread == nullptr) {
    ::EnableWindow(discovery, TRUE);
    m_tab.Enable(m_tabsEnabledBeforeDiscovery);
    ShowMessage(vandok::message_text(vandok::Message::DiscoveryNotStarted));
  }
  return true;
}

unsigned __stdcall CVandokTestSystemDlg::DiscoveryThread(void* argument) {
  auto* dlg = static_cast<CVandokTestSystemDlg*>(argument);
  BoardDiscovery host(dlg->m_hWnd, dlg->m_link, dlg->m_closing);
  const vandok::DiscoveryResult result = vandok::run_discovery(host, dlg->m_nPrivate);
  const bool found = result.outcome == vandok::DiscoveryOutcome::Found;
  // The pages' commands reach the board found last; a run that found none leaves the tabs off.
  if (found || result.outcome == vandok::DiscoveryOutcome::NotFound ||
      result.outcome == vandok::DiscoveryOutcome::NoPrivateAdapter)
    dlg->m_link.set_board_address(found ? result.board : 0);
  vandok::RunRecord record =
      vandok::window_record(found ? result.board : 0, "discover", vandok::kind_of(result), result.message);
  record.seconds = host.Seconds();
  vandok::record_run(record);
  ::PostMessageW(dlg->m_hWnd, WM_APP_DISCOVERY_ENDED, static_cast<WPARAM>(result.outcome), 0);
  return 0;
}

bool CVandokTestSystemDlg::OnShowMessage(fw::Message& m) {
  if (!m_closing.load()) ShowMessage(reinterpret_cast<const char*>(m.lParam));
  return true;
}

bool CVandokTestSystemDlg::OnSetStatus(fw::Message& m) {
  m_strStatus = Widen(reinterpret_cast<const char*>(m.lParam));
  UpdateData(false);
  return true;
}

bool CVandokTestSystemDlg::OnEnableTabs(fw::Message& m) {
  m_tab.Enable(m.wParam != FALSE);
  return true;
}

bool CVandokTestSystemDlg::OnDiscoveryEnded(fw::Message& m) {
  if (m_discoveryThread == nullptr) return true;  // already waited for by StopWorkers
  ::WaitForSingleObject(m_discoveryThread, INFINITE);
  ::CloseHandle(m_discoveryThread);
  m_discoveryThread = nullptr;
  switch (static_cast<vandok::DiscoveryOutcome>(m.wParam)) {
    case vandok::DiscoveryOutcome::SocketFailed:
    case vandok::DiscoveryOutcome::ListAllocFailed:
    case vandok::DiscoveryOutcome::Cancelled:
      // These outcomes leave the tab control as it was before the run.
      m_tab.Enable(m_tabsEnabledBeforeDiscovery);
      break;
    default:
      break;
  }
  // A command started once the tabs came on keeps the board connection until it ends.
  ::EnableWindow(GetDlgItem(IDC_DISCOVERY), m_commandsBusy ? FALSE : TRUE);
  return true;
}

// --- one command at a time ---

bool CVandokTestSystemDlg::OnCommandsBusy(fw::Message& m) {
  if (m_closing.load()) return true;
  const bool enable = m.wParam == FALSE;
  m_commandsBusy = !enable;
  ::EnableWindow(GetDlgItem(IDC_DISCOVERY), enable && m_discoveryThread == nullptr ? TRUE : FALSE);
  for (const CTabPage* page : m_pages) page->EnableCommands(enable);
  return true;
}

// --- the end ---

void CVandokTestSystemDlg::StopWorkers() {
  m_closing.store(true);
  bool busy = m_discoveryThread != nullptr;
  for (CTabPage* page : m_pages) {
    page->CancelRun();
    busy = busy || page->Running();
  }
  // Ends whatever is blocked on the socket.
  if (busy) m_link.shut_down();
  HANDLE discovery = m_discoveryThread;
  m_discoveryThread = nullptr;
  if (discovery != nullptr) {
    fw::WaitForWorker(discovery);
    ::CloseHandle(discovery);
  }
  for (CTabPage* page : m_pages) page->WaitForRun();
}

void CVandokTestSystemDlg::OnDestroy() {
  // No input while the workers wind down; the window is going anyway.
  ::EnableWindow(m_hWnd, FALSE);
  StopWorkers();
  ReleaseLogos();
  m_link.close();
}
