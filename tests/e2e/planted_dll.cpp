// A DLL that an attacker plants beside the launcher under a system DLL's name:
// when any process loads it, DllMain leaves "<its own path>.loaded" behind.
// Only kernel32, so that nothing else is loaded under the loader lock.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return TRUE;
    }
    ::lstrcatW(path, L".loaded");
    HANDLE marker = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) {
        ::CloseHandle(marker);
    }
    return TRUE;
}
