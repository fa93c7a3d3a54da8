// WinINet serves only the server list's worker thread. Linked as usual it
// would sit in the program's import table, and the loader would load it, and
// the DLLs it needs, before the window could show. Instead the program's
// calls into it (all through the __imp_ slots that dllimport declarations
// read) land here, and the first one loads it, from the system folder only,
// once the window is up: the worker starts while the window is being made,
// and loading WinINet then would hold the loader lock the window's thread
// needs (and the processor) in the middle of its start-up.
#include <windows.h>
#include <wininet.h>

namespace {

HMODULE LoadFromSystemFolder() {
  HMODULE module = LoadLibraryExA("wininet.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_* flags: the
  // system folder's full path then.
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + sizeof "\\wininet.dll" > MAX_PATH) return nullptr;
  lstrcpynA(path + length, "\\wininet.dll", static_cast<int>(MAX_PATH - length));
  return LoadLibraryA(path);
}

// Static initialisation runs on the thread that makes the window.
const DWORD g_windowThread = GetCurrentThreadId();

BOOL CALLBACK TakeWindow(HWND window, LPARAM found) {
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Waits (at most 10 s) until the window's thread takes messages again: by
// then its window has been shown and painted.
void WaitForWindowThread() {
  HWND window = nullptr;
  EnumThreadWindows(g_windowThread, TakeWindow, reinterpret_cast<LPARAM>(&window));
  DWORD_PTR result = 0;
  if (window != nullptr && GetCurrentThreadId() != g_windowThread) {
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
  }
}

// Loaded once, by the first call of any of the functions below.
HMODULE WinInet() {
  static const HMODULE module = [] {
    WaitForWindowThread();
    return LoadFromSystemFolder();
  }();
  return module;
}

// The function `name` of WinINet, or null (with the reason in
// GetLastError) when WinINet or the function cannot be had.
template <typename Function>
Function Find(const char* name) {
  const HMODULE module = WinInet();
  if (module == nullptr) return nullptr;
  // Through void*: GetProcAddress's type fits no function.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HINTERNET WINAPI OpenOnDemand(LPCSTR agent, DWORD access, LPCSTR proxy, LPCSTR bypass,
                              DWORD flags) {
  static const auto real = Find<decltype(&InternetOpenA)>("InternetOpenA");
  return real != nullptr ? real(agent, access, proxy, bypass, flags) : nullptr;
}

HINTERNET WINAPI OpenUrlOnDemand(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD length,
                                 DWORD flags, DWORD_PTR context) {
  static const auto real = Find<decltype(&InternetOpenUrlA)>("InternetOpenUrlA");
  return real != nullptr ? real(session, url, headers, length, flags, context) : nullptr;
}

BOOL WINAPI SetOptionOnDemand(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
  static const auto real = Find<decltype(&InternetSetOptionA)>("InternetSetOptionA");
  return real != nullptr && real(handle, option, buffer, length);
}

BOOL WINAPI QueryInfoOnDemand(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length,
                              LPDWORD index) {
  static const auto real = Find<decltype(&HttpQueryInfoA)>("HttpQueryInfoA");
  return real != nullptr && real(request, level, buffer, length, index);
}

BOOL WINAPI ReadFileOnDemand(HINTERNET file, LPVOID buffer, DWORD size, LPDWORD read) {
  static const auto real = Find<decltype(&InternetReadFile)>("InternetReadFile");
  return real != nullptr && real(file, buffer, size, read);
}

BOOL WINAPI CloseHandleOnDemand(HINTERNET handle) {
  static const auto real = Find<decltype(&InternetCloseHandle)>("InternetCloseHandle");
  return real != nullptr && real(handle);
}

}  // namespace

// The import slots, by the names the compiler gives them (decorated with
// the size of the arguments on i686). A WinINet function that is not here
// comes from the import library again, and WinINet back into the import
// table: scripts/bench-startup would show it.
#if defined(__i386__)
#define NORVA_IMPORT_SLOT(name, argumentBytes) __asm__("__imp__" #name "@" #argumentBytes)
#else
#define NORVA_IMPORT_SLOT(name, argumentBytes) __asm__("__imp_" #name)
#endif

extern "C" {
decltype(&InternetOpenA) norva_InternetOpenA NORVA_IMPORT_SLOT(InternetOpenA, 20) = OpenOnDemand;
decltype(&InternetOpenUrlA) norva_InternetOpenUrlA NORVA_IMPORT_SLOT(InternetOpenUrlA, 24) =
    OpenUrlOnDemand;
decltype(&InternetSetOptionA) norva_InternetSetOptionA NORVA_IMPORT_SLOT(InternetSetOptionA, 16) =
    SetOptionOnDemand;
decltype(&HttpQueryInfoA) norva_HttpQueryInfoA NORVA_IMPORT_SLOT(HttpQueryInfoA, 20) =
    QueryInfoOnDemand;
decltype(&InternetReadFile) norva_InternetReadFile NORVA_IMPORT_SLOT(InternetReadFile, 16) =
    ReadFileOnDemand;
decltype(&InternetCloseHandle) norva_InternetCloseHandle NORVA_IMPORT_SLOT(InternetCloseHandle, 4) =
    CloseHandleOnDemand;
}
