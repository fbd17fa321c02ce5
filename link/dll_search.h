// Where the Windows programs take DLLs from. The programs are run from wherever
// their zip was unpacked (a Downloads folder, say), so a DLL lying beside them must
// never be loaded: the search goes to System32 only.
#pragma once

namespace vandok {

#ifdef _WIN32
// Restricts every later load by name (ours, and those of system components such
// as the file dialog or the picture loader) to System32. Called first thing in
// each program's entry point; the import tables hold only DLLs that Windows takes
// from System32 anyway (KnownDLLs, and the common controls through the manifest).
void restrict_dll_search_to_system32();
// Loads NAME from the System32 folder by its full path: the module (an HMODULE),
// or nullptr with the reason in GetLastError().
void* load_system_dll(const wchar_t* name);
#else
inline void restrict_dll_search_to_system32() {}
#endif

}  // namespace vandok
