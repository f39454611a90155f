#pragma once

#include <windows.h>

#include <string>

namespace zu::test {

// Raw registry writes and checks for setting up machine states, independent of
// the launcher's own registry code. view is KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0.
void SetStringValue(HKEY root,
                    const std::wstring& key,
                    REGSAM view,
                    const wchar_t* name,
                    const std::wstring& text,
                    DWORD type = REG_SZ);
void SetDwordValue(HKEY root,
                   const std::wstring& key,
                   REGSAM view,
                   const wchar_t* name,
                   DWORD value);
bool ValueExists(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& key, REGSAM view);
// Deletes key with everything below it; a missing key is fine.
void DeleteKeyTree(HKEY root, const std::wstring& key, REGSAM view);

}  // namespace zu::test
