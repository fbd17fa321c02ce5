// Adapters through GetAdaptersInfo (iphlpapi).
#include "link/adapters.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace vandok {

bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed) {
  const HANDLE heap = ::GetProcessHeap();
  ULONG ulOutBufLen = 648;  // one record of the 32-bit layout; the first call sizes the list
  auto* info = static_cast<IP_ADAPTER_INFO*>(::HeapAlloc(heap, 0, ulOutBufLen));
  if (info == nullptr) {
    alloc_failed = true;
    return false;
  }
  if (::GetAdaptersInfo(info, &ulOutBufLen) == ERROR_BUFFER_OVERFLOW) {
    ::HeapFree(heap, 0, info);
    info = static_cast<IP_ADAPTER_INFO*>(::HeapAlloc(heap, 0, ulOutBufLen));
    if (info == nullptr) {
      alloc_failed = true;
      return false;
    }
  }
  const DWORD result = ::GetAdaptersInfo(info, &ulOutBufLen);
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
