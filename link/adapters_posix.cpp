// Adapters through getifaddrs: each interface but loopback, in the order of
// its interface index, with its first IPv4 address ("0.0.0.0" when it has
// none, as GetAdaptersInfo reports such an adapter) and its hardware address.
#include "link/adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "link/net.h"

#if defined(AF_PACKET)
#include <netpacket/packet.h>
#elif defined(AF_LINK)
#include <net/if_dl.h>
#endif

namespace vandok {

namespace {

struct Interface {
  std::string name;
  unsigned index = 0;
  bool has_ipv4 = false;
  AdapterRecord record;
};

Interface& entry_for(std::vector<Interface>& list, const char* name) {
  for (Interface& i : list)
    if (i.name == name) return i;
  Interface fresh;
  fresh.name = name;
  fresh.index = ::if_nametoindex(name);
  fresh.record.ip_address = "0.0.0.0";
  list.push_back(std::move(fresh));
  return list.back();
}

void take_hardware_address(const sockaddr* sa, AdapterRecord& record) {
#if defined(AF_PACKET)
  if (sa->sa_family != AF_PACKET) return;
  const auto* ll = reinterpret_cast<const sockaddr_ll*>(sa);
  const std::size_t length = std::min<std::size_t>(ll->sll_halen, sizeof ll->sll_addr);
  record.hardware_address.assign(ll->sll_addr, ll->sll_addr + length);
#elif defined(AF_LINK)
  if (sa->sa_family != AF_LINK) return;
  const auto* dl = reinterpret_cast<const sockaddr_dl*>(sa);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(LLADDR(dl));
  record.hardware_address.assign(bytes, bytes + dl->sdl_alen);
#else
  (void)sa;
  (void)record;
#endif
}

bool is_link_family(int family) {
#if defined(AF_PACKET)
  return family == AF_PACKET;
#elif defined(AF_LINK)
  return family == AF_LINK;
#else
  (void)family;
  return false;
#endif
}

}  // namespace

bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed) {
  ifaddrs* all = nullptr;
  if (::getifaddrs(&all) != 0) {
    error = errno;
    alloc_failed = errno == ENOMEM;
    return false;
  }
  std::vector<Interface> found;
  for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_name == nullptr || (a->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const int family = a->ifa_addr->sa_family;
    if (family == AF_INET) {
      Interface& i = entry_for(found, a->ifa_name);
      if (i.has_ipv4) continue;  // the adapter's first address only
      const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
      char text[16];
      net::format_ipv4(ntohl(in->sin_addr.s_addr), text);
      i.record.ip_address = text;
      i.has_ipv4 = true;
    } else if (is_link_family(family)) {
      take_hardware_address(a->ifa_addr, entry_for(found, a->ifa_name).record);
    }
  }
  ::freeifaddrs(all);
  std::stable_sort(found.begin(), found.end(),
                   [](const Interface& a, const Interface& b) { return a.index < b.index; });
  for (Interface& i : found) adapters.push_back(std::move(i.record));
  return true;
}

}  // namespace vandok
