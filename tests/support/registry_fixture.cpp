#include "tests/support/registry_fixture.h"

namespace zu::test {
namespace {

void SetValue(HKEY root,
              const std::wstring& key,
              REGSAM view,
              const wchar_t* name,
              DWORD type,
              const void* data,
              DWORD bytes) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS) {
        return;
    }
    ::RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), bytes);
    ::RegCloseKey(handle);
}

}  // namespace

void SetStringValue(HKEY root,
                    const std::wstring& key,
                    REGSAM view,
                    const wchar_t* name,
                    const std::wstring& text,
                    DWORD type) {
    SetValue(root, key, view, name, type, text.c_str(),
             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetDwordValue(HKEY root,
                   const std::wstring& key,
                   REGSAM view,
                   const wchar_t* name,
                   DWORD value) {
    SetValue(root, key, view, name, REG_DWORD, &value, sizeof(value));
}

bool ValueExists(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* name) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
        return false;
    }
    const bool exists =
        ::RegQueryValueExW(handle, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return exists;
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(handle);
    return true;
}

void DeleteKeyTree(HKEY root, const std::wstring& key, REGSAM view) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WRITE | view, &handle) !=
        ERROR_SUCCESS) {
        return;
    }
    wchar_t child[256];
    DWORD length = 256;
    std::wstring previous;
    // Stops at a child that could not be deleted instead of enumerating it forever.
    while (::RegEnumKeyExW(handle, 0, child, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           previous != child) {
        previous = child;
        DeleteKeyTree(root, key + L"\\" + child, view);
        length = 256;
    }
    ::RegCloseKey(handle);
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    auto delete_ex = reinterpret_cast<DeleteKeyEx>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
    if (delete_ex != nullptr) {
        delete_ex(root, key.c_str(), view, 0);
    } else {
        ::RegDeleteKeyW(root, key.c_str());
    }
}

}  // namespace zu::test
