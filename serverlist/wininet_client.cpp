#include "serverlist/wininet_client.h"

#include <string>

#include "app/support_log.h"
#include "app/system_library.h"

namespace norva {
namespace {

// The request's file, as the log names it.
const char* FileName(InternetRequest what) {
  return what == InternetRequest::kVersion ? "version.txt" : "servers.xml";
}

// "file: WinINet error N at step", with GetLastError's code.
void LogError(InternetRequest what, const char* step) {
  const DWORD error = GetLastError();
  Log("list", std::string(FileName(what)) + ": WinINet error " + std::to_string(error) + " at " +
                  step);
}

// WinINet serves only the server list's worker, so it is not among the
// program's imports: the loader would load it, and the DLLs it needs, before
// the window could show. The first request loads it, from the system folder.
struct WinInet {
  decltype(&InternetOpenA) open;
  decltype(&InternetOpenUrlA) openUrl;
  decltype(&InternetSetOptionA) setOption;
  decltype(&HttpQueryInfoA) queryInfo;
  decltype(&InternetReadFile) read;
  decltype(&InternetCloseHandle) close;
};

// WinINet's functions, or null when it cannot be had.
const WinInet* Api() {
  static WinInet api;
  static const bool loaded = [] {
    const HMODULE m = LoadSystemLibrary("wininet.dll");
    return FindFunction(m, "InternetOpenA", api.open) &&
           FindFunction(m, "InternetOpenUrlA", api.openUrl) &&
           FindFunction(m, "InternetSetOptionA", api.setOption) &&
           FindFunction(m, "HttpQueryInfoA", api.queryInfo) &&
           FindFunction(m, "InternetReadFile", api.read) &&
           FindFunction(m, "InternetCloseHandle", api.close);
  }();
  return loaded ? &api : nullptr;
}

}  // namespace

void InternetHandle::Reset(HINTERNET handle) {
  if (handle_ != nullptr) Api()->close(handle_);  // a handle means WinINet is there
  handle_ = handle;
}

namespace {

class WinInetResponse : public InternetResponse {
 public:
  WinInetResponse(HINTERNET session, HINTERNET request, InternetRequest what)
      : session_(session), request_(request), what_(what) {}
  ~WinInetResponse() override {
    Log("list", std::string(FileName(what_)) + ": " + std::to_string(received_) +
                    " bytes received");
    request_.Reset();  // the request before its session
    session_.Reset();
  }

  std::uint32_t StatusCode() override {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!Api()->queryInfo(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      LogError(what_, "HttpQueryInfoA");
      return 0;
    }
    Log("list", std::string(FileName(what_)) + ": HTTP " + std::to_string(status));
    return status;
  }

  bool ContentLength(std::uint64_t* length) override {
    char text[32];
    DWORD size = sizeof text;
    if (!Api()->queryInfo(request_.get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
      if (GetLastError() == ERROR_HTTP_HEADER_NOT_FOUND) return false;
      *length = kUnreadableLength;  // there is one, but not one we can use
      return true;
    }
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    if (!ParseContentLength(text, length)) *length = kUnreadableLength;
    return true;
  }

  bool Read(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    DWORD got = 0;
    const BOOL ok = Api()->read(request_.get(), buffer, size, &got);
    if (!ok) LogError(what_, "InternetReadFile");
    *read = got;
    received_ += got;
    return ok != FALSE;
  }

 private:
  InternetHandle session_;
  InternetHandle request_;
  InternetRequest what_;
  std::uint64_t received_ = 0;
};

// A site that stops answering must not keep the worker, and with it the
// main window's server list, waiting for ever.
void SetTimeouts(HINTERNET handle) {
  DWORD ms = WinInetClient::kTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    Api()->setOption(handle, option, &ms, sizeof ms);
  }
}

}  // namespace

DWORD WinInetClient::RequestFlags(InternetRequest what) {
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (what == InternetRequest::kServerList) flags |= INTERNET_FLAG_KEEP_CONNECTION;
  return flags;
}

std::unique_ptr<InternetResponse> WinInetClient::Open(const char* url, InternetRequest what) {
  const WinInet* api = Api();
  if (api == nullptr) {
    LogError(what, "loading wininet.dll");
    return nullptr;
  }
  InternetHandle session(api->open(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) {
    LogError(what, "InternetOpenA");
    return nullptr;
  }
  SetTimeouts(session.get());
  InternetHandle request(
      api->openUrl(session.get(), url, nullptr, 0, RequestFlags(what), 0));
  if (!request) {
    LogError(what, "InternetOpenUrlA");
    return nullptr;
  }
  SetTimeouts(request.get());  // again: not every WinINet hands the session's on
  // The response owns both handles from here on.
  HINTERNET sessionHandle = session.Release();
  return std::make_unique<WinInetResponse>(sessionHandle, request.Release(), what);
}

}  // namespace norva
