// Scratch state for the Windows tests: a folder and a registry key of their
// own per test, removed afterwards, and the simulated remote access
// service's state folder pointed at a scratch folder.
#pragma once

#include <windows.h>

#include <string>

namespace norva::testing {

// A fresh folder under the temporary folder; deleted with its contents.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A fresh key path under HKEY_CURRENT_USER (not created); its tree is
// deleted afterwards.
class ScratchKey {
 public:
  ScratchKey();
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Points the simulated service at a scratch state folder (FAKERAS_DIR) and
// a scenario file in it, for the life of the object.
class FakeRasSession {
 public:
  FakeRasSession();
  ~FakeRasSession();
  FakeRasSession(const FakeRasSession&) = delete;
  FakeRasSession& operator=(const FakeRasSession&) = delete;

  const ScratchDir& dir() const { return dir_; }
  std::string Phonebook() const { return dir_.File("norva.pbk"); }
  void SetScenario(const std::string& ini) const;  // replaces the scenario file's text
  std::string CallLog() const;                     // the service's call log so far

 private:
  ScratchDir dir_;
};

bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);  // "" when missing
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace norva::testing
