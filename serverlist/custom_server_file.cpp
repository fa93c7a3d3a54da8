#include "serverlist/custom_server_file.h"

#include "serverlist/custom_server_section.h"

namespace norva {
namespace {

constexpr char kSection[] = "servers";

// Reads the section; returns the characters copied, without the final NUL.
std::size_t ReadSection(const char* path, char (&buffer)[kCustomSectionBytes]) {
  const DWORD n = GetPrivateProfileSectionA(kSection, buffer, sizeof buffer, path);
  return n < sizeof buffer ? n : sizeof buffer - 1;
}

}  // namespace

std::vector<std::string> ReadCustomServerNames(const char* path) {
  char buffer[kCustomSectionBytes];
  const std::size_t n = ReadSection(path, buffer);
  if (n == 0) return {};
  return ParseCustomServerNames(buffer, n);
}

void WriteCustomServer(const char* path, const char* name, const char* address) {
  WritePrivateProfileStringA(kSection, name, address, path);
}

void RemoveCustomServer(const char* path, const char* name) {
  WritePrivateProfileStringA(kSection, name, nullptr, path);
}

bool FirstCustomServerAddress(const char* path, char* destination, std::size_t capacity) {
  char buffer[kCustomSectionBytes];
  const std::size_t n = ReadSection(path, buffer);
  if (n == 0) return false;
  return CopyFirstCustomServerAddress(buffer, n, destination, capacity);
}

}  // namespace norva
