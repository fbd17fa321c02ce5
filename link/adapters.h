// The PC's network adapters as discovery sees them: hardware address and first
// IPv4 address of each. One implementation per platform (GetAdaptersInfo on
// Windows, getifaddrs elsewhere), shared by the window and vandok-cli.
#pragma once

#include <vector>

#include "link/discovery.h"

namespace vandok {

// Appends the adapters in the platform's order. False when the list cannot be
// had: error holds the platform's code, and alloc_failed is set when memory for
// the list could not be allocated.
bool list_adapters(std::vector<AdapterRecord>& adapters, int& error, bool& alloc_failed);

}  // namespace vandok
