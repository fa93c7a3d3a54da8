#include "app/win32_entry_host.h"

#include <windows.h>
#include <shellapi.h>

#include "app/support_log.h"
#include "serverlist/custom_server_file.h"

namespace norva {

bool Win32EntryHost::IsUserAdministrator() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

void Win32EntryHost::RelaunchElevated() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const auto started = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "runas", path, nullptr, nullptr, SW_SHOWNORMAL));
  // Above 32 it started; else the shell's error code.
  Log("entry", "relaunch elevated: " + std::to_string(started) + ", this copy ends");
  ExitProcess(0);
}

void Win32EntryHost::ShowContactSupport() {
  MessageBoxA(nullptr, "Contact Support", nullptr, MB_ICONWARNING | MB_OK);
}

std::string Win32EntryHost::FirstCustomServerAddress() {
  char address[129] = {};
  if (!norva::FirstCustomServerAddress(configIni_.c_str(), address, sizeof address - 1)) return {};
  return address;
}

}  // namespace norva
