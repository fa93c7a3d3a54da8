// Keeping servers.xml current: once per run, ask the provider's web site for
// the published version of the server list and download the list when that
// version is higher than the one stored with the setting `serverfile`.
//
// The logic here knows no platform. It talks to the web through
// InternetClient and writes the list through ServerListFile; the Windows
// implementations are WinInetClient (wininet_client.h) and
// ReplacingServerListFile (server_list_file.h), and tests use fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "settings/settings_store.h"

namespace norva {

// Paths on the provider's site, appended to the site URL (scheme://host[:port]).
inline constexpr char kVersionPath[] = "/serverlist/version.txt";
inline constexpr char kServerListPath[] = "/serverlist/servers.xml";

// version.txt counts only when one read gives 1 to 7 bytes; the read asks for
// at most kVersionReadSize bytes.
inline constexpr std::uint32_t kVersionReadSize = 100;
inline constexpr std::uint32_t kMaxVersionBytes = 7;

// The list is copied in chunks of this size; no more of it is ever held.
inline constexpr std::uint32_t kListChunkSize = 512;

// A list larger than this is refused (the provider's list is a few kilobytes;
// anything this big is not a server list). 4 MiB.
inline constexpr std::uint64_t kMaxServerListBytes = 4u * 1024u * 1024u;

// One HTTP response, open for reading. Destroying it closes the request and
// the session it came from.
class InternetResponse {
 public:
  virtual ~InternetResponse() = default;
  // The HTTP status code, 0 when it cannot be had.
  virtual std::uint32_t StatusCode() = 0;
  // True with the Content-Length when the server sent one. A header that is
  // not a plain decimal number is reported as kUnreadableLength, which is
  // larger than any acceptable list.
  virtual bool ContentLength(std::uint64_t* length) = 0;
  // Reads up to `size` bytes of the body into `buffer` and sets *read to the
  // number read (never more than `size`). False on failure; true with *read 0
  // at the end of the body. A connection that breaks off may also look like
  // the end of the body, which is why ContentLength exists.
  virtual bool Read(char* buffer, std::uint32_t size, std::uint32_t* read) = 0;
};

inline constexpr std::uint64_t kUnreadableLength = UINT64_MAX;

enum class InternetRequest {
  kVersion,     // version.txt
  kServerList,  // servers.xml; the connection may be kept for reuse
};

// Makes HTTP(S) requests, each in a session of its own.
class InternetClient {
 public:
  virtual ~InternetClient() = default;
  // Opens a session and requests `url` (no extra headers). Null when the
  // session or the request cannot be opened; nothing is left open then.
  virtual std::unique_ptr<InternetResponse> Open(const char* url, InternetRequest what) = 0;
};

// Where a downloaded list goes. A download is written aside and takes the
// place of the stored list only on Commit, so a failed download never harms
// the list that is already there.
class ServerListFile {
 public:
  virtual ~ServerListFile() = default;
  // Whether a stored list is there.
  virtual bool Exists() = 0;
  // Starts a new download with an empty file beside the stored list.
  // False when it cannot be created; nothing is left behind then.
  virtual bool Begin() = 0;
  // Appends exactly `size` bytes. False on failure.
  virtual bool Write(const char* data, std::uint32_t size) = 0;
  // The file the download is written to; it can be read while it is open.
  virtual std::string DownloadPath() = 0;
  // Puts the download in place of the stored list. False when that fails; the
  // stored list is then as it was and the download is removed.
  virtual bool Commit() = 0;
  // Throws the download away; the stored list is untouched.
  virtual void Discard() = 0;
};

// "site" + path, with no doubled slash when the site URL ends in one.
std::string SiteFileUrl(const char* siteUrl, const char* path);

// Reads version.txt the way atoi reads text: white space (space, \t, \n, \v,
// \f, \r) is skipped, then one optional sign, then decimal digits up to the
// first other byte; no digits give 0. The signed result is taken as an
// unsigned 32-bit number, so "-1" is 4294967295. Arithmetic is modulo 2^32;
// the seven bytes that the fetch accepts cannot overflow anyway.
std::uint32_t ParseVersion(const char* bytes, std::size_t size);

// Reads a Content-Length header value: decimal digits only, optionally
// surrounded by spaces or tabs. False for anything else or an overflow.
bool ParseContentLength(const char* text, std::uint64_t* length);

// The published version: 0 when the request fails, the status is not 200, or
// the one read fails or gives 0 or more than 7 bytes.
std::uint32_t FetchServerListVersion(InternetClient& internet, const char* siteUrl);

// Downloads servers.xml into `file`. True only when the list was stored: the
// status was 200, the body stayed within kMaxServerListBytes, came whole (as
// long as Content-Length said, when it was sent), every chunk was written,
// what was written is a whole server list (IsWholeServerList: a connection
// that closes part-way through a body without Content-Length looks like its
// end) and the file was committed. Otherwise the download is discarded and
// the stored list stays as it was.
bool DownloadServerList(InternetClient& internet, ServerListFile& file, const char* siteUrl);

// The updater's whole run: fetch the published version, read the stored one
// (setting `serverfile`, default 1; 0 when no list is there, so that a list
// that went missing is fetched again), and when the published one is higher
// (unsigned) download the list; only a stored list makes the published
// version the stored one. Returns whether a new list was stored, which is the
// wParam of WM_SERVERLIST_DONE.
bool UpdateServerList(InternetClient& internet, ServerListFile& file, SettingsStore& settings,
                      const char* siteUrl);

}  // namespace norva
