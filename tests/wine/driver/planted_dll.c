/* A stand-in for a DLL that a web page or a mail dropped beside a program, under
 * the name of one the program might load (tests/wine/planted_dll.sh). Whenever a
 * process loads it, it appends that process's path to planted-dll-ran.txt beside
 * itself. It exports GetAdaptersInfo, so that a program importing IP Helper
 * finds what it needs in it and starts. */
#include <windows.h>
#include <wchar.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  WCHAR marker[MAX_PATH], host[MAX_PATH];
  DWORD n = GetModuleFileNameW(self, marker, MAX_PATH);
  WCHAR* slash = wcsrchr(marker, L'\\');
  if (n == 0 || n >= MAX_PATH - 32 || slash == NULL) return TRUE;
  lstrcpyW(slash + 1, L"planted-dll-ran.txt");
  n = GetModuleFileNameW(NULL, host, MAX_PATH);
  char line[4 * MAX_PATH + 2];
  int length = WideCharToMultiByte(CP_UTF8, 0, host, (int)n, line, 4 * MAX_PATH, NULL, NULL);
  line[length++] = '\n';
  HANDLE f = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, NULL);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(f, line, (DWORD)length, &written, NULL);
    CloseHandle(f);
  }
  return TRUE;
}

__declspec(dllexport) DWORD WINAPI GetAdaptersInfo(void* info, ULONG* size) {
  (void)info;
  (void)size;
  return ERROR_NOT_SUPPORTED;
}
