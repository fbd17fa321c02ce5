#include "link/dll_search.h"

#include <windows.h>

namespace vandok {

void restrict_dll_search_to_system32() { ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32); }

}  // namespace vandok
