#include "link/dll_search.h"

#include <windows.h>

#include <string>

namespace vandok {

void restrict_dll_search_to_system32() {
  // Looked up rather than imported: Windows 7 without update KB2533623 lacks it,
  // and a missing import would keep the program from starting at all. There the
  // current folder at least leaves the search, and our own loads name System32.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto set_directories = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_directories == nullptr || !set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

void* load_system_dll(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  // By full path, so that no search takes part; the DLL's own imports are then
  // looked for beside it first.
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace vandok
