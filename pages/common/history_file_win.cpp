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

namespace {

// A byte far past any history's end, locked as a mutex between the writers: a
// lock on the lines themselves would also stop the readers.
constexpr DWORD kLockOffsetHigh = 0x40000000;

bool same_file(HANDLE held, const std::filesystem::path& path) {
  const HANDLE named = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  const bool same = ::GetFileInformationByHandle(held, &a) && ::GetFileInformationByHandle(named, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                    a.nFileIndexLow == b.nFileIndexLow;
  ::CloseHandle(named);
  return same;
}

// Takes the writers' lock within ms; false where the file system takes no lock
// or another writer held it all that time.
bool lock_within(HANDLE file, int ms) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
  for (;;) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return true;
    if (::GetLastError() != ERROR_LOCK_VIOLATION || ::GetTickCount64() >= end) return false;
    ::Sleep(2);
  }
}

// The history file opened for appending (FILE_APPEND_DATA, so that every write
// lands at the end) and locked against the other writers, or INVALID_HANDLE_VALUE.
// Where the file system takes no lock, or the lock stays held, the line still
// goes out, unlocked.
HANDLE open_locked(const std::filesystem::path& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    // Read access as well: a lock needs it.
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    if (!lock_within(file, kLockWaitMs)) return file;
    // Moved aside by another writer while we waited: start over on the new file.
    if (same_file(file, path)) return file;
    ::CloseHandle(file);  // closing lets go of the lock
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool append_whole(const std::filesystem::path& path, const std::string& bytes, const std::filesystem::path& rotated,
                  std::uint64_t rotate_bytes) {
  HANDLE file = open_locked(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file, &size) && static_cast<std::uint64_t>(size.QuadPart) >= rotate_bytes &&
      ::MoveFileExW(path.c_str(), rotated.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::CloseHandle(file);  // lets the writers waiting on the moved file find it moved
    file = open_locked(path);
    if (file == INVALID_HANDLE_VALUE) return false;
  }
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && ::FlushFileBuffers(file);
  ::CloseHandle(file);
  return ok;
}

}  // namespace vandok::history_platform
