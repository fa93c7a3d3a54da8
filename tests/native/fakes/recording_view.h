// The main window as the controller sees it: a log of what it was asked to do, in order, and
// the answers a test sets. The prompt and the options dialog run a hook while they are open.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/main_view.h"

namespace norva::testing {

class RecordingView final : public MainView {
 public:
  using Log = std::vector<std::string>;

  // --- What the form holds
  std::string userName = "typed-user";
  std::string password = "typed-pass";
  bool edited = false;
  std::optional<VpnType> tunnelType = VpnType::kPptp;
  std::vector<std::string> servers;  // the listed locations, placeholder row excluded
  int chosenServer = -1;
  bool watchStarts = true;
  int failingTrayAdds = 0;  // adds the shell refuses before it takes one
  PromptOutcome promptOutcome = PromptOutcome::kGoAhead;

  // Run while a modal call is open, before it returns.
  std::function<void(PromptKind)> duringPrompt;
  std::function<void()> duringOptions;
  std::function<void()> duringTrayMenu;
  std::function<void()> duringNotice;  // the box has no owner: the window stays usable

  Log log;

  // The log so far, and a fresh one from here on.
  Log Take() { return std::exchange(log, {}); }

  void ShowAccountType(AccountType type) override {
    Add(type == AccountType::Shared ? "account shared" : "account dedicated");
  }
  void ShowTunnelType(VpnType type) override {
    tunnelType = type;
    Add(type == VpnType::kPptp ? "tunnel PPTP" : "tunnel L2TP");
  }
  std::optional<VpnType> ChosenTunnelType() override { return tunnelType; }
  void ShowCredentials(const std::string& user, const std::string& pass) override {
    Add("credentials " + (userName = user) + " " + (password = pass));
  }
  std::string UserName() override { return userName; }
  std::string Password() override { return password; }
  bool CredentialsEdited() override { return edited; }
  void ForgetEdits() override { edited = false; }
  void ShowServers(const std::vector<std::string>& locations) override {
    servers = locations;
    chosenServer = -1;
    std::string line = "servers";
    for (const std::string& l : locations) line += " " + l;
    Add(line);
  }
  void ChooseServer(int row) override {
    chosenServer = row <= static_cast<int>(servers.size()) ? row : -1;
    Add("choose " + std::to_string(row));
  }
  int ChosenServer() override { return chosenServer; }
  std::string ChosenLocation() override {
    if (chosenServer < 0) return "";
    return chosenServer == 0 ? "choose server..." : servers[chosenServer - 1];
  }
  void EnableServerList(bool on) override { Add(on ? "server list on" : "server list off"); }
  void EnableInputs(bool on) override { Add(on ? "inputs on" : "inputs off"); }
  void LabelButton(ButtonLabel label) override {
    Add(label == ButtonLabel::kConnect ? "label Connect" : "label Disconnect");
  }
  void EnableButton(bool on) override { Add(on ? "button on" : "button off"); }
  void ShowStatus(const std::string& text) override { Add("status " + text); }
  void StartDownloadAnimation() override { Add("animation"); }
  void StopDownloadAnimation() override { Add("animation stop"); }
  void ShowWindow() override { Add("show"); }
  void RaiseWindow() override { Add("raise"); }
  void Minimize() override { Add("minimize"); }
  void HideToTray() override { Add("hide"); }
  bool AddTrayIcon() override {
    Add(failingTrayAdds > 0 ? "tray add failed" : "tray add");
    return failingTrayAdds-- <= 0;
  }
  void StartTrayRetry() override { Add("tray retry"); }
  void StopTrayRetry() override { Add("tray retry stop"); }
  void RemoveTrayIcon() override { Add("tray remove"); }
  void ShowTrayWarning(const std::string& title, const std::string& text) override {
    Add("tray warning " + title + ": " + text);
  }
  void ShowTrayNotice(const std::string& title, const std::string& text) override {
    Add("tray notice " + title + ": " + text);
  }
  void RunTrayMenu() override {
    Add("tray menu");
    if (duringTrayMenu) duringTrayMenu();
  }
  bool StartLinkWatch() override {
    Add("watch");
    return watchStarts;
  }
  void StopLinkWatch() override { Add("watch stop"); }
  void WaitBeforeRetry(unsigned seconds) override { Add("wait " + std::to_string(seconds)); }
  void StopRetryWait() override { Add("wait stop"); }
  void StartServerListUpdate() override { Add("updater"); }
  void ShowBusy() override { Add("busy"); }
  void EndBusy() override { Add("busy end"); }
  PromptOutcome RunPrompt(PromptKind kind) override {
    Add(kind == PromptKind::kAutoConnect ? "prompt auto connect" : "prompt reconnect");
    if (duringPrompt) duringPrompt(kind);
    return promptOutcome;
  }
  void ClosePrompt() override { Add("prompt closed"); }
  void RunOptions() override {
    Add("options");
    if (duringOptions) duringOptions();
  }
  void RunServerSettings() override { Add("server settings"); }
  void ShowError(const std::string& text) override { Add("error " + text); }
  void ShowNotice(const std::string& text) override {
    Add("notice " + text);
    if (duringNotice) duringNotice();
  }
  void EndProgram() override { Add("end"); }

 private:
  void Add(std::string line) { log.push_back(std::move(line)); }
};

}  // namespace norva::testing
