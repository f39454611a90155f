#pragma once

#include <windows.h>

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

}  // namespace zu
