#include "wine_test_support.h"

#include <shellapi.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace norva::testing {

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "<no " + std::string(name) + ">";
}

std::string ProgramPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return self;
}

std::string UniqueName(const char* prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(GetTickCount());
}

ScratchDir::ScratchDir() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ = temp + UniqueName("norva-test-");
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
  const std::string from = path_ + '\0';  // a double-NUL-ended list
  SHFILEOPSTRUCTA op = {nullptr, FO_DELETE, from.c_str(), nullptr,
                        FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT, FALSE, nullptr, nullptr};
  SHFileOperationA(&op);
}

ScratchKey::~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }

FakeRasSession::FakeRasSession() {
  SetEnvironmentVariableA("FAKERAS_DIR", dir_.path().c_str());
  SetEnvironmentVariableA("FAKERAS_SCENARIO", dir_.File("scenario.ini").c_str());
}

FakeRasSession::~FakeRasSession() {
  SetEnvironmentVariableA("FAKERAS_DIR", nullptr);
  SetEnvironmentVariableA("FAKERAS_SCENARIO", nullptr);
}

}  // namespace norva::testing
