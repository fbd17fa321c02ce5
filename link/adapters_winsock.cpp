// Adapters through GetAdaptersInfo. IP Helper is not one of the DLLs Windows
// always takes from System32, so it is not imported: it is loaded from System32
// here, when discovery first needs it (see link/dll_search.h).
#include "link/adapters.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "link/dll_search.h"

namespace vandok {

namespace {

struct IpHelper {
  DWORD(WINAPI* get_adapters_info)(PIP_ADAPTER_INFO, PULONG) = nullptr;
  DWORD load_error = NO_ERROR;
};

// Loaded once, and kept for the life of the process.
const IpHelper& ip_helper() {
  static const IpHelper loaded = [] {
    IpHelper h;
    const auto dll = static_cast<HMODULE>(load_system_dll(L"iphlpapi.dll"));
    if (dll != nullptr)
      h.get_adapters_info = reinterpret_cast<decltype(h.get_adapters_info)>(
          reinterpret_cast<void*>(::GetProcAddress(dll, "GetAdaptersInfo")));
    if (h.get_adapters_info == nullptr) h.load_error = ::GetLastError();
    return h;
  }();
  return loaded;
}

}  // namespace

bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed) {
  const IpHelper& iphlpapi = ip_helper();
  if (iphlpapi.get_adapters_info == nullptr) {
    error = static_cast<int>(iphlpapi.load_error);
    return false;
  }
  const HANDLE heap = ::GetProcessHeap();
  ULONG ulOutBufLen = 648;  // one record of the 32-bit layout; the first call sizes the list
  auto* info = static_cast<IP_ADAPTER_INFO*>(::HeapAlloc(heap, 0, ulOutBufLen));
  if (info == nullptr) {
    alloc_failed = true;
    return false;
  }
  if (iphlpapi.get_adapters_info(info, &ulOutBufLen) == ERROR_BUFFER_OVERFLOW) {
    ::HeapFree(heap, 0, info);
    info = static_cast<IP_ADAPTER_INFO*>(::HeapAlloc(heap, 0, ulOutBufLen));
    if (info == nullptr) {
      alloc_failed = true;
      return false;
    }
  }
  const DWORD result = iphlpapi.get_adapters_info(info, &ulOutBufLen);
  if (result != NO_ERROR) {
    error = static_cast<int>(result);
    ::HeapFree(heap, 0, info);
    return false;
  }
  for (const IP_ADAPTER_INFO* adapter = info; adapter != nullptr; adapter = adapter->Next) {
    AdapterRecord record;
    const UINT length = adapter->AddressLength < MAX_ADAPTER_ADDRESS_LENGTH ? adapter->AddressLength
                                                                           : MAX_ADAPTER_ADDRESS_LENGTH;
    record.hardware_address.assign(adapter->Address, adapter->Address + length);
    record.ip_address = adapter->IpAddressList.IpAddress.String;
    adapters.push_back(std::move(record));
  }
  ::HeapFree(heap, 0, info);
  return true;
}

}  // namespace vandok
