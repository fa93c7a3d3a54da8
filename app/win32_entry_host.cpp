#include "app/win32_entry_host.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>

#include "app/support_log.h"
#include "serverlist/custom_server_file.h"

namespace norva {
namespace {

constexpr char kBuildOption[] = "/build-entry ";
constexpr char kAfterOption[] = "/after ";

// The decimal number right after `option` in `line`, when there is one.
std::optional<unsigned long> OptionValue(const char* line, const char* option) {
  const char* at = std::strstr(line, option);
  if (at == nullptr) return std::nullopt;
  at += std::strlen(option);
  if (*at < '0' || *at > '9') return std::nullopt;
  return std::strtoul(at, nullptr, 10);
}

}  // namespace

ElevatedStart ReadElevatedStart(const char* commandLine) {
  ElevatedStart start;
  if (commandLine == nullptr) return start;
  const auto type = OptionValue(commandLine, kBuildOption);
  if (!type || *type > static_cast<unsigned long>(VpnType::kL2tpIpsec)) return start;
  start.pending = static_cast<VpnType>(*type);
  start.after = static_cast<DWORD>(OptionValue(commandLine, kAfterOption).value_or(0));
  return start;
}

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

bool Win32EntryHost::RelaunchElevated(VpnType pending) {
  char path[MAX_PATH], folder[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  lstrcpynA(folder, path, MAX_PATH);
  if (!PathRemoveFileSpecA(folder)) return false;
  const std::string parameters = kBuildOption + std::to_string(static_cast<int>(pending)) + " " +
                                 kAfterOption + std::to_string(GetCurrentProcessId());

  // In the program's folder, where it finds logo.bmp; the prompt belongs to
  // the main window where there is one. The call returns once the copy is
  // started or refused (the user said no: ERROR_CANCELLED).
  SHELLEXECUTEINFOA execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC;
  execute.hwnd = window_;
  execute.lpVerb = "runas";
  execute.lpFile = path;
  execute.lpParameters = parameters.c_str();
  execute.lpDirectory = folder;
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&execute)) {
    Log("entry", "relaunch elevated refused (" + std::to_string(GetLastError()) + ")");
    return false;
  }
  Log("entry", "relaunched elevated, this copy ends");

  // This copy ends as by Exit: the tray icon goes, then the message loop
  // ends. Before the window exists, start-up sees relaunched() and ends.
  relaunched_ = true;
  if (window_ != nullptr) SendMessageA(window_, WM_COMMAND, IDCANCEL, 0);
  return true;
}

void Win32EntryHost::ShowContactSupport() {
  MessageBoxA(nullptr, "Contact Support", nullptr, MB_ICONWARNING | MB_OK);
}

void Win32EntryHost::ShowNoRights(NoRights why) {
  const char* text =
      why == NoRights::kElevationRefused
          ? "The connection settings were not saved: saving them needs administrator rights, "
            "and the program was not started with them."
          : "The connection settings were not saved: this copy of the program was started to "
            "save them with administrator rights, but Windows did not give it those rights.";
  MessageBoxA(window_, text, caption_, MB_ICONWARNING | MB_OK);
}

std::string Win32EntryHost::FirstCustomServerAddress() {
  char address[129] = {};
  if (!norva::FirstCustomServerAddress(configIni_.c_str(), address, sizeof address - 1)) return {};
  return address;
}

}  // namespace norva
