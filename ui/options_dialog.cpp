#include "ui/options_dialog.h"

#include <shellapi.h>

#include <string>

#include "app/support_log.h"
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

// What the dialog works with; its creation parameter, kept in its user data.
struct Context {
  SettingsStore* settings;
  const StartupAutorun* autorun;
  std::string supportPage;
};

const Context* ContextOf(HWND dialog) {
  return reinterpret_cast<const Context*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

const Box* FindBox(int id) {
  for (const Box& box : kBoxes) {
    if (box.id == id) return &box;
  }
  return nullptr;
}

UINT CheckState(HWND box) { return static_cast<UINT>(SendMessageA(box, BM_GETCHECK, 0, 0)); }

void OnInit(HWND dialog, const Context& context) {
  SendDlgItemMessageA(dialog, IDC_RUN_AT_STARTUP, BM_SETCHECK,
                      context.autorun->IsEnabled() ? BST_CHECKED : BST_UNCHECKED, 0);
  for (const Box& box : kBoxes) {
    // The stored number goes to the box as it is.
    SendDlgItemMessageA(dialog, box.id, BM_SETCHECK, Read(*context.settings, box.setting), 0);
  }
}

void OnCommand(HWND dialog, const Context& context, int id, HWND control) {
  if (id == IDOK) {
    EndDialog(dialog, IDOK);
  } else if (id == IDC_HELP) {
    ShellExecuteA(nullptr, "open", context.supportPage.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else if (id == IDC_RUN_AT_STARTUP) {
    const bool on = CheckState(control) == BST_CHECKED;
    Log("options", std::string("run at startup ") + (on ? "on" : "off"));
    context.autorun->Set(on);
  } else if (const Box* box = FindBox(id)) {
    // An auto check box has already changed when its command arrives.
    Log("options", std::string(box->setting.name) + " = " + std::to_string(CheckState(control)));
    Write(*context.settings, box->setting, CheckState(control));
  }
  // Anything else, Escape's IDCANCEL included, leaves the dialog open.
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    OnInit(dialog, *reinterpret_cast<const Context*>(lParam));
    return TRUE;
  }
  const Context* context = ContextOf(dialog);
  if (context != nullptr && message == WM_COMMAND) {
    OnCommand(dialog, *context, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
  }
  return FALSE;
}

}  // namespace

void RunOptionsDialog(HINSTANCE instance, HWND owner, SettingsStore& settings,
                      const StartupAutorun& autorun, const char* supportUrl) {
  Context context{&settings, &autorun, std::string(supportUrl) + "/messenger/norva.html"};
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_OPTIONS), owner, OptionsProc,
                  reinterpret_cast<LPARAM>(&context));
}

}  // namespace norva
