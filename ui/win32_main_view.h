// MainView over the main window's own controls, its tray icon and the
// program's dialogs and boxes.
#pragma once

#include <windows.h>

#include "ui/main_view.h"
#include "ui/main_window.h"
#include "ui/network_change_watch.h"
#include "ui/tray_icon.h"

namespace norva {

class Win32MainView final : public MainView {
 public:
  Win32MainView(HWND window, const MainWindowContext& context);
  Win32MainView(const Win32MainView&) = delete;
  Win32MainView& operator=(const Win32MainView&) = delete;

  void ShowAccountType(AccountType type) override;
  void ShowTunnelType(VpnType type) override;
  std::optional<VpnType> ChosenTunnelType() override;
  void ShowCredentials(const std::string& userName, const std::string& password) override;
  std::string UserName() override;
  std::string Password() override;
  bool CredentialsEdited() override;
  void ForgetEdits() override;
  void ShowServers(const std::vector<std::string>& locations) override;
  void ChooseServer(int row) override;
  int ChosenServer() override;
  std::string ChosenLocation() override;
  void EnableServerList(bool enabled) override;
  void EnableInputs(bool enabled) override;
  void LabelButton(ButtonLabel label) override;
  void EnableButton(bool enabled) override;
  void ShowStatus(const std::string& text) override;
  void StartDownloadAnimation() override;
  void StopDownloadAnimation() override;
  void ShowWindow() override;
  void RaiseWindow() override;
  void Minimize() override;
  void HideToTray() override;
  bool AddTrayIcon() override;
  void StartTrayRetry() override;
  void StopTrayRetry() override;
  void RemoveTrayIcon() override;
  void ShowTrayWarning(const std::string& title, const std::string& text) override;
  void ShowTrayNotice(const std::string& title, const std::string& text) override;
  void RunTrayMenu() override;
  bool StartLinkWatch() override;
  void StopLinkWatch() override;
  void WaitBeforeRetry(unsigned seconds) override;
  void StopRetryWait() override;
  void StartServerListUpdate() override;
  void ShowBusy() override;
  void EndBusy() override;
  PromptOutcome RunPrompt(PromptKind kind) override;
  void ClosePrompt() override;
  void RunOptions() override;
  void RunServerSettings() override;
  void ShowError(const std::string& text) override;
  void ShowNotice(const std::string& text) override;
  void EndProgram() override;

  // The main window's timers: the link watch, the wait before a try, and
  // the tray icon's retry.
  static constexpr UINT_PTR kLinkWatchTimer = 1;
  static constexpr UINT_PTR kRetryTimer = 2;
  static constexpr UINT_PTR kTrayRetryTimer = 3;

 private:
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  std::string ItemText(int id, int capacity) const;

  HWND window_;
  const MainWindowContext& context_;
  TrayIcon tray_;
  NetworkChangeWatch network_;
  HWND prompt_ = nullptr;      // the countdown prompt while it is open
  HCURSOR beforeBusy_ = nullptr;
};

}  // namespace norva
