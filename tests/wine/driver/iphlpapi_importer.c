/* The control of tests/wine/planted_dll.sh: a program that imports IP Helper the
 * ordinary way, as ours did. The planted DLL beside it must run in it; if not,
 * the test could not have seen the fault. */
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <stdio.h>

int main(void) {
  ULONG size = 0;
  printf("GetAdaptersInfo: %lu\n", GetAdaptersInfo(NULL, &size));
  return 0;
}
