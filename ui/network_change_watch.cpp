#include "ui/network_change_watch.h"

#include "app/system_library.h"

namespace norva {
namespace {

// The IP helper is loaded the first time a wait needs it, not at start-up.
using NotifyAddrChangeFn = DWORD(WINAPI*)(PHANDLE, LPOVERLAPPED);
using CancelIPChangeNotifyFn = BOOL(WINAPI*)(LPOVERLAPPED);

struct IpHelper {
  NotifyAddrChangeFn notifyAddrChange = nullptr;
  CancelIPChangeNotifyFn cancelIPChangeNotify = nullptr;
};

const IpHelper& LoadIpHelper() {
  static const IpHelper helper = [] {
    IpHelper h;
    const HMODULE dll = LoadSystemLibrary("iphlpapi.dll");
    FindFunction(dll, "NotifyAddrChange", h.notifyAddrChange);
    FindFunction(dll, "CancelIPChangeNotify", h.cancelIPChangeNotify);
    return h;
  }();
  return helper;
}

}  // namespace

void NetworkChangeWatch::Start(HWND window, UINT message) {
  const IpHelper& ip = LoadIpHelper();
  if (wait_ != nullptr || ip.notifyAddrChange == nullptr || ip.cancelIPChangeNotify == nullptr) {
    return;
  }
  window_ = window;
  message_ = message;
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (overlapped_.hEvent == nullptr) return;
  HANDLE unused = nullptr;  // the system's; never closed by the caller
  if (ip.notifyAddrChange(&unused, &overlapped_) != ERROR_IO_PENDING ||
      !RegisterWaitForSingleObject(&wait_, overlapped_.hEvent, OnChange, this, INFINITE,
                                   WT_EXECUTEONLYONCE)) {
    ip.cancelIPChangeNotify(&overlapped_);
    wait_ = nullptr;
    CloseHandle(overlapped_.hEvent);
    overlapped_.hEvent = nullptr;
  }
}

void NetworkChangeWatch::Stop() {
  if (wait_ == nullptr) return;
  LoadIpHelper().cancelIPChangeNotify(&overlapped_);
  // Waits for a callback under way, so that none runs after this.
  UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
  wait_ = nullptr;
  CloseHandle(overlapped_.hEvent);
  overlapped_.hEvent = nullptr;
}

void CALLBACK NetworkChangeWatch::OnChange(void* self, BOOLEAN) {
  const auto* watch = static_cast<NetworkChangeWatch*>(self);
  PostMessageA(watch->window_, watch->message_, 0, 0);
}

}  // namespace norva
