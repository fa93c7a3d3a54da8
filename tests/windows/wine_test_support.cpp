#include "wine_test_support.h"

#include <shellapi.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace norva::testing {
namespace {

std::string UniqueName(const char* prefix) {
  static std::atomic<unsigned> counter{0};
  return std::string(prefix) + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(counter++) + "-" + std::to_string(GetTickCount());
}

void DeleteTree(const std::string& path) {
  // SHFileOperation wants a double-NUL-ended list.
  std::string from = path;
  from.push_back('\0');
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&op);
}

}  // namespace

ScratchDir::ScratchDir() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + UniqueName("norva-test-");
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { DeleteTree(path_); }

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
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace norva::testing
