#include "serverlist/server_list_update.h"

#include "app/support_log.h"
#include "serverlist/server_catalog.h"
#include "settings/setting_names.h"

namespace norva {

namespace {

bool IsAtoiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string SiteFileUrl(const char* siteUrl, const char* path) {
  std::string url(siteUrl);
  while (!url.empty() && url.back() == '/') url.pop_back();
  url += path;
  return url;
}

std::uint32_t ParseVersion(const char* bytes, std::size_t size) {
  std::size_t i = 0;
  while (i < size && IsAtoiSpace(bytes[i])) ++i;
  bool negative = false;
  if (i < size && (bytes[i] == '+' || bytes[i] == '-')) {
    negative = bytes[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < size && IsDigit(bytes[i]); ++i) {
    value = value * 10u + static_cast<std::uint32_t>(bytes[i] - '0');
  }
  return negative ? 0u - value : value;
}

bool ParseContentLength(const char* text, std::uint64_t* length) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (!IsDigit(*p)) return false;
  std::uint64_t value = 0;
  for (; IsDigit(*p); ++p) {
    const std::uint64_t digit = static_cast<std::uint64_t>(*p - '0');
    if (value > (UINT64_MAX - digit) / 10u) return false;
    value = value * 10u + digit;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '\0') return false;
  *length = value;
  return true;
}

std::uint32_t FetchServerListVersion(InternetClient& internet, const char* siteUrl) {
  const std::string url = SiteFileUrl(siteUrl, kVersionPath);
  std::unique_ptr<InternetResponse> response = internet.Open(url.c_str(), InternetRequest::kVersion);
  if (!response) return 0;
  if (response->StatusCode() != 200) return 0;

  char buffer[kVersionReadSize + 1];
  std::uint32_t read = 0;
  if (!response->Read(buffer, kVersionReadSize, &read)) return 0;
  if (read < 1 || read > kMaxVersionBytes) return 0;
  buffer[read] = '\0';
  return ParseVersion(buffer, read);
}

bool DownloadServerList(InternetClient& internet, ServerListFile& file, const char* siteUrl) {
  const std::string url = SiteFileUrl(siteUrl, kServerListPath);
  std::unique_ptr<InternetResponse> response =
      internet.Open(url.c_str(), InternetRequest::kServerList);
  if (!response) return false;
  if (response->StatusCode() != 200) return false;

  std::uint64_t announced = 0;
  const bool hasLength = response->ContentLength(&announced);
  if (hasLength && announced > kMaxServerListBytes) return false;

  if (!file.Begin()) return false;

  char chunk[kListChunkSize];
  std::uint64_t total = 0;
  for (;;) {
    std::uint32_t read = 0;
    if (!response->Read(chunk, kListChunkSize, &read) || read > kListChunkSize) {
      file.Discard();
      return false;
    }
    if (read == 0) break;
    total += read;
    if (total > kMaxServerListBytes || !file.Write(chunk, read)) {
      file.Discard();
      return false;
    }
  }
  response.reset();  // the connection is no longer needed

  // WinINet reports a body cut short as an ordinary end, so a body that
  // differs from what the server announced is taken as broken off, and so is
  // one (announced or not) that is not a whole list.
  if ((hasLength && total != announced) || !IsWholeServerList(file.DownloadPath())) {
    file.Discard();
    return false;
  }
  return file.Commit();
}

bool UpdateServerList(InternetClient& internet, ServerListFile& file, SettingsStore& settings,
                      const char* siteUrl) {
  const std::uint32_t published = FetchServerListVersion(internet, siteUrl);
  // The stored version describes the stored list; without one, any
  // published list is newer.
  const std::uint32_t stored = file.Exists() ? Read(settings, setting::kServerFile) : 0;
  Log("list", "published version " + std::to_string(published) + ", stored version " +
                  std::to_string(stored));
  // A failed fetch gives 0, which is never higher than anything stored.
  if (published <= stored) return false;
  const bool downloaded = DownloadServerList(internet, file, siteUrl);
  Log("list", downloaded ? "servers.xml stored" : "servers.xml not stored");
  if (downloaded) Write(settings, setting::kServerFile, published);
  return downloaded;
}

}  // namespace norva
