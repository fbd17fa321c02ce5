// The run history's file on Windows: wide paths, and appends through
// FILE_APPEND_DATA so that the window and the companion never interleave.
#include <windows.h>

#include <cstdlib>

#include "pages/common/run_history.h"

namespace vandok::history_platform {

bool override_path(std::filesystem::path& path) {
  const wchar_t* value = ::_wgetenv(L"VANDOK_HISTORY");
  if (value == nullptr) return false;
  path = value;
  return true;
}

std::filesystem::path default_path() {
  const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  return std::filesystem::path(local) / L"VandokTestSystem" / L"history.jsonl";
}

bool append_whole(const std::filesystem::path& path, const std::string& bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  return ok;
}

}  // namespace vandok::history_platform
