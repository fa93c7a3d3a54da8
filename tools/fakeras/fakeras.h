// Internals shared by the sources of the simulated remote access service.
//
// Every source of the DLL includes this header first. The build asks for the
// Windows 7 headers everywhere, but the service hands out the Windows XP
// record layouts, so the version macros are reset here, before <windows.h>.
#pragma once

#ifdef _WINDOWS_
#error "fakeras.h must come before <windows.h>"
#endif
#undef WINVER
#undef _WIN32_WINNT
#undef NTDDI_VERSION
#define WINVER 0x0501
#define _WIN32_WINNT 0x0501
#define NTDDI_VERSION 0x05010000

#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The record sizes the service accepts in dwSize. The 32-bit ones are those
// the program is written against; the 64-bit ones differ only where a
// pointer-sized member grows the record.
#ifdef _WIN64
static_assert(sizeof(RASENTRYA) == 2884, "RASENTRYA layout");
static_assert(sizeof(RASDIALPARAMSA) == 1064, "RASDIALPARAMSA layout");
static_assert(sizeof(RASCREDENTIALSA) == 540, "RASCREDENTIALSA layout");
static_assert(sizeof(RASCONNA) == 708, "RASCONNA layout");
static_assert(sizeof(RASCONNSTATUSA) == 288, "RASCONNSTATUSA layout");
#else
static_assert(sizeof(RASENTRYA) == 2884, "RASENTRYA layout");
static_assert(sizeof(RASDIALPARAMSA) == 1060, "RASDIALPARAMSA layout");
static_assert(sizeof(RASCREDENTIALSA) == 540, "RASCREDENTIALSA layout");
static_assert(sizeof(RASCONNA) == 704, "RASCONNA layout");
static_assert(sizeof(RASCONNSTATUSA) == 288, "RASCONNSTATUSA layout");
#endif

namespace fakeras {

// ---------------------------------------------------------------------------
// Text helpers. Nothing is ever written past a fixed field.

bool EqualsNoCase(const std::string& a, const std::string& b);

// Length of `text`, looking at no more than `capacity` characters.
std::size_t BoundedLength(const char* text, std::size_t capacity);

// A caller's NUL-terminated argument (empty for NULL).
std::string ArgText(const char* text);

// A caller's fixed text field, which may lack its terminating NUL.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, BoundedLength(field, N));
}

// Copies `text` into a fixed field, cut to N - 1 characters and terminated.
template <std::size_t N>
void PutText(char (&field)[N], const std::string& text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

bool HasLineBreak(const std::string& text);

std::string Hex(std::uint64_t value);    // "0x1F"
std::string Hex8(std::uint32_t value);   // "0x0000001F"
std::string Decimal(std::uint64_t value);
// Parses a number in any base ("0x10", "16", "020"); `fallback` when empty
// or not a number.
std::uint32_t ParseNumber(const std::string& text, std::uint32_t fallback);

std::string FormatGuid(const GUID& guid);
bool ParseGuid(const std::string& text, GUID& out);

// Milliseconds of wall-clock time; comparable across processes.
std::uint64_t NowMs();

// ---------------------------------------------------------------------------
// INI documents: sections and keys keep their order, names compare without
// regard to case, the first of duplicate names wins. Values with surrounding
// blanks or quotes are written quoted.

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
};

class IniDocument {
 public:
  static IniDocument Parse(const std::string& text);
  std::string Serialize() const;

  const IniSection* Find(const std::string& section) const;
  IniSection& Ensure(const std::string& section);
  void RemoveSection(const std::string& section);

  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  std::string GetText(const std::string& section, const std::string& key,
                      const std::string& fallback = std::string()) const;
  std::uint32_t GetNumber(const std::string& section, const std::string& key,
                          std::uint32_t fallback = 0) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  void RemoveKey(const std::string& section, const std::string& key);

  const std::vector<IniSection>& Sections() const { return sections_; }

 private:
  std::vector<IniSection> sections_;
};

std::optional<std::string> FindKey(const IniSection& section, const std::string& key);

// ---------------------------------------------------------------------------
// Files.

bool FileExists(const std::string& path);
bool ReadFileText(const std::string& path, std::string& out);
// Replaces the file, creating its folders first.
bool WriteFileText(const std::string& path, const std::string& text);
bool AppendFileText(const std::string& path, const std::string& text);
bool CreateFolders(const std::string& folder);
std::string ParentFolder(const std::string& path);
std::string JoinPath(const std::string& folder, const char* name);
// Absolute form of a path, so that one phonebook has one name.
std::string FullPath(const std::string& path);

// ---------------------------------------------------------------------------
// The state of one call: where the state files are and the scenario in force,
// both read afresh at every call.

struct Context {
  std::string stateDir;
  IniDocument scenario;
  std::string StatePath(const char* name) const { return JoinPath(stateDir, name); }
};

Context LoadContext();

// Cross-process lock over the state files and phonebooks. Recursive within a
// thread, like the mutex behind it.
class StateLock {
 public:
  StateLock();
  ~StateLock();
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;

 private:
  HANDLE mutex_;
};

// Appends one line (without its line end) to calls.log in `stateDir`.
void AppendLog(const std::string& stateDir, const std::string& line);

// One exported call: collects the key=value fields of its log line, knows
// the scenario's generic fault for the function and writes the log line when
// the call ends.
class Call {
 public:
  explicit Call(const char* function);

  const Context& context() const { return context_; }
  const IniDocument& scenario() const { return context_.scenario; }

  void Text(const char* key, const std::string& value);   // key="value"
  void Number(const char* key, std::uint64_t value);      // key=123
  void HexNumber(const char* key, std::uint64_t value);   // key=0x7B

  // The code of [<function>] result=, or of [<alias>] result= when given.
  std::optional<DWORD> Fault(const char* alias = nullptr) const;

  DWORD Finish(DWORD result);

 private:
  const char* function_;
  Context context_;
  std::string fields_;
};

// Runs the body of an exported call under the state lock; a failed
// allocation becomes ERROR_NOT_ENOUGH_MEMORY, and nothing escapes.
template <typename Body>
DWORD RunCall(const char* function, Body&& body) noexcept {
  try {
    StateLock lock;
    Call call(function);
    DWORD result;
    try {
      result = body(call);
    } catch (...) {
      result = ERROR_NOT_ENOUGH_MEMORY;
    }
    return call.Finish(result);
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

// ---------------------------------------------------------------------------
// Phonebooks.

// Loads the phonebook and finds the entry: 0, ERROR_CANNOT_OPEN_PHONEBOOK
// (no path, the default phonebook, or no file) or
// ERROR_CANNOT_FIND_PHONEBOOK_ENTRY.
DWORD OpenEntry(const std::string& phonebook, const std::string& entry, IniDocument& book,
                const IniSection*& section);

// What RasGetCredentialsA and RasGetEntryDialParamsA hand out in place of a
// saved password: 16 characters, which RasDialA and RasSetCredentialsA take
// for "the password saved for the entry".
extern const char kSavedPasswordHandle[];

// The password saved for the entry (named as in the phonebook), if any.
std::optional<std::string> SavedPassword(const Context& context, const std::string& phonebook,
                                         const std::string& entry);

}  // namespace fakeras
