#pragma once

#include <windows.h>

namespace zu {

// The maker's care application keeps a state library in its program folder
// below the native Program Files folder. The 64-bit Windows build of the care
// application ships a 32-bit copy of the library for 32-bit callers.
inline constexpr wchar_t kCareStateLibraryTail[] = L"\\Koru\\ZEMI Care\\CheckZCStates.dll";
inline constexpr wchar_t kCareStateLibrary32Tail[] = L"\\Koru\\ZEMI Care\\CheckZCStates32.dll";

// Export of the state library: no arguments; a non-zero low byte of the
// result means the care application is running.
inline constexpr char kCareRunningExport[] = "IsZCRunning";
using CareRunningFunction = int(WINAPI*)();

}  // namespace zu
