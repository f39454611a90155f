#pragma once

#include <windows.h>

#include <string>

namespace zu::standin {

// Registry changes the way the maker's setups and tools make them. view is
// KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0 (the process's own view). Each returns
// false when the change could not be made; a missing key or value to delete
// counts as done.

bool SetStringValue(HKEY root,
                    const std::wstring& key,
                    REGSAM view,
                    const std::wstring& name,
                    const std::wstring& data);
bool SetDwordValue(HKEY root,
                   const std::wstring& key,
                   REGSAM view,
                   const std::wstring& name,
                   DWORD value);
bool DeleteValue(HKEY root, const std::wstring& key, REGSAM view, const std::wstring& name);

// Deletes key with everything below it, in that view only.
bool DeleteKeyTree(HKEY root, const std::wstring& key, REGSAM view);

// Appends a pair (source, empty target: delete at restart) to the system's
// pending file renames.
bool AddPendingDelete(const std::wstring& source);

}  // namespace zu::standin
