#include "serverlist/server_list_worker.h"

#include <string>

#include "app/support_log.h"
#include "serverlist/server_list_file.h"
#include "serverlist/server_list_update.h"
#include "serverlist/wininet_client.h"
#include "settings/registry_settings_store.h"

namespace norva {

static_assert(WM_SERVERLIST_DONE == WM_USER + 20);

namespace {

struct WorkerArgs {
  HWND mainWindow;
  std::string siteUrl;
  std::string serverListPath;
};

DWORD WINAPI ServerListWorker(LPVOID param) {
  WorkerArgs* args = static_cast<WorkerArgs*>(param);
  SetLogThreadName("list");
  // The thread starts while the window is still being made and shown;
  // loading WinINet now would hold the loader lock that work needs. The
  // fetch waits until the window takes messages (at most 10 s).
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(args->mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
  Log("list", "update from " + args->siteUrl);
  bool stored = false;
  {
    WinInetClient internet;
    ReplacingServerListFile file(args->serverListPath);
    RegistrySettingsStore settings;
    stored = UpdateServerList(internet, file, settings, args->siteUrl.c_str());
  }
  SendMessageA(args->mainWindow, WM_SERVERLIST_DONE, stored ? 1 : 0, 0);
  delete args;
  return 0;
}

}  // namespace

bool StartServerListWorker(HWND mainWindow, const char* siteUrl,
                           const std::string& serverListPath) {
  WorkerArgs* args = new WorkerArgs{mainWindow, siteUrl, serverListPath};
  HANDLE thread = CreateThread(nullptr, 0, ServerListWorker, args, 0, nullptr);
  if (thread == nullptr) {
    delete args;
    PostMessageA(mainWindow, WM_SERVERLIST_DONE, 0, 0);
    return false;
  }
  CloseHandle(thread);
  return true;
}

}  // namespace norva
