#pragma once

#include <windows.h>

#include "platform/scoped_handle.h"

namespace zu {

// Looks up a function of a system DLL that the process has already loaded
// (kernel32, advapi32, shell32, ...) without loading anything: functions that
// Windows XP SP2 lacks are never imported, only looked up here. Returns null
// when the module is not loaded or lacks the function.
FARPROC FindLoadedFunction(const wchar_t* module, const char* name);

template <typename Function>
Function FindLoadedFunctionAs(const wchar_t* module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(FindLoadedFunction(module, name)));
}

// A DLL that is not among those every Windows maps from its own folder
// (wintrust, crypt32, psapi, version, ...), loaded from the system folder by
// full path, never from the launcher's folder, where a planted copy may wait.
// Held for the object's life; make one per DLL, in the one place that uses it.
class SystemLibrary {
  public:
    // Loads file_name ("wintrust.dll") from the system folder. On failure the
    // object holds nothing and Find returns null.
    explicit SystemLibrary(const wchar_t* file_name);

    bool IsLoaded() const { return module_.IsValid(); }

    // The exported function name; null when the DLL did not load or lacks it.
    template <typename Function>
    Function Find(const char* name) const {
        FARPROC found = module_ ? ::GetProcAddress(module_.Get(), name) : nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    }

  private:
    UniqueModule module_;
};

}  // namespace zu
