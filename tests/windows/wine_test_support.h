// Scratch state for the Windows tests: a folder and a registry key per test, removed afterwards,
// and the simulated service's state folder.
#pragma once

#include <windows.h>

#include <string>

namespace norva::testing {

bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);  // "" when missing
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string Env(const char* name);           // "<no NAME>" when unset
std::string ProgramPath();                   // this program's own file
std::string UniqueName(const char* prefix);  // never the same twice on this machine

struct NoCopy {
  NoCopy() = default;
  NoCopy(const NoCopy&) = delete;
  NoCopy& operator=(const NoCopy&) = delete;
};

// A fresh folder under the temporary folder; deleted with its contents.
class ScratchDir : NoCopy {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A fresh key path under HKEY_CURRENT_USER (not created); its tree is deleted afterwards.
class ScratchKey : NoCopy {
 public:
  ~ScratchKey();
  const std::string& path() const { return path_; }

 private:
  std::string path_ = "Software\\NORVA-test\\" + UniqueName("k");
};

// Points the simulated service at a scratch folder (FAKERAS_DIR) and its scenario file.
class FakeRasSession : NoCopy {
 public:
  FakeRasSession();
  ~FakeRasSession();
  const ScratchDir& dir() const { return dir_; }
  std::string Phonebook() const { return dir_.File("norva.pbk"); }
  void SetScenario(const std::string& ini) const { WriteFileBytes(dir_.File("scenario.ini"), ini); }
  std::string CallLog() const { return ReadFileBytes(dir_.File("calls.log")); }  // so far

 private:
  ScratchDir dir_;
};

}  // namespace norva::testing
