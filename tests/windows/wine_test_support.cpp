#include "wine_test_support.h"

#include <shellapi.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace norva::testing {
namespace {

std::string UniqueName(const char* prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(GetTickCount());
}

}  // namespace

ScratchDir::ScratchDir() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ = temp + UniqueName("norva-test-");
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
  const std::string from = path_ + '\0';  // a double-NUL-ended list
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&op);
}

ScratchKey::ScratchKey() : path_("Software\\NORVA-test\\" + UniqueName("k")) {}

ScratchKey::~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }

FakeRasSession::FakeRasSession() {
  SetEnvironmentVariableA("FAKERAS_DIR", dir_.path().c_str());
  SetEnvironmentVariableA("FAKERAS_SCENARIO", dir_.File("scenario.ini").c_str());
}

FakeRasSession::~FakeRasSession() {
  SetEnvironmentVariableA("FAKERAS_DIR", nullptr);
  SetEnvironmentVariableA("FAKERAS_SCENARIO", nullptr);
}

void FakeRasSession::SetScenario(const std::string& ini) const {
  WriteFileBytes(dir_.File("scenario.ini"), ini);
}

std::string FakeRasSession::CallLog() const { return ReadFileBytes(dir_.File("calls.log")); }

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace norva::testing
