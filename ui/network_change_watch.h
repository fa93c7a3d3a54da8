// Tells a window, once, that the computer's network addresses have changed
// (a network joined or left, an adapter back after sleep), through
// NotifyAddrChange. Runs only between Start and Stop.
#pragma once

#include <windows.h>

namespace norva {

class NetworkChangeWatch {
 public:
  NetworkChangeWatch() = default;
  ~NetworkChangeWatch() { Stop(); }
  NetworkChangeWatch(const NetworkChangeWatch&) = delete;
  NetworkChangeWatch& operator=(const NetworkChangeWatch&) = delete;

  // Posts `message` to `window` at the next change. Without the system's
  // notification nothing is posted; a watch under way is kept.
  void Start(HWND window, UINT message);
  void Stop();

 private:
  static void CALLBACK OnChange(void* self, BOOLEAN timedOut);

  HWND window_ = nullptr;
  UINT message_ = 0;
  OVERLAPPED overlapped_{};
  HANDLE wait_ = nullptr;  // the thread pool's wait on overlapped_.hEvent
};

}  // namespace norva
