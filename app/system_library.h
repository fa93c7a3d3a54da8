// DLLs that only some work needs are loaded when it first does, and only
// from the system folder, never from the program's or the current folder.
#pragma once

#include <windows.h>

namespace norva {

// `name` ("wininet.dll") from the system folder; nullptr when it cannot be
// loaded.
HMODULE LoadSystemLibrary(const char* name);

// Looks up `name` in `module` as a function of the type of `function`;
// false (and `function` null) when it is not there.
template <typename Function>
bool FindFunction(HMODULE module, const char* name, Function& function) {
  // Through void*: GetProcAddress's type fits no function.
  function = module == nullptr ? nullptr
                               : reinterpret_cast<Function>(
                                     reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

}  // namespace norva
