// as-standard-user.exe PROGRAM [ARGUMENTS...]
//
// Runs PROGRAM as a standard user would: with the caller's token, restricted
// so that the built-in Administrators group is for deny only, which
// CheckTokenMembership then reports as no administrator. Under Wine every
// process is an elevated administrator otherwise. Waits for PROGRAM to end
// and exits with its exit code; 255 when it could not be started.
#include <windows.h>

namespace {

// This program's command line less its own name: the command line of the
// program to run.
char* RestOfCommandLine() {
  char* line = GetCommandLineA();
  bool quoted = false;
  for (; *line != '\0'; ++line) {
    if (*line == '"') quoted = !quoted;
    if (!quoted && (*line == ' ' || *line == '\t')) break;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

}  // namespace

int main() {
  char* command = RestOfCommandLine();
  if (*command == '\0') return 255;

  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(),
                        TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_QUERY, &token)) {
    return 255;
  }
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                0, 0, 0, 0, 0, &administrators)) {
    CloseHandle(token);
    return 255;
  }
  SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
  HANDLE restricted = nullptr;
  const BOOL made =
      CreateRestrictedToken(token, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted);
  FreeSid(administrators);
  CloseHandle(token);
  if (!made) return 255;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessAsUserA(restricted, nullptr, command, nullptr, nullptr, FALSE,
                                            0, nullptr, nullptr, &startup, &process);
  CloseHandle(restricted);
  if (!started) return 255;
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 255;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
