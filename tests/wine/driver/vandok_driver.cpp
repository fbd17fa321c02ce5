// vandok-driver: drives the VandokTestSystem window from another process under the
// same wineserver, one step per invocation, so that shell test scripts can click,
// type, read controls and answer message boxes.
//
//   vandok-driver.exe [--window TITLE] [--force] COMMAND [ARGS...]
//
// Control ids are decimal or 0x-hexadecimal. Every wait has a time-out in seconds.
// Results go to stdout as UTF-8, one item per line. Exit codes:
//   0 done, 1 time-out / not found / failed, 2 usage, 3 refused (control disabled or hidden).
//
// Commands run against the main window ("VandokTestSystem-100Mb Ethernet", or the
// window named by --window) and any of its descendants (the tab pages are children
// of the tab control). Window messages that carry pointers are not marshalled
// between processes, so list view and tab item reads go through memory allocated in
// the target process. WM_NOTIFY does not cross processes either: tabs are chosen
// with a posted mouse click on the item, which the tab control turns into its own
// in-process notifications.

#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t* const kMainTitle = L"VandokTestSystem-100Mb Ethernet";
const wchar_t* const kBoxCaption = L"Vandok System Test";
const int kTabControlId = 1000;
const int kMessageBoxTextId = 0xFFFF;
const int kFileNameBoxId = 0x47C;
const DWORD kPollMs = 50;
const UINT kSendTimeoutMs = 5000;

enum Exit { kOk = 0, kFailed = 1, kUsage = 2, kRefused = 3 };

struct Options {
    std::wstring window = kMainTitle;
    bool force = false;
};
Options g_opt;

// ---- output -----------------------------------------------------------------

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

void out(const std::wstring& line) {
    std::string s = utf8(line);
    s += '\n';
    fwrite(s.data(), 1, s.size(), stdout);
    fflush(stdout);
}

void fail(const std::wstring& line) {
    std::string s = "vandok-driver: " + utf8(line) + '\n';
    fwrite(s.data(), 1, s.size(), stderr);
    fflush(stderr);
}

std::wstring hex(ULONG_PTR v) {
    wchar_t buf[32];
    swprintf(buf, 32, L"0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

// ---- parsing ----------------------------------------------------------------

bool parse_int(const std::wstring& s, long long& v) {
    if (s.empty()) return false;
    wchar_t* end = nullptr;
    v = wcstoll(s.c_str(), &end, 0);
    return end && *end == 0;
}

bool parse_seconds(const std::wstring& s, DWORD& ms) {
    wchar_t* end = nullptr;
    double d = wcstod(s.c_str(), &end);
    if (s.empty() || !end || *end != 0 || d < 0 || d > 3600) return false;
    ms = static_cast<DWORD>(d * 1000.0);
    return true;
}

// ---- window lookup ----------------------------------------------------------

std::wstring window_class(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return buf;
}

// A message to a window of the program, answered within kSendTimeoutMs.
bool send_timeout(HWND h, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &r)) return false;
    result = static_cast<LRESULT>(r);
    return true;
}

// Text through WM_GETTEXT, which the system marshals between processes (GetWindowText
// of a foreign window would only return the caption stored at creation).
bool window_text(HWND h, std::wstring& text) {
    LRESULT len = 0;
    if (!send_timeout(h, WM_GETTEXTLENGTH, 0, 0, len)) return false;
    std::vector<wchar_t> buf(static_cast<std::size_t>(len) + 2, 0);
    LRESULT got = 0;
    if (!send_timeout(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), got)) return false;
    text.assign(buf.data(), static_cast<std::size_t>(got));
    return true;
}

std::wstring caption(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

struct TopSearch {
    std::wstring title;
    std::wstring cls;  // empty: any class
    int child_id = -1; // >= 0: must hold a child with this id
    HWND found = nullptr;
};

BOOL CALLBACK top_cb(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<TopSearch*>(lp);
    if (!IsWindowVisible(h)) return TRUE;
    if (!s->title.empty() && caption(h) != s->title) return TRUE;
    if (!s->cls.empty() && window_class(h) != s->cls) return TRUE;
    if (s->child_id >= 0 && !GetDlgItem(h, s->child_id)) return TRUE;
    s->found = h;
    return FALSE;
}

HWND find_top(const std::wstring& title, const std::wstring& cls = L"", int child_id = -1) {
    TopSearch s{title, cls, child_id, nullptr};
    EnumWindows(top_cb, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND wait_top(const std::wstring& title, DWORD ms, const std::wstring& cls = L"",
              int child_id = -1) {
    ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (HWND h = find_top(title, cls, child_id)) return h;
        if (GetTickCount64() >= end) return nullptr;
        Sleep(kPollMs);
    }
}

// Window given as a handle (0x...) or a title.
HWND resolve_window(const std::wstring& arg, DWORD ms) {
    long long v = 0;
    if (arg.rfind(L"0x", 0) == 0 && parse_int(arg, v)) {
        HWND h = reinterpret_cast<HWND>(static_cast<intptr_t>(v));
        return IsWindow(h) ? h : nullptr;
    }
    return wait_top(arg, ms);
}

struct ChildSearch {
    int id;
    std::vector<HWND> found;
};

BOOL CALLBACK child_cb(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    if (GetDlgCtrlID(h) == s->id) s->found.push_back(h);
    return TRUE;
}

// A control with this id anywhere below the top window; a visible one is preferred
// when several share the id (the static labels of a template all have 0xFFFF).
HWND find_control(HWND top, int id) {
    ChildSearch s{id, {}};
    EnumChildWindows(top, child_cb, reinterpret_cast<LPARAM>(&s));
    for (HWND h : s.found)
        if (IsWindowVisible(h)) return h;
    return s.found.empty() ? nullptr : s.found.front();
}

HWND target_window(DWORD ms) {
    HWND h = wait_top(g_opt.window, ms);
    if (!h) fail(L"no window \"" + g_opt.window + L"\"");
    return h;
}

HWND control(const std::wstring& id_text, DWORD ms = 5000) {
    long long id = 0;
    if (!parse_int(id_text, id)) {
        fail(L"bad control id: " + id_text);
        return nullptr;
    }
    HWND top = target_window(ms);
    if (!top) return nullptr;
    HWND c = find_control(top, static_cast<int>(id));
    if (!c) fail(L"no control " + id_text + L" in \"" + g_opt.window + L"\"");
    return c;
}

// A user can act on a control only when it and every window above it are enabled
// and visible; the driver refuses otherwise so that tests see what a user would.
bool usable(HWND h) {
    for (HWND w = h; w; w = GetAncestor(w, GA_PARENT)) {
        if (w == GetDesktopWindow()) break;
        if (!IsWindowEnabled(w) || !IsWindowVisible(w)) return false;
    }
    return true;
}

// ---- memory in the target process ---------------------------------------------

class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, SIZE_T size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               pid);
        if (process_)
            base_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteBuffer() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return base_ != nullptr; }
    char* at(SIZE_T offset) const { return base_ + offset; }
    bool write(SIZE_T offset, const void* data, SIZE_T n) {
        SIZE_T done = 0;
        return offset + n <= size_ && WriteProcessMemory(process_, base_ + offset, data, n, &done) &&
               done == n;
    }
    bool read(SIZE_T offset, void* data, SIZE_T n) {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, base_ + offset, data, n, &done) &&
               done == n;
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    SIZE_T size_;
};

bool tab_item_rect(HWND tab, int index, RECT& rc) {
    RemoteBuffer mem(tab, sizeof(RECT));
    LRESULT r = 0;
    return mem.ok() &&
           send_timeout(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(mem.at(0)), r) &&
           r && mem.read(0, &rc, sizeof rc);
}

// ---- message boxes ------------------------------------------------------------

bool wait_destroyed(HWND h, DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    while (IsWindow(h) && IsWindowVisible(h)) {
        if (GetTickCount64() >= end) return false;
        Sleep(kPollMs);
    }
    return true;
}

// Presses a dialog's OK (its button, or the command when it has none) and waits
// until the dialog is gone.
bool press_ok(HWND dlg, DWORD ms) {
    HWND ok = GetDlgItem(dlg, IDOK);
    if (ok)
        PostMessageW(ok, BM_CLICK, 0, 0);
    else
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    return wait_destroyed(dlg, ms);
}

// Prints the box's text and presses its OK button.
int answer_box(HWND box, bool keep) {
    // A box can be found while it is still being built: its text comes a moment later.
    std::wstring text;
    for (ULONGLONG end = GetTickCount64() + 2000;; Sleep(kPollMs)) {
        HWND label = GetDlgItem(box, kMessageBoxTextId);
        if (label && window_text(label, text) && !text.empty()) break;
        if (GetTickCount64() >= end) {
            fail(L"message box without readable text");
            return kFailed;
        }
    }
    out(text);
    if (keep) return kOk;
    if (!press_ok(box, 5000)) {
        fail(L"message box did not close");
        return kFailed;
    }
    return kOk;
}

// ---- commands -----------------------------------------------------------------

using Args = std::vector<std::wstring>;

DWORD seconds_arg(const Args& a, size_t i, DWORD fallback_ms) {
    DWORD ms = fallback_ms;
    if (i < a.size() && !parse_seconds(a[i], ms)) {
        fail(L"bad seconds: " + a[i]);
        exit(kUsage);
    }
    return ms;
}

BOOL CALLBACK count_cb(HWND, LPARAM lp) {
    ++*reinterpret_cast<int*>(lp);
    return TRUE;
}

int child_count(HWND h) {
    int n = 0;
    EnumChildWindows(h, count_cb, reinterpret_cast<LPARAM>(&n));
    return n;
}

int cmd_wait_window(const Args& a) {
    HWND h = wait_top(a.at(0), seconds_arg(a, 1, 15000));
    if (!h) {
        fail(L"timed out waiting for window \"" + a[0] + L"\"");
        return kFailed;
    }
    // A dialog can show before all its controls exist: wait (up to 2 s) until the
    // number of its controls stops changing.
    int last = -1;
    for (int i = 0; i < 40; ++i) {
        int n = child_count(h);
        if (n > 0 && n == last) break;
        last = n;
        Sleep(kPollMs);
    }
    out(hex(reinterpret_cast<ULONG_PTR>(h)));
    return kOk;
}

int cmd_wait_gone(const Args& a) {
    ULONGLONG end = GetTickCount64() + seconds_arg(a, 1, 15000);
    while (find_top(a.at(0))) {
        if (GetTickCount64() >= end) {
            fail(L"window \"" + a[0] + L"\" still there");
            return kFailed;
        }
        Sleep(kPollMs);
    }
    return kOk;
}

int cmd_text(const Args& a) {
    HWND c = control(a.at(0));
    if (!c) return kFailed;
    std::wstring t;
    if (!window_text(c, t)) {
        fail(L"cannot read the text of control " + a[0] + L" (error " + std::to_wstring(GetLastError()) + L")");
        return kFailed;
    }
    out(t);
    return kOk;
}

int cmd_wait_text(const Args& a) {
    ULONGLONG end = GetTickCount64() + seconds_arg(a, 2, 10000);
    std::wstring t;
    for (;;) {
        HWND c = control(a.at(0));
        if (!c) return kFailed;
        if (window_text(c, t) && t == a.at(1)) {
            out(t);
            return kOk;
        }
        if (GetTickCount64() >= end) break;
        Sleep(kPollMs);
    }
    out(t);
    fail(L"timed out: control " + a[0] + L" shows \"" + t + L"\", not \"" + a[1] + L"\"");
    return kFailed;
}

struct TextSearch {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK text_cb(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<TextSearch*>(lp);
    std::wstring t;
    if (window_text(h, t) && t == s->text) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// Waits until some control of the target window shows TEXT; prints its id. For
// labels without an id of their own, and windows still being filled.
int cmd_find_text(const Args& a) {
    ULONGLONG end = GetTickCount64() + seconds_arg(a, 1, 5000);
    for (;;) {
        if (HWND top = find_top(g_opt.window)) {
            TextSearch s{a.at(0), nullptr};
            EnumChildWindows(top, text_cb, reinterpret_cast<LPARAM>(&s));
            if (s.found) {
                out(std::to_wstring(GetDlgCtrlID(s.found)));
                return kOk;
            }
        }
        if (GetTickCount64() >= end) {
            fail(L"no control shows \"" + a[0] + L"\" in \"" + g_opt.window + L"\"");
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

int cmd_enabled(const Args& a) {
    HWND c = control(a.at(0));
    if (!c) return kFailed;
    out(IsWindowEnabled(c) ? L"1" : L"0");
    return kOk;
}

int cmd_visible(const Args& a) {
    HWND c = control(a.at(0));
    if (!c) return kFailed;
    out(IsWindowVisible(c) ? L"1" : L"0");
    return kOk;
}

int cmd_wait_enabled(const Args& a) {
    bool want = a.at(1) == L"1";
    ULONGLONG end = GetTickCount64() + seconds_arg(a, 2, 10000);
    for (;;) {
        HWND c = control(a.at(0));
        if (!c) return kFailed;
        bool on = IsWindowEnabled(c) != FALSE;
        if (on == want) {
            out(on ? L"1" : L"0");
            return kOk;
        }
        if (GetTickCount64() >= end) {
            out(on ? L"1" : L"0");
            fail(L"timed out waiting for control " + a[0] + L" enabled=" + a[1]);
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

int cmd_window_enabled(const Args& a) {
    HWND h = a.empty() ? target_window(5000) : resolve_window(a[0], 5000);
    if (!h) return kFailed;
    out(IsWindowEnabled(h) ? L"1" : L"0");
    return kOk;
}

int cmd_style(const Args& a) {
    HWND c = control(a.at(0));
    if (!c) return kFailed;
    out(hex(static_cast<ULONG_PTR>(static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE)))));
    return kOk;
}

// The control named by a[0] if a person could use it (or --force); otherwise
// nullptr, with rc saying whether it is missing or refused.
HWND usable_control(const Args& a, int& rc) {
    HWND c = control(a.at(0));
    rc = kFailed;
    if (!c) return nullptr;
    if (!g_opt.force && !usable(c)) {
        out(L"refused");
        fail(L"control " + a[0] + L" is disabled or hidden");
        rc = kRefused;
        return nullptr;
    }
    return c;
}

int cmd_click(const Args& a) {
    int rc = kOk;
    HWND c = usable_control(a, rc);
    if (!c) return rc;
    // Posted, so that a handler that opens a modal box does not block the driver.
    PostMessageW(c, BM_CLICK, 0, 0);
    return kOk;
}

int cmd_set_text(const Args& a) {
    int rc = kOk;
    HWND c = usable_control(a, rc);
    if (!c) return rc;
    std::wstring text = a.size() > 1 ? a[1] : L"";
    LRESULT r = 0;
    if (!send_timeout(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), r) || !r) {
        fail(L"cannot set text of " + a[0]);
        return kFailed;
    }
    return kOk;
}

HWND tab_control() {
    HWND top = target_window(5000);
    if (!top) return nullptr;
    HWND tab = find_control(top, kTabControlId);
    if (!tab) fail(L"no tab control");
    return tab;
}

int cmd_tabs(const Args&) {
    HWND tab = tab_control();
    if (!tab) return kFailed;
    LRESULT count = 0, sel = 0;
    if (!send_timeout(tab, TCM_GETITEMCOUNT, 0, 0, count) ||
        !send_timeout(tab, TCM_GETCURSEL, 0, 0, sel))
        return kFailed;
    out(L"count\t" + std::to_wstring(count));
    out(L"selected\t" + std::to_wstring(sel));
    const SIZE_T text_off = 256, text_chars = 256;
    RemoteBuffer mem(tab, text_off + text_chars * sizeof(wchar_t));
    if (!mem.ok()) return kFailed;
    for (LRESULT i = 0; i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<LPWSTR>(mem.at(text_off));
        item.cchTextMax = static_cast<int>(text_chars);
        wchar_t zero[1] = {0};
        LRESULT r = 0;
        if (!mem.write(text_off, zero, sizeof zero) || !mem.write(0, &item, sizeof item) ||
            !send_timeout(tab, TCM_GETITEMW, static_cast<WPARAM>(i),
                          reinterpret_cast<LPARAM>(mem.at(0)), r) || !r)
            return kFailed;
        // The control may point pszText at its own copy; read back where it says.
        TCITEMW back{};
        std::vector<wchar_t> text(text_chars, 0);
        if (!mem.read(0, &back, sizeof back)) return kFailed;
        if (back.pszText == item.pszText) {
            if (!mem.read(text_off, text.data(), (text_chars - 1) * sizeof(wchar_t)))
                return kFailed;
        }
        out(L"item\t" + std::to_wstring(i) + L"\t" + text.data());
    }
    return kOk;
}

std::wstring rect_text(const RECT& rc) {
    return std::to_wstring(rc.left) + L" " + std::to_wstring(rc.top) + L" " +
           std::to_wstring(rc.right) + L" " + std::to_wstring(rc.bottom);
}

int cmd_tab_rect(const Args& a) {
    long long n = 0;
    if (!parse_int(a.at(0), n)) return kUsage;
    HWND tab = tab_control();
    RECT rc{};
    if (!tab || !tab_item_rect(tab, static_cast<int>(n), rc)) return kFailed;
    out(rect_text(rc));
    return kOk;
}

int cmd_select_tab(const Args& a) {
    long long n = 0;
    if (!parse_int(a.at(0), n)) return kUsage;
    DWORD ms = seconds_arg(a, 1, 5000);
    HWND tab = tab_control();
    RECT rc{};
    if (!tab || !tab_item_rect(tab, static_cast<int>(n), rc)) {
        fail(L"no tab item " + a[0]);
        return kFailed;
    }
    if (!g_opt.force && !usable(tab)) {
        out(L"refused");
        fail(L"tab control is disabled or hidden");
        return kRefused;
    }
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tab, WM_LBUTTONUP, 0, at);
    ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        LRESULT sel = -1;
        if (send_timeout(tab, TCM_GETCURSEL, 0, 0, sel) && sel == n) return kOk;
        if (GetTickCount64() >= end) {
            fail(L"tab " + a[0] + L" not selected (selected: " + std::to_wstring(sel) + L")");
            return kFailed;
        }
        Sleep(kPollMs);
    }
}

// The page that holds control ID: its rectangle in the tab control's client
// coordinates (left top right bottom), then 1 or 0 for visible.
int cmd_page_rect(const Args& a) {
    HWND c = control(a.at(0));
    HWND tab = tab_control();
    if (!c || !tab) return kFailed;
    HWND page = GetParent(c);
    RECT rc{};
    GetWindowRect(page, &rc);
    MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&rc), 2);
    out(rect_text(rc) + (IsWindowVisible(page) ? L" 1" : L" 0"));
    return kOk;
}

int cmd_progress(const Args& a) {
    HWND c = control(a.at(0));
    if (!c) return kFailed;
    LRESULT pos = 0, lo = 0, hi = 0;
    if (!send_timeout(c, PBM_GETPOS, 0, 0, pos) || !send_timeout(c, PBM_GETRANGE, TRUE, 0, lo) ||
        !send_timeout(c, PBM_GETRANGE, FALSE, 0, hi))
        return kFailed;
    out(std::to_wstring(static_cast<int>(pos)) + L" " + std::to_wstring(static_cast<int>(lo)) +
        L" " + std::to_wstring(static_cast<int>(hi)));
    return kOk;
}

int cmd_messagebox(const Args& a) {
    bool keep = false;
    Args rest;
    for (const auto& s : a) {
        if (s == L"--keep")
            keep = true;
        else
            rest.push_back(s);
    }
    HWND box = wait_top(kBoxCaption, seconds_arg(rest, 0, 10000), L"#32770");
    if (!box) {
        out(L"timeout");
        fail(L"no message box");
        return kFailed;
    }
    return answer_box(box, keep);
}

// Succeeds when no box shows up for SECONDS; a box that does is reported and closed.
int cmd_no_messagebox(const Args& a) {
    HWND box = wait_top(kBoxCaption, seconds_arg(a, 0, 2000), L"#32770");
    if (!box) return kOk;
    fail(L"unexpected message box");
    answer_box(box, false);
    return kFailed;
}

// Owner of the open message box: "none", "main", "page" (a child dialog of the main
// window) or a handle.
int cmd_messagebox_owner(const Args& a) {
    HWND box = wait_top(kBoxCaption, seconds_arg(a, 0, 10000), L"#32770");
    if (!box) {
        fail(L"no message box");
        return kFailed;
    }
    HWND owner = GetWindow(box, GW_OWNER);
    HWND main = find_top(kMainTitle);
    if (!owner)
        out(L"none");
    else if (owner == main)
        out(L"main");
    else if (main && IsChild(main, owner))
        out(L"page");
    else
        out(hex(reinterpret_cast<ULONG_PTR>(owner)));
    return kOk;
}

int cmd_listview(const Args& a) {
    HWND lv = control(a.at(0));
    if (!lv) return kFailed;
    const SIZE_T text_off = 1024, text_chars = 512;
    RemoteBuffer mem(lv, text_off + text_chars * sizeof(wchar_t));
    if (!mem.ok()) {
        fail(L"no memory in the target process");
        return kFailed;
    }
    LPWSTR remote_text = reinterpret_cast<LPWSTR>(mem.at(text_off));
    auto read_text = [&](std::wstring& s) {
        std::vector<wchar_t> buf(text_chars, 0);
        if (!mem.read(text_off, buf.data(), (text_chars - 1) * sizeof(wchar_t))) return false;
        s = buf.data();
        return true;
    };
    wchar_t zero[1] = {0};
    int columns = 0;
    for (;; ++columns) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = remote_text;
        col.cchTextMax = static_cast<int>(text_chars);
        LRESULT r = 0;
        if (!mem.write(text_off, zero, sizeof zero) || !mem.write(0, &col, sizeof col) ||
            !send_timeout(lv, LVM_GETCOLUMNW, static_cast<WPARAM>(columns),
                          reinterpret_cast<LPARAM>(mem.at(0)), r))
            return kFailed;
        if (!r) break;
        LVCOLUMNW back{};
        std::wstring title;
        if (!mem.read(0, &back, sizeof back) || !read_text(title)) return kFailed;
        out(L"column\t" + std::to_wstring(columns) + L"\t" + std::to_wstring(back.cx) + L"\t" +
            title);
    }
    LRESULT rows = 0;
    if (!send_timeout(lv, LVM_GETITEMCOUNT, 0, 0, rows)) return kFailed;
    for (LRESULT row = 0; row < rows; ++row) {
        std::wstring line = L"row\t" + std::to_wstring(row);
        for (int c = 0; c < (columns ? columns : 1); ++c) {
            LVITEMW item{};
            item.iSubItem = c;
            item.pszText = remote_text;
            item.cchTextMax = static_cast<int>(text_chars);
            LRESULT r = 0;
            std::wstring cell;
            if (!mem.write(text_off, zero, sizeof zero) || !mem.write(0, &item, sizeof item) ||
                !send_timeout(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                              reinterpret_cast<LPARAM>(mem.at(0)), r) ||
                !read_text(cell))
                return kFailed;
            line += L"\t" + cell;
        }
        out(line);
    }
    return kOk;
}

// A click on the header of list view ID over column COL, as a user sorts a list.
int cmd_click_header(const Args& a) {
    long long col = 0;
    if (!parse_int(a.at(1), col)) return kUsage;
    HWND lv = control(a.at(0));
    if (!lv) return kFailed;
    LRESULT r = 0;
    if (!send_timeout(lv, LVM_GETHEADER, 0, 0, r) || !r) {
        fail(L"list view without header");
        return kFailed;
    }
    HWND header = reinterpret_cast<HWND>(r);
    if (!g_opt.force && !usable(header)) {
        out(L"refused");
        return kRefused;
    }
    RemoteBuffer mem(header, sizeof(RECT));
    RECT rc{};
    if (!mem.ok() ||
        !send_timeout(header, HDM_GETITEMRECT, static_cast<WPARAM>(col),
                      reinterpret_cast<LPARAM>(mem.at(0)), r) ||
        !r || !mem.read(0, &rc, sizeof rc)) {
        fail(L"no header item " + a[1]);
        return kFailed;
    }
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    // Sent, not posted: when the driver returns, the header and the list have handled
    // the click and any reordering has happened.
    if (!send_timeout(header, WM_LBUTTONDOWN, MK_LBUTTON, at, r) ||
        !send_timeout(header, WM_LBUTTONUP, 0, at, r)) {
        fail(L"header click not handled");
        return kFailed;
    }
    return kOk;
}

int cmd_sysmenu_about(const Args&) {
    HWND top = target_window(5000);
    if (!top) return kFailed;
    PostMessageW(top, WM_SYSCOMMAND, 0x0010, 0);
    return kOk;
}

int cmd_close(const Args& a) {
    HWND top = a.empty() ? target_window(5000) : resolve_window(a[0], 5000);
    if (!top) return kFailed;
    PostMessageW(top, WM_CLOSE, 0, 0);
    return kOk;
}

int cmd_window_text(const Args& a) {
    HWND h = resolve_window(a.at(0), 5000);
    std::wstring t;
    if (!h || !window_text(h, t)) return kFailed;
    out(t);
    return kOk;
}

// The target window's client area on the screen: left, top, width, height.
int cmd_client_rect(const Args&) {
    HWND top = target_window(5000);
    if (!top) return kFailed;
    POINT p{0, 0};
    RECT rc{};
    ClientToScreen(top, &p);
    GetClientRect(top, &rc);
    out(std::to_wstring(p.x) + L" " + std::to_wstring(p.y) + L" " + std::to_wstring(rc.right) +
        L" " + std::to_wstring(rc.bottom));
    return kOk;
}

// The target window's outer rectangle on the screen: left, top, width, height.
int cmd_window_rect(const Args&) {
    HWND top = target_window(5000);
    if (!top) return kFailed;
    RECT rc{};
    GetWindowRect(top, &rc);
    out(std::to_wstring(rc.left) + L" " + std::to_wstring(rc.top) + L" " +
        std::to_wstring(rc.right - rc.left) + L" " + std::to_wstring(rc.bottom - rc.top));
    return kOk;
}

int cmd_pid(const Args&) {
    HWND top = target_window(5000);
    if (!top) return kFailed;
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    out(std::to_wstring(pid));
    return kOk;
}

// The open-file dialog: types PATH into its file-name box and confirms.
int cmd_open_file(const Args& a) {
    HWND dlg = wait_top(L"", seconds_arg(a, 1, 15000), L"#32770", kFileNameBoxId);
    if (!dlg) {
        fail(L"no open-file dialog");
        return kFailed;
    }
    HWND name = GetDlgItem(dlg, kFileNameBoxId);
    LRESULT r = 0;
    if (!send_timeout(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a.at(0).c_str()), r)) {
        fail(L"cannot type the file name");
        return kFailed;
    }
    if (!press_ok(dlg, 10000)) {
        fail(L"open-file dialog did not close");
        return kFailed;
    }
    return kOk;
}

int cmd_cancel_file(const Args& a) {
    HWND dlg = wait_top(L"", seconds_arg(a, 0, 15000), L"#32770", kFileNameBoxId);
    if (!dlg) {
        fail(L"no open-file dialog");
        return kFailed;
    }
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    return wait_destroyed(dlg, 10000) ? kOk : kFailed;
}

void dump_window(HWND h, int depth) {
    std::wstring text;
    window_text(h, text);
    RECT rc{};
    GetWindowRect(h, &rc);
    std::wstring line(static_cast<size_t>(depth) * 2, L' ');
    line += hex(reinterpret_cast<ULONG_PTR>(h)) + L" id=" + std::to_wstring(GetDlgCtrlID(h)) +
            L" class=" + window_class(h) + L" " + (IsWindowVisible(h) ? L"visible" : L"hidden") +
            L" " + (IsWindowEnabled(h) ? L"enabled" : L"disabled") + L" rect=" + rect_text(rc) +
            L" text=\"" + text + L"\"";
    out(line);
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) dump_window(c, depth + 1);
}

BOOL CALLBACK dump_top_cb(HWND h, LPARAM) {
    if (IsWindowVisible(h)) dump_window(h, 0);
    return TRUE;
}

int cmd_dump(const Args& a) {
    if (a.empty()) {
        EnumWindows(dump_top_cb, 0);
        return kOk;
    }
    HWND h = resolve_window(a[0], 5000);
    if (!h) return kFailed;
    dump_window(h, 0);
    return kOk;
}

struct Command {
    const wchar_t* name;
    size_t min_args;
    int (*run)(const Args&);
    const wchar_t* help;
};

const Command kCommands[] = {
    {L"wait-window", 1, cmd_wait_window, L"TITLE [SECS]      wait for a visible top-level window; prints its handle"},
    {L"wait-gone", 1, cmd_wait_gone, L"TITLE [SECS]        wait until no visible window has this title"},
    {L"text", 1, cmd_text, L"ID                       text of control ID"},
    {L"wait-text", 2, cmd_wait_text, L"ID TEXT [SECS]      wait until control ID shows TEXT"},
    {L"find-text", 1, cmd_find_text, L"TEXT [SECS]       wait until a control shows TEXT; prints its id"},
    {L"enabled", 1, cmd_enabled, L"ID                    1 or 0"},
    {L"wait-enabled", 2, cmd_wait_enabled, L"ID 0|1 [SECS]  wait for the enabled state"},
    {L"visible", 1, cmd_visible, L"ID                    1 or 0"},
    {L"window-enabled", 0, cmd_window_enabled, L"[HWND|TITLE] 1 or 0 for a top-level window"},
    {L"style", 1, cmd_style, L"ID                      window style in hexadecimal"},
    {L"click", 1, cmd_click, L"ID                      post BM_CLICK (refused when disabled or hidden)"},
    {L"set-text", 1, cmd_set_text, L"ID [TEXT]            set the text of an edit"},
    {L"tabs", 0, cmd_tabs, L"                         tab control 1000: count, selected, item texts"},
    {L"tab-rect", 1, cmd_tab_rect, L"N                    rectangle of tab item N (client coordinates)"},
    {L"select-tab", 1, cmd_select_tab, L"N [SECS]           click tab item N and wait until it is selected"},
    {L"page-rect", 1, cmd_page_rect, L"ID                rectangle of the page holding ID in tab coordinates, visible"},
    {L"progress", 1, cmd_progress, L"ID                  position, low and high of a progress bar"},
    {L"messagebox", 0, cmd_messagebox, L"[--keep] [SECS]    wait for a \"Vandok System Test\" box, print its text, press OK"},
    {L"no-messagebox", 0, cmd_no_messagebox, L"[SECS]          succeed when no box shows up"},
    {L"messagebox-owner", 0, cmd_messagebox_owner, L"[SECS]    owner of the box: none, main, page"},
    {L"listview", 1, cmd_listview, L"ID                  columns (index, width, title) and rows"},
    {L"click-header", 2, cmd_click_header, L"ID COL        click the header of list view ID over column COL"},
    {L"sysmenu-about", 0, cmd_sysmenu_about, L"                system menu command 0x10"},
    {L"close", 0, cmd_close, L"[HWND|TITLE]              post WM_CLOSE"},
    {L"window-text", 1, cmd_window_text, L"HWND|TITLE      text of a window"},
    {L"client-rect", 0, cmd_client_rect, L"                client area on the screen: left top width height"},
    {L"window-rect", 0, cmd_window_rect, L"                the window on the screen: left top width height"},
    {L"pid", 0, cmd_pid, L"                          Windows process id of the window"},
    {L"open-file", 1, cmd_open_file, L"PATH [SECS]       type PATH into the open-file dialog and confirm"},
    {L"cancel-file", 0, cmd_cancel_file, L"[SECS]          cancel the open-file dialog"},
    {L"dump", 0, cmd_dump, L"[HWND|TITLE]              list windows and their controls"},
};

void usage() {
    out(L"usage: vandok-driver.exe [--window TITLE] [--force] COMMAND [ARGS...]");
    for (const auto& c : kCommands) out(std::wstring(L"  ") + c.name + L" " + c.help);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Plain "\n" line ends for the shell scripts that read the results.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    Args args(argv + 1, argv + argc);
    size_t i = 0;
    while (i < args.size() && args[i].rfind(L"--", 0) == 0) {
        if (args[i] == L"--window" && i + 1 < args.size()) {
            g_opt.window = args[i + 1];
            i += 2;
        } else if (args[i] == L"--force") {
            g_opt.force = true;
            ++i;
        } else {
            usage();
            return kUsage;
        }
    }
    if (i >= args.size()) {
        usage();
        return kUsage;
    }
    const std::wstring name = args[i];
    Args rest(args.begin() + static_cast<long>(i) + 1, args.end());
    for (const auto& c : kCommands) {
        if (name != c.name) continue;
        if (rest.size() < c.min_args) {
            usage();
            return kUsage;
        }
        return c.run(rest);
    }
    fail(L"unknown command: " + name);
    usage();
    return kUsage;
}
