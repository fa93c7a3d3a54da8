#include "ui/network_change_watch.h"

#include <iphlpapi.h>

namespace norva {

void NetworkChangeWatch::Start(HWND window, UINT message) {
  if (wait_ != nullptr) return;
  window_ = window;
  message_ = message;
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (overlapped_.hEvent == nullptr) return;
  HANDLE unused = nullptr;  // the system's; never closed by the caller
  if (NotifyAddrChange(&unused, &overlapped_) != ERROR_IO_PENDING ||
      !RegisterWaitForSingleObject(&wait_, overlapped_.hEvent, OnChange, this, INFINITE,
                                   WT_EXECUTEONLYONCE)) {
    CancelIPChangeNotify(&overlapped_);
    wait_ = nullptr;
    CloseHandle(overlapped_.hEvent);
    overlapped_.hEvent = nullptr;
  }
}

void NetworkChangeWatch::Stop() {
  if (wait_ == nullptr) return;
  CancelIPChangeNotify(&overlapped_);
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
