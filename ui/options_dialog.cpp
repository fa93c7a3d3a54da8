#include "ui/options_dialog.h"

#include <shellapi.h>

#include <string>

#include "resources/resource.h"
#include "settings/setting_names.h"

namespace norva {
namespace {

struct Box {
  int id;
  Setting setting;
};

// The boxes stored as settings, in the order the dialog shows them.
constexpr Box kBoxes[] = {
    {IDC_AUTOCONNECT, setting::kAutoConnect},   {IDC_AUTORECONNECT, setting::kAutoReconnect},
    {IDC_LCP, setting::kEnableLcp},             {IDC_SWCOMPRESS, setting::kEnableSwCompress},
    {IDC_MULTILINK, setting::kMultilink},       {IDC_TYPICAL, setting::kDefaultSecurity},
};

struct Context {
  SettingsStore* settings;
  const StartupAutorun* autorun;
  std::string supportPage;
};

// The dialog is modal and opened from the UI thread only.
Context* g_context = nullptr;

const Box* FindBox(int id) {
  for (const Box& box : kBoxes) {
    if (box.id == id) return &box;
  }
  return nullptr;
}

UINT CheckState(HWND box) { return static_cast<UINT>(SendMessageA(box, BM_GETCHECK, 0, 0)); }

void OnInit(HWND dialog) {
  SendDlgItemMessageA(dialog, IDC_RUN_AT_STARTUP, BM_SETCHECK,
                      g_context->autorun->IsEnabled() ? BST_CHECKED : BST_UNCHECKED, 0);
  for (const Box& box : kBoxes) {
    // The stored number goes to the box as it is.
    SendDlgItemMessageA(dialog, box.id, BM_SETCHECK, Read(*g_context->settings, box.setting), 0);
  }
}

void OnCommand(HWND dialog, int id, HWND control) {
  if (id == IDOK) {
    EndDialog(dialog, IDOK);
  } else if (id == IDC_HELP) {
    ShellExecuteA(nullptr, "open", g_context->supportPage.c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
  } else if (id == IDC_RUN_AT_STARTUP) {
    g_context->autorun->Set(CheckState(control) == BST_CHECKED);
  } else if (const Box* box = FindBox(id)) {
    // An auto check box has already changed when its command arrives.
    Write(*g_context->settings, box->setting, CheckState(control));
  }
  // Anything else, Escape's IDCANCEL included, leaves the dialog open.
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_context == nullptr) return FALSE;
  if (message == WM_INITDIALOG) {
    OnInit(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND) OnCommand(dialog, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
  return FALSE;
}

}  // namespace

void RunOptionsDialog(HINSTANCE instance, HWND owner, SettingsStore& settings,
                      const StartupAutorun& autorun, const char* supportUrl) {
  Context context{&settings, &autorun, std::string(supportUrl) + "/messenger/norva.html"};
  g_context = &context;
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_OPTIONS), owner, OptionsProc, 0);
  g_context = nullptr;
}

}  // namespace norva
