// InternetClient over WinINet.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "serverlist/server_list_update.h"

namespace norva {

// Owns one HINTERNET (session or request) and closes it when it goes.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~InternetHandle() { Reset(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(HINTERNET handle = nullptr);
  // Gives the handle up without closing it.
  HINTERNET Release() {
    HINTERNET handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HINTERNET handle_;
};

// Each Open makes a session of its own with InternetOpenA (no user agent,
// direct connection, no proxy) and requests the URL with InternetOpenUrlA.
//
// Both requests pass INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE:
// WinINet would otherwise answer version.txt from its cache and the program
// might never see a newer version. The list request adds
// INTERNET_FLAG_KEEP_CONNECTION.
//
// Connecting, sending and each wait for data give up after kTimeoutMs.
class WinInetClient : public InternetClient {
 public:
  static constexpr DWORD kTimeoutMs = 30000;

  std::unique_ptr<InternetResponse> Open(const char* url, InternetRequest what) override;

  // The flags Open passes to InternetOpenUrlA for a request.
  static DWORD RequestFlags(InternetRequest what);
};

}  // namespace norva
