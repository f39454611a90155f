#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zu::test {

// Reads of single values, and the stored form of a value so that a machine
// fixture can put back what it overwrote. view is KEY_WOW64_64KEY,
// KEY_WOW64_32KEY or 0; a null or empty name is the key's default value.

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The value as stored; nullopt when the key or the value is missing.
std::optional<RegistryValue> QueryValue(HKEY root,
                                        const std::wstring& key,
                                        REGSAM view,
                                        const wchar_t* name);

// Writes value back as stored, byte for byte (string data without its null
// included), or deletes the value when it is nullopt. A missing key is created
// only to write a value.
void PutValue(HKEY root,
              const std::wstring& key,
              REGSAM view,
              const wchar_t* name,
              const std::optional<RegistryValue>& value);

// A REG_DWORD value; nullopt when missing or of another type.
std::optional<DWORD> DwordValue(HKEY root,
                                const std::wstring& key,
                                REGSAM view,
                                const wchar_t* name);

// A REG_SZ or REG_EXPAND_SZ value up to its first null; nullopt when missing or
// of another type.
std::optional<std::wstring> StringValue(HKEY root,
                                        const std::wstring& key,
                                        REGSAM view,
                                        const wchar_t* name);

}  // namespace zu::test
