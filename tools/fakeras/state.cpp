// Text, INI, file, environment and log helpers of the simulated service.
#include "fakeras.h"

#include <cstdio>
#include <cstdlib>

namespace fakeras {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool NeedsQuotes(const std::string& value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return true;
  return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

std::string EnvironmentValue(const char* name) {
  std::vector<char> buffer(512);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n + 1);
  }
  return std::string();
}

// The folder this DLL was loaded from.
std::string ModuleFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ModuleFolder), &module)) {
    return std::string();
  }
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return ParentFolder(std::string(path, n));
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::size_t BoundedLength(const char* text, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && text[n] != '\0') ++n;
  return n;
}

std::string ArgText(const char* text) {
  // Arguments are NUL-terminated by contract; the bound only keeps a broken
  // caller from sending us through all of memory.
  return text ? std::string(text, BoundedLength(text, 32767)) : std::string();
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

std::string Decimal(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
  return text;
}

std::uint32_t ParseNumber(const std::string& text, std::uint32_t fallback) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return fallback;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(trimmed.c_str(), &end, 0);
  if (end == trimmed.c_str() || *end != '\0') return fallback;
  return static_cast<std::uint32_t>(value);
}

std::string FormatGuid(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

bool ParseGuid(const std::string& text, GUID& out) {
  unsigned long d1 = 0;
  unsigned d2 = 0, d3 = 0, b[8] = {};
  int used = 0;
  if (std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &d1, &d2, &d3, &b[0],
                  &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &used) != 11 ||
      used != 38 || text.size() != 38) {
    return false;
  }
  out.Data1 = d1;
  out.Data2 = static_cast<unsigned short>(d2);
  out.Data3 = static_cast<unsigned short>(d3);
  for (int i = 0; i < 8; ++i) out.Data4[i] = static_cast<unsigned char>(b[i]);
  return true;
}

std::uint64_t NowMs() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks / 10000;
}

// ---------------------------------------------------------------------------

std::optional<std::string> FindKey(const IniSection& section, const std::string& key) {
  for (const auto& entry : section.keys) {
    if (EqualsNoCase(entry.first, key)) return entry.second;
  }
  return std::nullopt;
}

IniDocument IniDocument::Parse(const std::string& text) {
  IniDocument doc;
  IniSection* current = nullptr;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const std::size_t close = line.rfind(']');
      const std::string name =
          Trim(close == std::string::npos || close == 0 ? line.substr(1) : line.substr(1, close - 1));
      current = &doc.Ensure(name);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!current || equals == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, equals));
    std::string value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (key.empty() || FindKey(*current, key)) continue;
    current->keys.emplace_back(key, value);
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string text;
  for (const auto& section : sections_) {
    if (!text.empty()) text += "\r\n";
    text += "[" + section.name + "]\r\n";
    for (const auto& entry : section.keys) {
      text += entry.first;
      text += '=';
      text += NeedsQuotes(entry.second) ? "\"" + entry.second + "\"" : entry.second;
      text += "\r\n";
    }
  }
  return text;
}

const IniSection* IniDocument::Find(const std::string& section) const {
  for (const auto& s : sections_) {
    if (EqualsNoCase(s.name, section)) return &s;
  }
  return nullptr;
}

IniSection& IniDocument::Ensure(const std::string& section) {
  for (auto& s : sections_) {
    if (EqualsNoCase(s.name, section)) return s;
  }
  sections_.push_back(IniSection{section, {}});
  return sections_.back();
}

void IniDocument::RemoveSection(const std::string& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (EqualsNoCase(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

std::optional<std::string> IniDocument::Get(const std::string& section, const std::string& key) const {
  const IniSection* s = Find(section);
  return s ? FindKey(*s, key) : std::nullopt;
}

std::string IniDocument::GetText(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  return Get(section, key).value_or(fallback);
}

std::uint32_t IniDocument::GetNumber(const std::string& section, const std::string& key,
                                     std::uint32_t fallback) const {
  const auto value = Get(section, key);
  return value ? ParseNumber(*value, fallback) : fallback;
}

void IniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
  IniSection& s = Ensure(section);
  for (auto& entry : s.keys) {
    if (EqualsNoCase(entry.first, key)) {
      entry.second = value;
      return;
    }
  }
  s.keys.emplace_back(key, value);
}

void IniDocument::RemoveKey(const std::string& section, const std::string& key) {
  for (auto& s : sections_) {
    if (!EqualsNoCase(s.name, section)) continue;
    for (auto it = s.keys.begin(); it != s.keys.end(); ++it) {
      if (EqualsNoCase(it->first, key)) {
        s.keys.erase(it);
        return;
      }
    }
    return;
  }
}

// ---------------------------------------------------------------------------

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadFileText(const std::string& path, std::string& out) {
  out.clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    out.append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

namespace {

bool WriteAll(HANDLE file, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(text.size() - done > 65536 ? 65536 : text.size() - done);
    if (!WriteFile(file, text.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

}  // namespace

bool WriteFileText(const std::string& path, const std::string& text) {
  if (!CreateFolders(ParentFolder(path))) return false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = WriteAll(file, text);
  CloseHandle(file);
  return ok;
}

bool AppendFileText(const std::string& path, const std::string& text) {
  if (!CreateFolders(ParentFolder(path))) return false;
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = WriteAll(file, text);
  CloseHandle(file);
  return ok;
}

bool CreateFolders(const std::string& folder) {
  if (folder.empty()) return true;
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::string parent = ParentFolder(folder);
  if (!parent.empty() && parent != folder && !CreateFolders(parent)) return false;
  return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  if (slash == 2 && path[1] == ':') {
    // "C:\name" lies in the root "C:\", which itself has no parent.
    return path.size() > 3 ? path.substr(0, 3) : std::string();
  }
  return path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const char* name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return (last == '\\' || last == '/') ? folder + name : folder + "\\" + name;
}

std::string FullPath(const std::string& path) {
  if (path.empty()) return path;
  std::vector<char> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return path;
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n + 1);
  }
  return path;
}

// ---------------------------------------------------------------------------

Context LoadContext() {
  Context context;
  context.stateDir = EnvironmentValue("FAKERAS_DIR");
  if (context.stateDir.empty()) context.stateDir = ModuleFolder();
  std::string scenarioPath = EnvironmentValue("FAKERAS_SCENARIO");
  if (scenarioPath.empty()) scenarioPath = context.StatePath("scenario.ini");
  std::string text;
  if (ReadFileText(scenarioPath, text)) context.scenario = IniDocument::Parse(text);
  return context;
}

StateLock::StateLock() : mutex_(CreateMutexA(nullptr, FALSE, "Local\\norva-fakeras")) {
  // An abandoned mutex (a test process killed mid-call) is ours all the same.
  if (mutex_ && WaitForSingleObject(mutex_, INFINITE) == WAIT_FAILED) {
    CloseHandle(mutex_);
    mutex_ = nullptr;
  }
}

StateLock::~StateLock() {
  if (mutex_) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
}

void AppendLog(const std::string& stateDir, const std::string& line) {
  StateLock lock;
  AppendFileText(JoinPath(stateDir, "calls.log"), line + "\r\n");
}

Call::Call(const char* function) : function_(function), context_(LoadContext()) {}

void Call::Text(const char* key, const std::string& value) {
  fields_ += ' ';
  fields_ += key;
  fields_ += "=\"";
  fields_ += value;
  fields_ += '"';
}

void Call::Number(const char* key, std::uint64_t value) {
  fields_ += ' ';
  fields_ += key;
  fields_ += '=';
  fields_ += Decimal(value);
}

void Call::HexNumber(const char* key, std::uint64_t value) {
  fields_ += ' ';
  fields_ += key;
  fields_ += '=';
  fields_ += Hex(value);
}

std::optional<DWORD> Call::Fault(const char* alias) const {
  auto result = context_.scenario.Get(function_, "result");
  if (!result && alias) result = context_.scenario.Get(alias, "result");
  if (!result) return std::nullopt;
  return ParseNumber(*result, 0);
}

DWORD Call::Finish(DWORD result) {
  AppendLog(context_.stateDir, std::string(function_) + fields_ + " -> " + Decimal(result));
  return result;
}

}  // namespace fakeras
